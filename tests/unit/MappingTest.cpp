#include "editor/ParameterMapping.h"
#include "resources/OrganTables.h"
#include "resources/OverdrivePresets.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orvane;

namespace
{
const float* row (int revision) { return defaultRowFor (revision); }

/** Parameter values of a default row, as the editor holds them. */
struct StoredValues
{
    explicit StoredValues (int revision)
    {
        for (int i = 0; i < numParameters; ++i)
            p[(size_t) i] = row (revision)[i];
    }
    ParameterValues p;
};
} // namespace

//==============================================================================
// Slider value to parameter value, with the exact single-precision results the organ gets.
TEST (ParameterMapping, SliderValuesGiveTheParametersInSinglePrecision)
{
    struct Case { int index; float v; int revision; float expected; const char* what; };
    const Case cases[] = {
        { 0, 0.0f, 0, 100.0f, "0 dB is level 100" },
        { 1, 0.0f, 0, 100.0f, "the second click level follows the same rule" },
        { 41, 100.0f, 0, 53.199997f, "one unit in the last place below the default 53.2" },
        { 41, 100.0f, 1, 58.0f, "revision 1" },
        { 39, 100.0f, 0, 25.0f, "V/C Depth itself" },
        { 40, 100.0f, 1, 31.0f, "second depth parameter" },
        { 35, 50.0f, 0, 0.5f, "V/C AM hundredth" },
        { 36, 0.0f, 0, 0.0f, "V/C AM 0 gives no depth" },
        { 36, 15.0f, 0, 0.21999998f, "100 * 0.15f is 15.000001, so 15 stays below the cap" },
        { 36, 16.0f, 0, 0.22f, "capped from 16 on" },
        { 36, 50.0f, 0, 0.22f, "capped" },
        { 36, 50.0f, 1, 0.6f, "capped, revision 1" },
        { 36, 0.0f, 1, 0.0f, "revision 1, no depth" },
        { 30, 0.0f, 0, -4.0f, "Vibrato Level offset, revision 0" },
        { 30, 0.0f, 1, -1.0f, "Vibrato Level offset, revision 1" },
        { 47, 100.0f, 0, 0.7f, "Horn Rise Time drives 47 as a percentage of its default" },
        { 42, 45.5f, 0, 45.5f, "a plain slider passes its value" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (sliderToParamValue (c.index, c.v, {}, row (c.revision)), c.expected) << c.what;

    EXPECT_NEAR (sliderToParamValue (0, -12.0f, {}, row (0)), 25.1189f, 1.0e-4f);
    EXPECT_NEAR (sliderToParamValue (0, 12.0f, {}, row (0)), 398.107f, 1.0e-3f);
}

TEST (ParameterMapping, ChorusPairIsComputedFromBothSliders)
{
    struct Case { double mix, level; int revision; float p31, p34; };
    const Case cases[] = {
        { 100.0, 0.0, 0, -12.5f, -5.5f },
        { 150.0, 0.0, 0, -6.5f, -8.5f },
        { 150.0, 0.0, 1, -3.5000002f, -8.5f },   // 0.12 enters in its single-precision value
        { 100.0, 2.0, 0, -10.5f, -3.5f },        // Level moves both together
    };
    for (const auto& c : cases)
    {
        const ChorusSliders sliders { c.mix, c.level };
        const float p31 = sliderToParamValue (31, 0.0f, sliders, row (c.revision));
        const float p34 = sliderToParamValue (34, 0.0f, sliders, row (c.revision));
        EXPECT_EQ (p31, c.p31) << c.mix << " / " << c.level << " on revision " << c.revision;
        EXPECT_EQ (p34, c.p34) << c.mix << " / " << c.level << " on revision " << c.revision;

        // The shown Mix gives back the slider's value.
        StoredValues stored (c.revision);
        stored.p[31] = p31;
        stored.p[34] = p34;
        EXPECT_NEAR (paramToSliderValue (31, stored.p, row (c.revision)), c.mix, 1.0e-4);
    }
}

TEST (ParameterMapping, ShownValuesOfTheDefaults)
{
    struct Case { int index; int revision; float expected; float tolerance; };
    const Case cases[] = {
        { 0, 0, 0.0f, 0.0f },  { 2, 0, -0.91515f, 1.0e-4f }, { 3, 0, -10.4576f, 1.0e-4f },
        { 39, 0, 100.0f, 0.0f }, { 45, 0, 100.0f, 0.0f }, { 57, 1, 100.0f, 0.0f },
        { 31, 0, 100.0f, 0.0f }, { 31, 1, 100.0f, 0.0f }, { 30, 0, 0.0f, 0.0f },
        { 30, 1, 0.0f, 0.0f },   { 35, 1, 10.0f, 1.0e-5f }, { 29, 0, 6.8567f, 0.0f },
    };
    for (const auto& c : cases)
    {
        const StoredValues stored (c.revision);
        EXPECT_NEAR (paramToSliderValue (c.index, stored.p, row (c.revision)), c.expected, c.tolerance)
            << "parameter " << c.index << " on revision " << c.revision;
    }

    StoredValues silent (0);
    silent.p[0] = 0.0f;
    EXPECT_TRUE (std::isinf (paramToSliderValue (0, silent.p, row (0))));   // the slider shows its minimum
    EXPECT_EQ (paramToSliderValue (99, silent.p, row (0)), 0.0f);
    EXPECT_EQ (paramToSliderValue (-1, silent.p, row (0)), 0.0f);
}

TEST (ParameterMapping, ChorusLevelFollowsTheSnappedMix)
{
    StoredValues stored (0);
    stored.p[31] = -12.0f;
    stored.p[34] = -5.5f;
    EXPECT_NEAR (paramToSliderValue (31, stored.p, row (0)), 102.78f, 0.01f);
    EXPECT_NEAR (chorusLevelSliderValue (-12.0f, 103.0, row (0)), 0.14, 1.0e-9);   // shows as 0.1
    EXPECT_NEAR (chorusLevelSliderValue (-6.5f, 150.0, row (0)), 0.0, 1.0e-9);
}

TEST (ParameterMapping, SliderTargetsAndTheirSendOrder)
{
    struct Case { int index; std::vector<int> stored, sent; };
    const Case cases[] = {
        { 0, { 0, 1 }, { 0, 1 } },
        { 30, { 30 }, { 30, 39 } },
        { 31, { 31, 34 }, { 31, 34, 39 } },
        { 35, { 35, 36 }, { 35, 36 } },
        { 39, { 39, 40, 41 }, { 39, 40, 41 } },
        { 45, { 45, 47, 44 }, { 47, 45, 44 } },
        { 49, { 49, 48, 46 }, { 49, 48, 46 } },
        { 53, { 53, 55, 52 }, { 55, 53, 52 } },
        { 57, { 57, 56, 54 }, { 57, 56, 54 } },
        { 67, { 67 }, { 67 } },
        { 85, {}, {} },
        { -1, {}, {} },
    };
    for (const auto& c : cases)
    {
        const auto targets = sliderTargetsFor (c.index);
        EXPECT_EQ (targets.stored, c.stored) << "slider " << c.index;
        EXPECT_EQ (targets.sent, c.sent) << "slider " << c.index;
    }
}

TEST (ParameterMapping, SelectorPositionTruncatesTowardZero)
{
    struct Case { float value; int position; };
    const Case cases[] = {
        { 0.0f, 0 }, { 1.9f, 1 }, { 2.0f, 2 }, { -0.5f, 0 }, { -1.0f, -1 },
        { std::nanf (""), -1 }, { 1.0e20f, -1 }, { -1.0e20f, -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (selectorPositionFor (c.value), c.position) << c.value;
}

TEST (OverdrivePresets, FoundByTheFirstAndSeventhValue)
{
    struct Case { float first, seventh; int row; };
    const Case cases[] = {
        { -6.0f, 0.3f, 0 }, { -2.0f, 2.0f, 1 }, { -6.0f, 3.0f, 2 }, { 6.0f, 1.0f, 3 },
        { -3.0f, 0.1f, 4 }, { -3.0f, 3.0f, 5 }, { -5.0f, 2.6f, 6 }, { -6.0f, 0.8f, 7 },
        { -6.0f, 0.5f, -1 }, { std::nanf (""), 0.3f, -1 }, { -6.0f, 0.30000001f, 0 },
        { -6.0f, std::nextafter (0.3f, 1.0f), -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (findOverdrivePreset (c.first, c.seventh), c.row) << c.first << ", " << c.seventh;

    // The revision rows are presets too: their overdrive parameters select rows 0..3.
    for (int revision = 0; revision < 2; ++revision)
    {
        EXPECT_EQ (findOverdrivePreset (row (revision)[9], row (revision)[15]), 2 * revision);
        EXPECT_EQ (findOverdrivePreset (row (revision)[16], row (revision)[22]), 2 * revision + 1);
        for (int k = 0; k < overdrivePresetSize; ++k)
        {
            EXPECT_EQ (overdrivePresets[2 * revision][k], row (revision)[9 + k]);
            EXPECT_EQ (overdrivePresets[2 * revision + 1][k], row (revision)[16 + k]);
        }
    }
}
