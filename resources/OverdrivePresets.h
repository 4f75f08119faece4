#pragma once

namespace orvane
{
constexpr int numOverdrivePresets = 8;
constexpr int overdrivePresetSize = 7;

/** The first of the seven parameters of each overdrive sub-page, which its "Overdrive Model"
    selector carries. */
constexpr int classicOverdriveModelParameter = 9;
constexpr int rockOverdriveModelParameter = 16;

/** The eight overdrive models, one row per item of the "Overdrive Model" selectors: the values
    of parameters 9..15 (CLASSIC) or 16..22 (ROCK). Rows 0 and 1 are the defaults of revision 0,
    rows 2 and 3 those of revision 1. */
extern const float overdrivePresets[numOverdrivePresets][overdrivePresetSize];

/** The first row whose first and seventh values equal `first` and `seventh` exactly (the pair
    tells the rows apart; a NaN equals nothing), or -1 when none does. */
int findOverdrivePreset (float first, float seventh);
}   // namespace orvane
