#include "resources/OverdrivePresets.h"

namespace orvane
{
// Each value is the float32 nearest to the decimal shown.
const float overdrivePresets[numOverdrivePresets][overdrivePresetSize] = {
    { -6.0f, 360.0f, 1.0f, 0.0f, 1.0f, 1.6f, 0.3f },     // STANDARD CLASSIC
    { -2.0f, 360.0f, 1.0f, 5.0f, 1.0f, 3.0f, 2.0f },     // STANDARD ROCK
    { -6.0f, 360.0f, 0.3f, 5.0f, 1.0f, 3.0f, 3.0f },     // NRS CLASSIC
    { 6.0f, 430.0f, 1.0f, 12.0f, 0.15f, 1.6f, 1.0f },    // NRS ROCK
    { -3.0f, 1500.0f, 0.3f, 3.0f, 1.0f, 3.0f, 0.1f },    // CLASSIC 1.2
    { -3.0f, 360.0f, 0.3f, 5.0f, 1.0f, 3.0f, 3.0f },     // ROCK 1.2
    { -5.0f, 360.0f, 1.0f, 6.0f, 0.85f, 2.7f, 2.6f },    // ANALOG
    { -6.0f, 430.0f, 1.0f, 12.0f, 0.15f, 2.3f, 0.8f },   // CRUNCH
};

int findOverdrivePreset (float first, float seventh)
{
    for (int row = 0; row < numOverdrivePresets; ++row)
        if (overdrivePresets[row][0] == first && overdrivePresets[row][overdrivePresetSize - 1] == seventh)
            return row;
    return -1;
}
}   // namespace orvane
