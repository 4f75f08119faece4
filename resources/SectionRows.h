#pragma once

#include "resources/OptionLists.h"

#include <array>
#include <cstdint>

namespace orvane
{
/** The six sections of the panel, in the order of the left column (= currentSection). */
enum Section
{
    toneGeneratorSection = 0,
    vibratoChorusSection = 1,
    overdriveSection = 2,
    rotarySection = 3,
    reverbSection = 4,
    additionalFunctionsSection = 5,
    numSections = 6
};

/** Sub-page codes as the section fields hold them. CLASSIC and ROCK are also the column of
    the controls that a row has once per sub-page. */
enum SubPageCode
{
    classicSubPage = 0,
    rockSubPage = 1,
    commonSubPage = 2,
    mainSubPage = 3,
    drawbarSubPage = 4
};

/** Title and skin-image stem of one section. */
struct SectionInfo
{
    const char* title;
    const char* imageStem;   // "section_<stem>_..." buttons and "icon_<stem>"
};

extern const std::array<SectionInfo, numSections> sections;

/** One sub-page button, in construction order. */
struct SubPageButtonInfo
{
    int section;
    int code;
    int x;
    int radioGroup;
    const char* imageStem;   // "subpage_<stem>_..."
};

constexpr int numSubPageButtons = 7;
extern const std::array<SubPageButtonInfo, numSubPageButtons> subPageButtons;

enum class RowKind : uint8_t
{
    heading,
    slider,
    selector
};

/** The sub-pages of its section on which a row stands. */
enum class RowPages : uint8_t
{
    every,        // every page of its section
    main,         // Tone Generator MAIN
    drawbar,      // Tone Generator, any code but MAIN
    common,       // Rotary COMMON
    classicRock   // Rotary, any code but COMMON
};

/** One row of a section page: a group heading, or a caption with its control. A row with a
    rockParameter has two controls on one caption, one per CLASSIC/ROCK sub-page (column 0
    CLASSIC with `parameter`, column 1 ROCK with `rockParameter`); only the column of the
    current sub-page shows. */
struct SectionRow
{
    int section;
    RowPages pages;
    RowKind kind;
    const char* caption;
    int y;
    int parameter = -1;   // -1 for a heading
    int rockParameter = -1;
    double minimum = 0, maximum = 0, interval = 0;
    const char* suffix = "";   // text after a slider's value, with its leading blank
    int width = 0;             // selectors: 140 or 280
    const OptionRow* options = nullptr;
    int optionCount = 0;
    bool hiddenOnModel2 = false;           // row left out on the model-2 organ
    const char* model2Caption = nullptr;   // caption on the model-2 organ, when it differs

    constexpr int columns() const { return rockParameter >= 0 ? 2 : 1; }
    constexpr int parameterOfColumn (int column) const { return column == 1 ? rockParameter : parameter; }
    constexpr bool hasControl() const { return kind != RowKind::heading; }
};

/** Every heading and caption row of the six pages, by section, in the order they are built
    (within a section: the rows of each sub-page in screen order, the Tone Generator's DRAWBAR
    rows after its MAIN rows, the Rotary CLASSIC/ROCK rows after its COMMON rows). */
constexpr int numSectionRows = 75;
extern const std::array<SectionRow, numSectionRows> sectionRows;

/** Whether a row of its section stands on the page of sub-page code `code`. */
constexpr bool rowStandsOn (RowPages pages, int code)
{
    switch (pages)
    {
        case RowPages::main: return code == mainSubPage;
        case RowPages::drawbar: return code != mainSubPage;
        case RowPages::common: return code == commonSubPage;
        case RowPages::classicRock: return code != commonSubPage;
        case RowPages::every: break;
    }
    return true;
}

/** The column of a row's control that shows on sub-page `code`: 0 for a row with one control;
    the code itself (CLASSIC 0, ROCK 1) for a row with one per sub-page; -1 for none. */
constexpr int visibleColumn (const SectionRow& row, int code)
{
    if (row.columns() == 1)
        return 0;
    return (code == classicSubPage || code == rockSubPage) ? code : -1;
}

/** Widgets of each section page, as the rows give them (the member arrays are sized by these). */
struct PageCounts
{
    int labels;    // headings and captions
    int sliders;   // controls of slider rows, both columns counted
    int selectors;
};

constexpr std::array<PageCounts, numSections> pageCounts { {
    { 20, 16, 0 },   // Tone Generator: 4 headings, 16 captions
    { 11, 10, 0 },   // Vibrato and Chorus
    { 2, 0, 2 },     // Overdrive: one caption over the CLASSIC and ROCK selectors
    { 19, 24, 0 },   // Rotary: 8 COMMON sliders, 8 x 2 CLASSIC/ROCK sliders
    { 8, 6, 0 },     // Reverb
    { 15, 0, 14 },   // Additional Functions
} };
}   // namespace orvane
