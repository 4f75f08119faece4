#include "resources/OrganTables.h"

namespace orvane
{
// Each value is the float32 nearest to the decimal shown.
const float defaultParameterValues[numRevisions][numParameters] = {
    { 100.0f, 100.0f, 90.0f, 30.0f, 6.0f, 100.0f, 2500.0f, 1.0f, 0.0f, -6.0f,
      360.0f, 1.0f, 0.0f, 1.0f, 1.6f, 0.3f, -2.0f, 360.0f, 1.0f, 5.0f,
      1.0f, 3.0f, 2.0f, 2.2f, 4.0f, 90.0f, 0.0f, 5.52f, 80.0f, 6.8567f,
      -4.0f, -12.5f, 1600.0f, 0.0f, -5.5f, 0.15f, 0.22f, 1730.0f, 8.0f, 25.0f,
      31.0f, 53.2f, 45.0f, 400.0f, 1.5f, 1.5f, 2.0f, 0.7f, 0.7f, 1.0f,
      40.0f, 380.0f, 10.5f, 9.5f, 25.0f, 4.0f, 1.3f, 4.8f, -5.2f, 0.2f,
      90.0f, -4.5f, 45.0f, 2000.0f, 0.0f, 250.0f, 0.0f, -3.0f, -3.0f, 0.0f,
      -2.0f, 0.0f, 2000.0f, 0.0f, 250.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
      0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f,
      1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 2.0f, 0.0f },
    { 100.0f, 100.0f, 90.0f, 30.0f, 6.0f, 100.0f, 2500.0f, 1.0f, 0.0f, -6.0f,
      360.0f, 0.3f, 5.0f, 1.0f, 3.0f, 3.0f, 6.0f, 430.0f, 1.0f, 12.0f,
      0.15f, 1.6f, 1.0f, 2.2f, 4.0f, 90.0f, 0.0f, 5.52f, 80.0f, 6.8567f,
      -1.0f, -9.5f, 1600.0f, 0.0f, -5.5f, 0.1f, 0.6f, 1730.0f, 8.0f, 25.0f,
      31.0f, 58.0f, 45.0f, 400.0f, 1.5f, 1.5f, 2.0f, 0.7f, 0.7f, 1.0f,
      40.0f, 380.0f, 10.5f, 9.5f, 30.0f, 4.0f, 1.3f, 4.8f, -5.2f, 0.2f,
      90.0f, -4.5f, 45.0f, 2000.0f, 0.0f, 250.0f, 0.0f, -3.0f, -3.0f, 0.0f,
      -2.0f, 0.0f, 2000.0f, 0.0f, 250.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
      0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f,
      1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 2.0f, 0.0f }
};

const char modelNames[numModels][16] = { "Orvane", "Orvane Rise", "Orvane Aria", "Orvane Mod" };
const char revisionNames[numRevisions][16] = { "", "NRS" };
const char slotNamePrefixes[numSlots][16] = { "FAC1 -  ", "FAC2 -  ", "FAC3 -  ",
                                              "ALT1 -  ", "ALT2 -  ", "ALT3 -  " };
const char factorySlotNames[numSlots][32] = { "TONEWHEEL '30", "TONEWHEEL '50", "TONEWHEEL '70",
                                              "TONEWHEEL BC_1936", "TONEWHEEL B3_1956", "TONEWHEEL A100_1961" };

juce::String modelNameFor (int modelIndex)
{
    return juce::isPositiveAndBelow (modelIndex, numModels) ? juce::String (modelNames[modelIndex]) : juce::String();
}

juce::String revisionNameFor (int hardwareRevision)
{
    return juce::isPositiveAndBelow (hardwareRevision, numRevisions) ? juce::String (revisionNames[hardwareRevision])
                                                                     : juce::String();
}

const float* defaultRowFor (int hardwareRevision)
{
    return defaultParameterValues[hardwareRevision == 1 ? 1 : 0];
}
}   // namespace orvane
