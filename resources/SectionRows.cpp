#include "resources/SectionRows.h"

#include <iterator>

namespace orvane
{
const std::array<SectionInfo, numSections> sections { {
    { "Tone Generator", "tonegenerator" },
    { "Vibrato and Chorus", "vibratochorus" },
    { "Overdrive", "overdrive" },
    { "Rotary", "rotary" },
    { "Reverb", "reverb" },
    { "Additional Functions", "additional" },
} };

const std::array<SubPageButtonInfo, numSubPageButtons> subPageButtons { {
    { toneGeneratorSection, mainSubPage, 827, 2, "main" },
    { toneGeneratorSection, drawbarSubPage, 916, 2, "drawbar" },
    { overdriveSection, classicSubPage, 827, 3, "classic" },
    { overdriveSection, rockSubPage, 916, 3, "rock" },
    { rotarySection, commonSubPage, 738, 4, "common" },
    { rotarySection, classicSubPage, 827, 4, "classic" },
    { rotarySection, rockSubPage, 916, 4, "rock" },
} };

namespace
{
constexpr SectionRow heading (int section, RowPages pages, int y, const char* text)
{
    return { section, pages, RowKind::heading, text, y };
}

constexpr SectionRow slider (int section, RowPages pages, int y, const char* caption, int parameter,
                             double minimum, double maximum, double interval, const char* suffix)
{
    return { section, pages, RowKind::slider, caption, y, parameter, -1, minimum, maximum, interval, suffix };
}

// A Rotary row with one slider per CLASSIC/ROCK sub-page; the ROCK parameter lies 9 above.
constexpr SectionRow rotaryPairSlider (int y, const char* caption, int classicParameter,
                                       double minimum, double maximum, double interval, const char* suffix)
{
    auto row = slider (rotarySection, RowPages::classicRock, y, caption, classicParameter, minimum, maximum, interval, suffix);
    row.rockParameter = classicParameter + 9;
    return row;
}

template <size_t numOptions>
constexpr SectionRow selector (int section, int y, const char* caption, int width, int parameter,
                               const OptionRow (&options)[numOptions], int rockParameter = -1)
{
    return { section, RowPages::every, RowKind::selector, caption, y, parameter, rockParameter, 0, 0, 0, "",
             width, options, (int) numOptions };
}

constexpr SectionRow hiddenOnModel2 (SectionRow row)
{
    row.hiddenOnModel2 = true;
    return row;
}

constexpr SectionRow captionOnModel2 (SectionRow row, const char* caption)
{
    row.model2Caption = caption;
    return row;
}

constexpr auto tg = toneGeneratorSection;
constexpr auto vc = vibratoChorusSection;
constexpr auto rv = reverbSection;
constexpr auto af = additionalFunctionsSection;
constexpr auto onEvery = RowPages::every;
constexpr auto onMain = RowPages::main;
constexpr auto onDrawbar = RowPages::drawbar;
constexpr auto onCommon = RowPages::common;
}   // namespace

constexpr std::array<SectionRow, numSectionRows> sectionRows { {
    heading (tg, onMain, 182, "Pedals"),
    slider (tg, onMain, 230, "Pedals Level", 4, -12, 12, 0.1, " dB"),
    heading (tg, onMain, 278, "Click"),
    slider (tg, onMain, 326, "Click Level Manuals", 0, -12, 12, 0.1, " dB"),
    slider (tg, onMain, 354, "Click Level Percussion", 2, -12, 12, 0.1, " dB"),
    slider (tg, onMain, 382, "Click Level Bass", 3, -12, 12, 0.1, " dB"),
    slider (tg, onMain, 420, "Click Eq Frequency", 6, 500, 7000, 1, " Hz"),
    slider (tg, onMain, 448, "Click Eq Gain", 8, -12, 12, 0.1, " dB"),
    heading (tg, onMain, 496, "Preamp AO-28"),
    slider (tg, onMain, 544, "Tone Control Position", 5, 0, 100, 1, " %"),

    heading (tg, onDrawbar, 182, "Drawbar"),
    slider (tg, onDrawbar, 230, "Drawbar Level 16'", 76, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 258, "Drawbar Level 5 1/3'", 77, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 286, "Drawbar Level 8'", 78, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 314, "Drawbar Level 4'", 79, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 342, "Drawbar Level 2 2/3'", 80, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 370, "Drawbar Level 2'", 81, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 398, "Drawbar Level 1 3/5'", 82, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 426, "Drawbar Level 1 1/3'", 83, -6, 3, 0.1, " dB"),
    slider (tg, onDrawbar, 454, "Drawbar Level 1'", 84, -6, 3, 0.1, " dB"),

    heading (vc, onEvery, 182, "Vibrato and Chorus"),
    slider (vc, onEvery, 230, "V/C Frequency", 29, 6, 7, 0.01, " Hz"),
    slider (vc, onEvery, 258, "V/C Depth", 39, 50, 110, 1, " %"),
    slider (vc, onEvery, 286, "V/C AM", 35, 0, 100, 1, " %"),
    slider (vc, onEvery, 324, "V/C Eq Freq", 32, 200, 3000, 1, " Hz"),
    slider (vc, onEvery, 352, "V/C Eq Gain", 33, -12, 12, 0.1, " dB"),
    slider (vc, onEvery, 390, "Chorus Eq Freq", 37, 200, 3000, 1, " Hz"),
    slider (vc, onEvery, 418, "Chorus Eq Gain", 38, -12, 12, 0.1, " dB"),
    slider (vc, onEvery, 456, "Chorus Mix", 31, 50, 150, 1, " %"),
    slider (vc, onEvery, 494, "Vibrato Level", 30, -6, 6, 0.1, " dB"),
    slider (vc, onEvery, 522, "Chorus Level", 31, -6, 6, 0.1, " dB"),   // shares 31 with Chorus Mix

    heading (overdriveSection, onEvery, 182, "Overdrive"),
    selector (overdriveSection, 230, "Overdrive Model", 280, 9, overdriveModelOptions, 16),

    heading (rotarySection, onEvery, 182, "Horn"),
    slider (rotarySection, onCommon, 230, "Horn Slow Speed", 42, 30, 60, 0.1, " RPM"),
    slider (rotarySection, onCommon, 258, "Horn Fast Speed", 43, 360, 420, 0.1, " RPM"),
    slider (rotarySection, onCommon, 286, "Horn Rise Time", 45, 50, 150, 1, " %"),
    slider (rotarySection, onCommon, 314, "Horn Fall Time", 49, 50, 150, 1, " %"),
    heading (rotarySection, onEvery, 362, "Drum"),
    slider (rotarySection, onCommon, 410, "Drum Slow Speed", 50, 30, 60, 0.1, " RPM"),
    slider (rotarySection, onCommon, 438, "Drum Fast Speed", 51, 360, 420, 0.1, " RPM"),
    slider (rotarySection, onCommon, 466, "Drum Rise Time", 53, 50, 150, 1, " %"),
    slider (rotarySection, onCommon, 494, "Drum Fall Time", 57, 50, 150, 1, " %"),
    rotaryPairSlider (230, "Horn Level", 58, -12, 12, 0.1, " dB"),
    rotaryPairSlider (258, "Horn Leakage", 59, -60, 12, 0.1, " dB"),
    rotaryPairSlider (286, "Horn Color Gain", 64, -6, 6, 0.1, " dB"),
    rotaryPairSlider (314, "Horn Color Freq", 63, 1000, 4000, 1, " Hz"),
    rotaryPairSlider (410, "Drum Color Gain", 66, -6, 6, 0.1, " dB"),
    rotaryPairSlider (438, "Drum Color Freq", 65, 100, 400, 0.1, " Hz"),
    heading (rotarySection, RowPages::classicRock, 486, "Microphones"),
    rotaryPairSlider (534, "Horn Mic Angle", 60, 0, 180, 1, " deg"),
    rotaryPairSlider (562, "Drum Mic Angle", 62, 0, 180, 1, " deg"),

    heading (rv, onEvery, 182, "Hall"),
    slider (rv, onEvery, 230, "Hall Time", 23, 0.5, 4, 0.1, " sec"),
    slider (rv, onEvery, 258, "Hall Size", 25, 0, 100, 1, ""),
    slider (rv, onEvery, 286, "Hall Damp", 24, 1, 8, 0.1, " kHz"),
    heading (rv, onEvery, 334, "Spring"),
    slider (rv, onEvery, 382, "Spring Time", 26, -20, 0.5, 0.1, " x"),
    slider (rv, onEvery, 410, "Spring Size", 28, 0, 100, 1, ""),
    slider (rv, onEvery, 438, "Spring Damp", 27, 0.5, 10, 0.1, " kHz"),

    heading (af, onEvery, 182, "Functions"),
    selector (af, 230, "Tonewheel Model", 280, 97, tonewheelModelOptions),
    hiddenOnModel2 (selector (af, 268, "Gospel Set", 140, 85, offOnOptions)),
    selector (af, 296, "USB MIDI Mode", 140, 86, usbMidiModeOptions),
    hiddenOnModel2 (selector (af, 334, "Upper Layer Mode", 140, 87, offOnOptions)),
    captionOnModel2 (selector (af, 362, "Lower Layer Mode", 140, 88, offOnOptions), "Layer Mode"),
    selector (af, 390, "Pedals to Lower Mode", 140, 89, pedalsToLowerOptions),
    selector (af, 428, "Analog Input Routing", 140, 92, analogInputRoutingOptions),
    selector (af, 456, "Fx Send Routing", 140, 93, fxSendRoutingOptions),
    selector (af, 484, "Reverb Routing", 140, 94, reverbRoutingOptions),
    selector (af, 522, "Exp. Pedal Min", 140, 90, expressionPedalMinOptions),
    selector (af, 550, "Exp. Pedal to Midi Out", 140, 91, offOnOptions),
    selector (af, 578, "Hold Pedal Mode", 140, 95, holdPedalModeOptions),
    selector (af, 606, "Rotary Pedal Mode", 140, 96, rotaryPedalModeOptions),
    selector (af, 644, "Memphis Style", 140, 98, offOnOptions),
} };

namespace
{
// The member arrays of the main component are sized by pageCounts: the table must fill them
// exactly, with its sections in order.
constexpr bool tableMatchesPageCounts()
{
    std::array<PageCounts, numSections> counted {};
    int previousSection = 0;
    for (const auto& row : sectionRows)
    {
        if (row.section < previousSection || row.section >= numSections || row.caption == nullptr)
            return false;
        previousSection = row.section;
        auto& c = counted[(size_t) row.section];
        ++c.labels;
        if (row.kind == RowKind::slider)
            c.sliders += row.columns();
        if (row.kind == RowKind::selector)
            c.selectors += row.columns();
    }
    for (size_t s = 0; s < counted.size(); ++s)
        if (counted[s].labels != pageCounts[s].labels || counted[s].sliders != pageCounts[s].sliders
            || counted[s].selectors != pageCounts[s].selectors)
            return false;
    return true;
}

static_assert (tableMatchesPageCounts(), "section rows and page counts disagree");
}   // namespace
}   // namespace orvane
