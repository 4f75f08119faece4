#include "organ/FloatBits.h"
#include "organ/OrganProtocol.h"
#include "organ/ParameterMapping.h"
#include "resources/OrganTables.h"
#include "resources/OverdrivePresets.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
}   // namespace

//==============================================================================
// Slider value to parameter value, with the exact single-precision results the organ gets.
TEST (ParameterMapping, SliderValuesGiveTheParametersInSinglePrecision)
{
    struct Case
    {
        int index;
        float v;
        int revision;
        float expected;
        const char* what;
    };
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
    struct Case
    {
        double mix, level;
        int revision;
        float p31, p34;
    };
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
    struct Case
    {
        int index;
        int revision;
        float expected;
        float tolerance;
    };
    const Case cases[] = {
        { 0, 0, 0.0f, 0.0f },
        { 2, 0, -0.91515f, 1.0e-4f },
        { 3, 0, -10.4576f, 1.0e-4f },
        { 39, 0, 100.0f, 0.0f },
        { 45, 0, 100.0f, 0.0f },
        { 57, 1, 100.0f, 0.0f },
        { 31, 0, 100.0f, 0.0f },
        { 31, 1, 100.0f, 0.0f },
        { 30, 0, 0.0f, 0.0f },
        { 30, 1, 0.0f, 0.0f },
        { 35, 1, 10.0f, 1.0e-5f },
        { 29, 0, 6.8567f, 0.0f },
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

TEST (ParameterMapping, ShownSliderValueIsFiniteAndInsideTheRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double value;
        double minimum, maximum;
        double shown;
    };
    const Case cases[] = {
        { std::nan (""), -12.0, 12.0, -12.0 },
        { inf, -12.0, 12.0, 12.0 },
        { -inf, -12.0, 12.0, -12.0 },
        { 0.0, 50.0, 150.0, 50.0 },
        { -5.0, 0.0, 127.0, 0.0 },
        { 1.0e300, 0.0, 127.0, 127.0 },
        { -1.0e300, 0.0, 127.0, 0.0 },
        { 3.25, -12.0, 12.0, 3.25 },
        { 12.0, -12.0, 12.0, 12.0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (shownSliderValue (c.value, c.minimum, c.maximum), c.shown)
            << c.value << " in " << c.minimum << ".." << c.maximum;

    // A level of 0 or below has no decibel value; its slider shows the bottom of the range.
    StoredValues stored (0);
    for (float level : { 0.0f, -1.0f, -std::numeric_limits<float>::infinity(), std::nanf ("") })
    {
        stored.p[0] = level;
        EXPECT_EQ (shownSliderValue (paramToSliderValue (0, stored.p, row (0)), -12.0, 12.0), -12.0) << level;
    }
}

TEST (ParameterMapping, SliderTargetsAndTheirSendOrder)
{
    struct Case
    {
        int index;
        std::vector<int> stored, sent;
    };
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
    struct Case
    {
        float value;
        int position;
    };
    const Case cases[] = {
        { 0.0f, 0 },
        { 1.9f, 1 },
        { 2.0f, 2 },
        { -0.5f, 0 },
        { -1.0f, -1 },
        { std::nanf (""), -1 },
        { 1.0e20f, -1 },
        { -1.0e20f, -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (selectorPositionFor (c.value), c.position) << c.value;
}

TEST (OverdrivePresets, FoundByTheFirstAndSeventhValue)
{
    struct Case
    {
        float first, seventh;
        int row;
    };
    const Case cases[] = {
        { -6.0f, 0.3f, 0 },
        { -2.0f, 2.0f, 1 },
        { -6.0f, 3.0f, 2 },
        { 6.0f, 1.0f, 3 },
        { -3.0f, 0.1f, 4 },
        { -3.0f, 3.0f, 5 },
        { -5.0f, 2.6f, 6 },
        { -6.0f, 0.8f, 7 },
        { -6.0f, 0.5f, -1 },
        { std::nanf (""), 0.3f, -1 },
        { -6.0f, 0.30000001f, 0 },
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

//==============================================================================
// The panel: controls moved as a user moves them, checked against what leaves on the output.
namespace
{
using Access = MainContentComponentTestAccess;

/** One message as it left: the parameter, its value, and the message's length (12 for the
    float form, 7 for the byte form). */
struct Sent
{
    int index;
    float value;
    int length;
    bool operator== (const Sent& other) const
    {
        return index == other.index && length == other.length
            && (value == other.value || std::abs (value - other.value) <= 2.0e-5f * std::abs (other.value));
    }
};

std::ostream& operator<< (std::ostream& out, const Sent& s)
{
    return out << "{" << s.index << ", " << juce::String (s.value, 9) << ", " << s.length << " bytes}";
}

Sent asFloat (int index, float value) { return { index, value, protocol::floatParameterLength }; }
Sent asByte (int index, int value) { return { index, (float) value, protocol::byteParameterLength }; }

class EditorMapping : public ::testing::Test
{
protected:
    void SetUp() override { record = Access::recordOutput (editor); }

    /** Moves the slider of `parameter` to `value` with notification, as a drag does; a slider
        already there is first put elsewhere silently, so that the move is a change. */
    void moveSlider (juce::Slider& slider, double value)
    {
        if (slider.getValue() == value)
            slider.setValue (value == slider.getMinimum() ? slider.getMaximum() : slider.getMinimum(), juce::dontSendNotification);
        slider.setValue (value, juce::sendNotificationSync);
    }
    void moveSlider (int parameter, double value) { moveSlider (Access::slider (editor, parameter), value); }

    void pick (int parameter, int itemIndex)
    {
        Access::comboBox (editor, parameter).setSelectedItemIndex (itemIndex, juce::sendNotificationSync);
    }

    /** Every message sent since the last call, decoded; the bytes must be the organ's own form. */
    std::vector<Sent> takeSent()
    {
        std::vector<Sent> result;
        for (const auto& bytes : record->get())
        {
            const auto decoded = protocol::decodeOrganMessage (bytes.data(), (int) bytes.size());
            EXPECT_EQ (decoded.kind, protocol::OrganMessage::Kind::parameter);
            EXPECT_EQ (bytes.back(), protocol::sysExEnd);
            result.push_back ({ decoded.number, decoded.value, (int) bytes.size() });
        }
        record->clear();
        return result;
    }

    float p (int index) { return Access::projectImage (editor).getValue (index); }
    void setP (int index, float value) { Access::projectImage (editor).setValue (index, value); }
    void setRevision (int revision) { Access::projectImage (editor).hardwareRevision = revision; }

    void fillWithRow (int revision)
    {
        setRevision (revision);
        for (int i = 0; i < numParameters; ++i)
            setP (i, defaultRowFor (revision)[i]);
    }

    juce::String shownText (int parameter) { return Access::comboBox (editor, parameter).getText(); }
    int shownItem (int parameter) { return Access::comboBox (editor, parameter).getSelectedItemIndex(); }

    MainContentComponent editor;
    std::shared_ptr<test::SentMessages> record;
};
}   // namespace

TEST_F (EditorMapping, SliderEditsStoreAndSendTheirParametersInOrder)
{
    const float dbMinus12 = 25.1189f, dbPlus12 = 398.107f;
    struct Case
    {
        const char* what;
        int revision;
        int parameter;   // the moved slider's; 31 is Chorus Mix
        double value;
        std::vector<Sent> sent;
    };
    const Case cases[] = {
        { "Click Level Manuals 0 dB", 0, 0, 0.0, { asFloat (0, 100.0f), asFloat (1, 100.0f) } },
        { "Click Level Manuals -12 dB", 0, 0, -12.0, { asFloat (0, dbMinus12), asFloat (1, dbMinus12) } },
        { "Click Level Manuals +12 dB", 0, 0, 12.0, { asFloat (0, dbPlus12), asFloat (1, dbPlus12) } },
        { "V/C Depth 100, revision 0", 0, 39, 100.0, { asFloat (39, 25.0f), asFloat (40, 31.0f), asFloat (41, 53.199997f) } },
        { "V/C Depth 100, revision 1", 1, 39, 100.0, { asFloat (39, 25.0f), asFloat (40, 31.0f), asFloat (41, 58.0f) } },
        { "V/C Depth 100, revision 7 converts with row 0", 7, 39, 100.0, { asFloat (39, 25.0f), asFloat (40, 31.0f), asFloat (41, 53.199997f) } },
        { "V/C AM 0, revision 0", 0, 35, 0.0, { asFloat (35, 0.0f), asFloat (36, 0.0f) } },
        { "V/C AM 15, revision 0", 0, 35, 15.0, { asFloat (35, 0.15f), asFloat (36, 0.21999998f) } },
        { "V/C AM 16, revision 0", 0, 35, 16.0, { asFloat (35, 0.16f), asFloat (36, 0.22f) } },
        { "V/C AM 50, revision 0", 0, 35, 50.0, { asFloat (35, 0.5f), asFloat (36, 0.22f) } },
        { "V/C AM 0, revision 1", 1, 35, 0.0, { asFloat (35, 0.0f), asFloat (36, 0.0f) } },
        { "V/C AM 15, revision 1", 1, 35, 15.0, { asFloat (35, 0.15f), asFloat (36, 0.6f) } },
        { "V/C AM 16, revision 1", 1, 35, 16.0, { asFloat (35, 0.16f), asFloat (36, 0.6f) } },
        { "V/C AM 50, revision 1", 1, 35, 50.0, { asFloat (35, 0.5f), asFloat (36, 0.6f) } },
        { "Chorus Mix 150, revision 0", 0, 31, 150.0, { asFloat (31, -6.5f), asFloat (34, -8.5f), asFloat (39, 25.0f) } },
        { "Chorus Mix 150, revision 1", 1, 31, 150.0, { asFloat (31, -3.5000002f), asFloat (34, -8.5f), asFloat (39, 25.0f) } },
        { "Vibrato Level 0, revision 0", 0, 30, 0.0, { asFloat (30, -4.0f), asFloat (39, 25.0f) } },
        { "Vibrato Level 0, revision 1", 1, 30, 0.0, { asFloat (30, -1.0f), asFloat (39, 25.0f) } },
        { "Horn Rise Time 100 sends 47 first", 0, 45, 100.0, { asFloat (47, 0.7f), asFloat (45, 1.5f), asFloat (44, 1.5f) } },
        { "Drum Rise Time 100 sends 55 first", 0, 53, 100.0, { asFloat (55, 4.0f), asFloat (53, 9.5f), asFloat (52, 10.5f) } },
        { "Horn Level on ROCK is 67, never 58", 0, 67, 2.0, { asFloat (67, 2.0f) } },
        { "Spring Time as is", 0, 26, -3.5, { asFloat (26, -3.5f) } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        setRevision (c.revision);
        moveSlider (c.parameter, c.value);
        const auto sent = takeSent();
        EXPECT_EQ (sent, c.sent);
        for (const auto& s : c.sent)
            EXPECT_EQ (Sent (asFloat (s.index, p (s.index))), s) << "stored value of " << s.index;
    }
    EXPECT_EQ (p (58), -5.2f);   // the CLASSIC Horn Level never moved
}

TEST_F (EditorMapping, ClickLevelLeavesAsTheOrgansBytes)
{
    moveSlider (0, 0.0);
    const std::vector<std::vector<uint8_t>> expected {
        { 0xF0, 0x7D, 0x1E, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 },   // 100.0 = 42C80000
        { 0xF0, 0x7D, 0x1E, 0x01, 0x01, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 },
    };
    EXPECT_EQ (record->get(), expected);
}

TEST_F (EditorMapping, ChorusLevelMovesBothParametersTogether)
{
    moveSlider (Access::chorusLevelSlider (editor), 2.0);
    EXPECT_EQ (takeSent(), (std::vector<Sent> { asFloat (31, -10.5f), asFloat (34, -3.5f), asFloat (39, 25.0f) }));

    // Mix now reads the Level slider too.
    moveSlider (31, 150.0);
    EXPECT_EQ (takeSent(), (std::vector<Sent> { asFloat (31, -4.5f), asFloat (34, -6.5f), asFloat (39, 25.0f) }));
}

TEST_F (EditorMapping, SelectorEditsSendPresetsAndItemIndexes)
{
    const auto untouched = [this]
    { std::vector<float> v; for (int i = 9; i <= 15; ++i) v.push_back (p (i)); return v; }();

    pick (16, 7);   // CRUNCH on the ROCK page
    const std::vector<Sent> crunch { asFloat (16, -6.0f), asFloat (17, 430.0f), asFloat (18, 1.0f), asFloat (19, 12.0f),
                                     asFloat (20, 0.15f), asFloat (21, 2.3f), asFloat (22, 0.8f) };
    EXPECT_EQ (takeSent(), crunch);
    EXPECT_EQ (p (16), -6.0f);
    EXPECT_EQ (p (22), 0.8f);
    for (int i = 9; i <= 15; ++i)
        EXPECT_EQ (p (i), untouched[(size_t) (i - 9)]) << "parameter " << i;

    pick (85, 1);   // Gospel Set ON
    EXPECT_EQ (p (85), 1.0f);
    const std::vector<std::vector<uint8_t>> gospelOn { { 0xF0, 0x7D, 0x1E, 0x02, 0x00, 0x01, 0xF7 } };
    EXPECT_EQ (record->get(), gospelOn);
    record->clear();

    pick (97, 4);
    EXPECT_EQ (takeSent(), (std::vector<Sent> { asByte (97, 4) }));
    EXPECT_EQ (p (97), 4.0f);
}

TEST_F (EditorMapping, WithoutAnOutputEditsAreKeptAndNothingIsSent)
{
    Access::midiOutput (editor).close();
    moveSlider (39, 110.0);
    pick (9, 4);
    pick (86, 0);
    EXPECT_TRUE (record->get().empty());
    EXPECT_EQ (p (39), 27.5f);
    EXPECT_EQ (p (9), -3.0f);
    EXPECT_EQ (p (10), 1500.0f);
    EXPECT_EQ (p (86), 0.0f);
}

//==============================================================================
TEST_F (EditorMapping, RefreshShowsTheStartingValues)
{
    Access::updateAllControls (editor);
    struct Case
    {
        int parameter;
        double shown;
    };
    const Case cases[] = {
        { 0, 0.0 },
        { 2, -0.9 },
        { 3, -10.5 },
        { 39, 100.0 },
        { 31, 100.0 },
        { 45, 100.0 },
        { 49, 100.0 },
        { 53, 100.0 },
        { 57, 100.0 },
        { 30, 0.0 },
        { 35, 15.0 },
        { 29, 6.86 },
        { 27, 5.5 },
        { 4, 6.0 },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (Access::slider (editor, c.parameter).getValue(), c.shown, 1.0e-9) << "parameter " << c.parameter;
    EXPECT_NEAR (Access::chorusLevelSlider (editor).getValue(), 0.0, 1.0e-9);

    EXPECT_EQ (shownText (9), "STANDARD CLASSIC");
    EXPECT_EQ (shownText (16), "STANDARD ROCK");
    EXPECT_EQ (shownItem (97), 2);
    EXPECT_EQ (shownText (97), "FAC3 -  TONEWHEEL '70");
    EXPECT_EQ (Access::comboBox (editor, 97).getItemText (0), "FAC1 -  TONEWHEEL '30");
    EXPECT_TRUE (Access::sectionButton (editor, additionalFunctionsSection).isVisible());
    EXPECT_TRUE (record->get().empty());
}

TEST_F (EditorMapping, RefreshOfARevisionOneOrgan)
{
    fillWithRow (1);
    Access::updateAllControls (editor);
    EXPECT_EQ (shownText (9), "NRS CLASSIC");
    EXPECT_EQ (shownText (16), "NRS ROCK");
    EXPECT_NEAR (Access::slider (editor, 35).getValue(), 10.0, 1.0e-9);
    EXPECT_NEAR (Access::slider (editor, 30).getValue(), 0.0, 1.0e-9);
    EXPECT_NEAR (Access::slider (editor, 31).getValue(), 100.0, 1.0e-9);
    EXPECT_NEAR (Access::chorusLevelSlider (editor).getValue(), 0.0, 1.0e-9);
    EXPECT_TRUE (record->get().empty());
}

TEST_F (EditorMapping, RefreshFindsTheOverdriveModelByItsPair)
{
    struct Case
    {
        float first, seventh;
        const char* shown;
    };
    const Case cases[] = {
        { -3.0f, 3.0f, "ROCK 1.2" },
        { -3.0f, 0.1f, "CLASSIC 1.2" },
        { -6.0f, 3.0f, "NRS CLASSIC" },
        { -6.0f, 0.5f, "" },
    };
    for (int i = 10; i <= 14; ++i)
        setP (i, 77.0f);   // not compared
    for (const auto& c : cases)
    {
        setP (9, c.first);
        setP (15, c.seventh);
        setP (16, c.first);
        setP (22, c.seventh);
        Access::updateAllControls (editor);
        EXPECT_EQ (shownText (9), c.shown) << c.first << ", " << c.seventh;
        EXPECT_EQ (shownText (16), c.shown) << c.first << ", " << c.seventh;
    }
    EXPECT_EQ (shownItem (9), -1);
}

TEST_F (EditorMapping, ChorusLevelIsComputedFromTheSnappedMix)
{
    setP (31, -12.0f);
    setP (34, -5.5f);
    Access::updateAllControls (editor);
    EXPECT_EQ (Access::slider (editor, 31).getValue(), 103.0);
    EXPECT_NEAR (Access::chorusLevelSlider (editor).getValue(), 0.1, 1.0e-9);   // 0.2 from the unsnapped 102.78
}

TEST_F (EditorMapping, ModelThreeHidesTheAdditionalFunctions)
{
    auto& functionsButton = Access::sectionButton (editor, additionalFunctionsSection);
    functionsButton.setToggleState (true, juce::sendNotificationSync);   // the page is open
    ASSERT_EQ (Access::currentSection (editor), (int) additionalFunctionsSection);
    const int gospelBefore = shownItem (85);

    setP (85, 1.0f);
    Access::projectImage (editor).modelIndex = 3;
    Access::updateAllControls (editor);
    EXPECT_FALSE (functionsButton.isVisible());
    EXPECT_FALSE (functionsButton.getToggleState());
    EXPECT_EQ (Access::currentSection (editor), (int) toneGeneratorSection);
    EXPECT_TRUE (Access::sectionButton (editor, toneGeneratorSection).getToggleState());
    EXPECT_TRUE (Access::slider (editor, 4).isVisible());   // Pedals Level, on the Tone Generator page
    EXPECT_FALSE (Access::comboBox (editor, 85).isVisible());
    EXPECT_EQ (shownItem (85), gospelBefore);   // the selectors keep their choice

    // Another page open: only the button goes.
    Access::sectionButton (editor, vibratoChorusSection).setToggleState (true, juce::sendNotificationSync);
    Access::updateAllControls (editor);
    EXPECT_EQ (Access::currentSection (editor), (int) vibratoChorusSection);

    // Back to a model with the section: the button returns and the selectors follow.
    Access::projectImage (editor).modelIndex = 1;
    Access::updateAllControls (editor);
    EXPECT_TRUE (functionsButton.isVisible());
    EXPECT_EQ (shownItem (85), 1);
    EXPECT_TRUE (record->get().empty());
}

TEST_F (EditorMapping, SelectorValuesAreTruncatedToAPosition)
{
    struct Case
    {
        float value;
        int item;
        const char* text;
    };
    const Case cases[] = {
        { 1.9f, 1, "ON" },
        { 2.0f, -1, "" },
        { -0.5f, 0, "OFF" },
        { std::nanf (""), -1, "" },
        { -1.0f, -1, "" },
    };
    for (const auto& c : cases)
    {
        setP (98, c.value);
        Access::updateAllControls (editor);
        EXPECT_EQ (shownItem (98), c.item) << c.value;
        EXPECT_EQ (shownText (98), c.text) << c.value;
    }
}

TEST_F (EditorMapping, UploadMenuHoldsTheThreeAltSlotsAfterEveryRefresh)
{
    Access::setTonewheelSlotName (editor, 4, "ALT2 -  MY WHEELS");
    Access::updateAllControls (editor);
    Access::updateAllControls (editor);

    std::vector<std::pair<int, juce::String>> items;
    for (juce::PopupMenu::MenuItemIterator it (Access::uploadMenu (editor)); it.next();)
    {
        const auto& item = it.getItem();
        EXPECT_TRUE (item.isEnabled);
        EXPECT_FALSE (item.isTicked);
        items.emplace_back (item.itemID, item.text);
    }
    const std::vector<std::pair<int, juce::String>> expected {
        { 3, "Upload to ALT1 -  TONEWHEEL BC_1936" },
        { 4, "Upload to ALT2 -  MY WHEELS" },
        { 5, "Upload to ALT3 -  TONEWHEEL A100_1961" },
    };
    EXPECT_EQ (items, expected);
}

//==============================================================================
// Values the panel cannot show: the organ or a file may hold them, a slider must never get one.
namespace
{
const float nanValue = std::numeric_limits<float>::quiet_NaN();
const float infinity = std::numeric_limits<float>::infinity();
}   // namespace

TEST_F (EditorMapping, RefreshNeverHandsASliderAValueItCannotShow)
{
    struct Case
    {
        std::vector<std::pair<int, float>> values;
        int parameter;
        double shown;
    };
    const Case cases[] = {
        { { { 0, -1.0f } }, 0, -12.0 },   // no decibels below silence
        { { { 0, 0.0f } }, 0, -12.0 },
        { { { 0, -infinity } }, 0, -12.0 },
        { { { 2, 1.0e30f } }, 2, 12.0 },
        { { { 5, nanValue } }, 5, 0.0 },
        { { { 5, infinity } }, 5, 100.0 },
        { { { 31, infinity }, { 34, infinity } }, 31, 50.0 },   // inf - inf
        { { { 31, nanValue } }, 31, 50.0 },
        { { { 39, -infinity } }, 39, 50.0 },
        { { { 35, nanValue }, { 30, infinity } }, 35, 0.0 },
    };
    for (const auto& c : cases)
    {
        fillWithRow (0);
        for (const auto& [index, value] : c.values)
            setP (index, value);
        Access::updateAllControls (editor);

        SCOPED_TRACE ("parameter " + juce::String (c.parameter));
        EXPECT_TRUE (Access::everySliderShowsARangeValue (editor));
        EXPECT_EQ (Access::slider (editor, c.parameter).getValue(), c.shown);
        for (const auto& [index, value] : c.values)
            EXPECT_EQ (floatBits (p (index)), floatBits (value)) << "parameter " << index << " was changed";
    }
    EXPECT_TRUE (record->get().empty());
}

TEST_F (EditorMapping, ChorusLevelOfAnInfiniteMixStaysInsideItsRange)
{
    const auto& level = Access::chorusLevelSlider (editor);
    for (float p31 : { infinity, -infinity, nanValue })
    {
        fillWithRow (0);
        setP (31, p31);
        Access::updateAllControls (editor);
        EXPECT_TRUE (std::isfinite (level.getValue())) << p31;
        EXPECT_TRUE (Access::everySliderShowsARangeValue (editor)) << p31;
    }
}

TEST_F (EditorMapping, LiveValueTheSliderCannotShowIsKeptButNotShown)
{
    const auto& toneControl = Access::slider (editor, 5);
    struct Case
    {
        float value;
        double shown;
    };
    const Case cases[] = { { nanValue, 0.0 }, { infinity, 100.0 }, { -infinity, 0.0 }, { -3.0f, 0.0 }, { 40.0f, 40.0 } };
    for (const auto& c : cases)
    {
        Access::receive (editor, protocol::setFloatParameter (5, c.value));
        EXPECT_TRUE (test::runMessageLoopUntil ([&]
                                                { return toneControl.getValue() == c.shown; },
                                                2000))
            << c.value;
        EXPECT_EQ (floatBits (p (5)), floatBits (c.value));
    }
    EXPECT_TRUE (record->get().empty());

    // The slider still takes the user's edits, and sends them.
    moveSlider (5, 64.0);
    EXPECT_EQ (takeSent(), (std::vector<Sent> { asFloat (5, 64.0f) }));
}

//==============================================================================
// The organ's changes while no operation is pending, through the MIDI input callback.
TEST_F (EditorMapping, LiveUpdatesMoveOnlyTheirControlsAndSendNothing)
{
    setP (97, 0.0f);
    Access::updateAllControls (editor);
    ASSERT_EQ (shownItem (97), 0);

    Access::receive (editor, protocol::setByteParameter (97, 2.0f));
    EXPECT_TRUE (test::runMessageLoopUntil ([this]
                                            { return shownItem (97) == 2; },
                                            2000));

    const double hornSlow = Access::slider (editor, 42).getValue();
    Access::receive (editor, protocol::setFloatParameter (42, 55.0f));
    Access::receive (editor, protocol::setFloatParameter (5, 40.0f));
    EXPECT_TRUE (test::runMessageLoopUntil ([this]
                                            { return Access::slider (editor, 5).getValue() == 40.0; },
                                            2000));
    EXPECT_EQ (p (42), 55.0f);
    EXPECT_EQ (Access::slider (editor, 42).getValue(), hornSlow);

    EXPECT_TRUE (record->get().empty());
}

TEST_F (EditorMapping, SlotNameMessageRenamesOneItemOnly)
{
    Access::updateAllControls (editor);
    const auto slotName = [] (int slot, const char* name)
    {
        std::vector<uint8_t> bytes { 0xF0, 0x7D, 0x1E, 0x09, (uint8_t) slot };
        for (const char* c = name; *c != 0; ++c)
            bytes.push_back ((uint8_t) *c);
        bytes.push_back (0x00);
        bytes.push_back (0xF7);
        return juce::MidiMessage (bytes.data(), (int) bytes.size());
    };

    auto& tonewheelModel = Access::comboBox (editor, 97);
    Access::receive (editor, slotName (4, "DEEP"));
    EXPECT_TRUE (test::runMessageLoopUntil ([&]
                                            { return tonewheelModel.getItemText (4) == "ALT2 -  DEEP"; },
                                            2000));
    for (int item : { 0, 1, 2, 3, 5 })
        EXPECT_EQ (tonewheelModel.getItemText (item), juce::String (slotNamePrefixes[item]) + factorySlotNames[item]);
    EXPECT_EQ (shownItem (97), 2);
    EXPECT_EQ (shownText (97), "FAC3 -  TONEWHEEL '70");

    // The selected slot renamed: it stays selected and shows its new name.
    Access::receive (editor, slotName (2, "WARM"));
    EXPECT_TRUE (test::runMessageLoopUntil ([&]
                                            { return tonewheelModel.getItemText (2) == "FAC3 -  WARM"; },
                                            2000));
    EXPECT_EQ (shownItem (97), 2);
    EXPECT_EQ (shownText (97), "FAC3 -  WARM");

    // The upload menu keeps its texts until the next refresh.
    juce::PopupMenu::MenuItemIterator it (Access::uploadMenu (editor));
    ASSERT_TRUE (it.next() && it.next());
    EXPECT_EQ (it.getItem().text, "Upload to ALT2 -  TONEWHEEL B3_1956");

    EXPECT_TRUE (record->get().empty());
}
