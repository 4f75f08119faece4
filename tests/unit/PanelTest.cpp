// The panel as the player meets it: what each page shows, how its widgets are set up from the
// section rows, switching between pages and sub-pages, and where the keyboard focus goes.
#include "editor/MainContentComponent.h"
#include "resources/SectionRows.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <vector>

using orvane::RowKind;
using orvane::sectionRows;

struct PanelTestAccess
{
    using Panel = MainContentComponent;

    static auto& rows (Panel& p) { return p.rowWidgets; }
    static auto& header (Panel& p, int section) { return p.headerOf (section); }
    static auto subPageButtons (Panel& p) { return p.subPageButtonList(); }
    static auto& sectionButtons (Panel& p) { return p.sectionButtons; }
    static std::array<juce::ImageButton*, 6> topBar (Panel& p)
    {
        return { &p.openButton, &p.saveButton, &p.connectButton, &p.storeButton, &p.resetButton, &p.tonewheelButton };
    }
    static auto& chorusLevelSlider (Panel& p) { return p.chorusLevelSlider; }
    static auto& backdrop (Panel& p) { return p.backdrop; }
    static auto& indicator (Panel& p) { return p.connectionIndicator; }
    static auto& modelLabel (Panel& p) { return p.modelLabel; }
    static auto& firmwareLabel (Panel& p) { return p.firmwareLabel; }
    static auto& sliderLookAndFeel (Panel& p) { return p.sliderLookAndFeel; }
    static auto& currentSection (Panel& p) { return p.currentSection; }
    static auto& modelIndex (Panel& p) { return p.projectImage.modelIndex; }
    static int subPage (Panel& p, int section) { return *p.subPageField (section); }
    static auto& mainButton (Panel& p) { return p.mainButton; }
    static auto& overdriveRockButton (Panel& p) { return p.overdriveRockButton; }
    static auto& rotaryClassicButton (Panel& p) { return p.rotaryClassicButton; }
    static auto& rotaryRockButton (Panel& p) { return p.rotaryRockButton; }
    static auto& rotaryClassicRockSliders (Panel& p) { return p.rotaryClassicRockSliders; }

    static bool portOpen (Panel& p) { return p.midiInput != nullptr || p.midiOutput.isOpen(); }
    static bool timerRunning (Panel& p, int id) { return p.isTimerRunning (id); }
    static void showSection (Panel& p, int section, bool visible) { p.showSection (section, visible); }
    static void clicked (Panel& p, juce::Button* b) { p.sectionOrSubPageClicked (b); }
    static void setupComboBox (Panel& p, CustomComboBox& box, const orvane::OptionRow* items, int count)
    {
        p.setupParameterComboBox (box, 230, 140, count, items, 90);
    }
    static void setupCaption (Panel& p, juce::Label& label, const char* text) { p.setupParameterLabel (label, 230, text); }
    static juce::Image skin (const char* name) { return Panel::skinImage (name).decode(); }
};

using Access = PanelTestAccess;

namespace
{
constexpr int noSubPage = -1;

/** The pages of the panel: each section with each of its sub-page codes. */
struct Page
{
    int section;
    int code;
    const char* name;
    int controls;         // controls the player sees on it
    const char* lastId;   // parameter of its last control
};

const Page pages[] = {
    { orvane::toneGeneratorSection, orvane::mainSubPage, "Tone Generator MAIN", 7, "5" },
    { orvane::toneGeneratorSection, orvane::drawbarSubPage, "Tone Generator DRAWBAR", 9, "84" },
    { orvane::vibratoChorusSection, noSubPage, "Vibrato and Chorus", 10, "31" },
    { orvane::overdriveSection, orvane::classicSubPage, "Overdrive CLASSIC", 1, "9" },
    { orvane::overdriveSection, orvane::rockSubPage, "Overdrive ROCK", 1, "16" },
    { orvane::rotarySection, orvane::commonSubPage, "Rotary COMMON", 8, "57" },
    { orvane::rotarySection, orvane::classicSubPage, "Rotary CLASSIC", 8, "62" },
    { orvane::rotarySection, orvane::rockSubPage, "Rotary ROCK", 8, "71" },
    { orvane::reverbSection, noSubPage, "Reverb", 6, "27" },
    { orvane::additionalFunctionsSection, noSubPage, "Additional Functions", 14, "98" },
};

bool isCaptionRowOn (const orvane::SectionRow& row, const Page& page)
{
    return row.section == page.section && orvane::rowStandsOn (row.pages, page.code);
}

using orvane::test::click;

class PanelTest : public ::testing::Test
{
protected:
    std::unique_ptr<MainContentComponent> panel = std::make_unique<MainContentComponent>();

    juce::ImageButton* subPageButton (int section, int code)
    {
        const auto buttons = Access::subPageButtons (*panel);
        for (size_t b = 0; b < buttons.size(); ++b)
            if (orvane::subPageButtons[b].section == section && orvane::subPageButtons[b].code == code)
                return buttons[b];
        return nullptr;
    }

    void openPage (const Page& page)
    {
        click (Access::sectionButtons (*panel)[(size_t) page.section]);
        if (auto* button = subPageButton (page.section, page.code))
            click (*button);
    }

    /** Every widget of the six pages with whether it should show on `page`. */
    std::vector<std::pair<juce::Component*, bool>> pageWidgets (const Page& page, bool model2 = false)
    {
        std::vector<std::pair<juce::Component*, bool>> widgets;
        const auto buttons = Access::subPageButtons (*panel);
        for (size_t b = 0; b < buttons.size(); ++b)
            widgets.push_back ({ buttons[b], orvane::subPageButtons[b].section == page.section });

        for (int s = 0; s < orvane::numSections; ++s)
        {
            widgets.push_back ({ &Access::header (*panel, s).sectionIcon, s == page.section });
            widgets.push_back ({ &Access::header (*panel, s).sectionTitle, s == page.section });
        }

        for (size_t r = 0; r < sectionRows.size(); ++r)
        {
            const auto& row = sectionRows[r];
            const bool on = isCaptionRowOn (row, page) && ! (model2 && row.hiddenOnModel2);
            const auto& w = Access::rows (*panel)[r];
            widgets.push_back ({ w.label, on });
            for (int column = 0; column < row.columns() && row.hasControl(); ++column)
            {
                juce::Component* control = w.sliders[(size_t) column];
                if (control == nullptr)
                    control = w.comboBoxes[(size_t) column];
                widgets.push_back ({ control, on && orvane::visibleColumn (row, page.code) == column });
            }
        }
        return widgets;
    }

    std::vector<bool> visibilityOfAllChildren()
    {
        std::vector<bool> visible;
        for (auto* child : panel->getChildren())
            visible.push_back (child->isVisible());
        return visible;
    }

    bool isShownControl (const juce::String& id)
    {
        for (auto* child : panel->getChildren())
            if (child->isVisible() && child->getComponentID() == id)
                return true;
        return false;
    }

    static int visibleControls (const std::vector<std::pair<juce::Component*, bool>>& widgets)
    {
        int count = 0;
        for (auto [widget, expected] : widgets)
            if (widget->isVisible() && (dynamic_cast<juce::Slider*> (widget) != nullptr || dynamic_cast<juce::ComboBox*> (widget) != nullptr))
                ++count;
        return count;
    }
};
}   // namespace

//==============================================================================
TEST (SectionRows, EveryParameterWithAControlHasExactlyOneButTheChorusPair)
{
    const std::set<int> withoutControl { 1, 7, 10, 11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 22, 34, 36,
                                         40, 41, 44, 46, 47, 48, 52, 54, 55, 56, 61, 70 };
    std::map<int, int> controls;
    for (const auto& row : sectionRows)
        if (row.hasControl())
            for (int column = 0; column < row.columns(); ++column)
                ++controls[row.parameterOfColumn (column)];

    for (int p = 0; p < orvane::numParameters; ++p)
        EXPECT_EQ (controls[p], withoutControl.count (p) != 0 ? 0 : (p == 31 ? 2 : 1)) << "parameter " << p;
    EXPECT_EQ (controls.size(), (size_t) orvane::numParameters);
}

TEST (SectionRows, RowsOfOnePageNeverOverlapAndStayOnThePanel)
{
    for (const auto& page : pages)
    {
        std::set<int> ys;
        for (const auto& row : sectionRows)
        {
            if (! isCaptionRowOn (row, page))
                continue;
            EXPECT_TRUE (ys.insert (row.y).second) << page.name << ": two rows at y " << row.y;
            EXPECT_GE (row.y, 182) << page.name;
            EXPECT_LE (row.y + (row.kind == RowKind::heading ? 34 : 24), 685) << page.name << " " << row.caption;
        }
    }
}

TEST (SectionRows, SuffixesBeginWithOneBlankOrAreEmpty)
{
    for (const auto& row : sectionRows)
    {
        if (row.kind != RowKind::slider)
            continue;
        const juce::String suffix (row.suffix);
        EXPECT_TRUE (suffix.isEmpty() || (suffix[0] == ' ' && suffix[1] != ' ')) << row.caption;
        EXPECT_GT (row.interval, 0.0) << row.caption;
        EXPECT_LT (row.minimum, row.maximum) << row.caption;
    }
}

//==============================================================================
TEST_F (PanelTest, ConstructorLeavesTheLinkIdleAndTheStatusEmpty)
{
    EXPECT_FALSE (Access::portOpen (*panel));
    for (int id = searchTimer; id <= watchdogTimer; ++id)
        EXPECT_FALSE (Access::timerRunning (*panel, id)) << "timer " << id;

    EXPECT_TRUE (Access::modelLabel (*panel).getText().isEmpty());
    EXPECT_TRUE (Access::firmwareLabel (*panel).getText().isEmpty());
    EXPECT_TRUE (Access::indicator (*panel).getImage() == Access::skin ("indicator_off"));
    EXPECT_EQ (Access::indicator (*panel).getBounds(), juce::Rectangle<int> (975, 11, 35, 18));
}

TEST_F (PanelTest, StartsOnToneGeneratorMainWithEachDividedSectionOnItsFirstSubPage)
{
    EXPECT_EQ (Access::currentSection (*panel), orvane::toneGeneratorSection);
    for (int s = 0; s < orvane::numSections; ++s)
        EXPECT_EQ (Access::sectionButtons (*panel)[(size_t) s].getToggleState(), s == 0) << "section " << s;

    const std::set<std::pair<int, int>> onAtStart { { orvane::toneGeneratorSection, orvane::mainSubPage },
                                                    { orvane::overdriveSection, orvane::classicSubPage },
                                                    { orvane::rotarySection, orvane::commonSubPage } };
    for (const auto& info : orvane::subPageButtons)
        EXPECT_EQ (subPageButton (info.section, info.code)->getToggleState(), onAtStart.count ({ info.section, info.code }) == 1)
            << info.imageStem << " of section " << info.section;

    EXPECT_EQ (Access::subPage (*panel, orvane::toneGeneratorSection), orvane::mainSubPage);
    EXPECT_EQ (Access::subPage (*panel, orvane::overdriveSection), orvane::classicSubPage);
    EXPECT_EQ (Access::subPage (*panel, orvane::rotarySection), orvane::commonSubPage);

    for (auto [widget, expected] : pageWidgets (pages[0]))
        EXPECT_EQ (widget->isVisible(), expected) << widget->getComponentID() << " " << widget->getName();
}

TEST_F (PanelTest, EverySkinImageIsLoadedAndSizesItsButton)
{
    const auto& backdropImage = Access::backdrop (*panel).getImage();
    EXPECT_EQ (backdropImage.getWidth(), 1024);
    EXPECT_EQ (backdropImage.getHeight(), 748);   // drawn unscaled from the top: 685 rows show
    EXPECT_EQ (Access::backdrop (*panel).getBounds(), panel->getLocalBounds());
    EXPECT_EQ (panel->getChildComponent (0), &Access::backdrop (*panel));

    int x = 242;
    for (auto* button : Access::topBar (*panel))
    {
        EXPECT_TRUE (button->getNormalImage().isValid() && button->getOverImage().isValid() && button->getDownImage().isValid());
        EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (x, 0, 104, 78));
        EXPECT_TRUE (button->isVisible());
        x += 104;
    }
    for (int s = 0; s < orvane::numSections; ++s)
    {
        auto& button = Access::sectionButtons (*panel)[(size_t) s];
        EXPECT_TRUE (button.getNormalImage().isValid() && button.getOverImage().isValid() && button.getDownImage().isValid());
        EXPECT_EQ (button.getBounds(), juce::Rectangle<int> (0, 78 + 40 * s, 201, 40));
        EXPECT_TRUE (button.isVisible());

        const auto& icon = Access::header (*panel, s).sectionIcon;
        EXPECT_EQ (icon.getImage().getBounds(), juce::Rectangle<int> (0, 0, 88, 70)) << "icon " << s;
        EXPECT_EQ (Access::header (*panel, s).sectionTitle.getText(), juce::String (orvane::sections[(size_t) s].title));
    }
    for (const auto& info : orvane::subPageButtons)
    {
        auto* button = subPageButton (info.section, info.code);
        EXPECT_TRUE (button->getNormalImage().isValid() && button->getOverImage().isValid() && button->getDownImage().isValid());
        EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (info.x, 135, 85, 29));
        EXPECT_EQ (button->getRadioGroupId(), info.radioGroup);
    }
    // The CLASSIC and ROCK images of Overdrive and Rotary are one decoded image each.
    EXPECT_TRUE (subPageButton (orvane::overdriveSection, orvane::rockSubPage)->getNormalImage()
                 == subPageButton (orvane::rotarySection, orvane::rockSubPage)->getNormalImage());
}

TEST_F (PanelTest, EachPageShowsExactlyItsWidgets)
{
    for (const auto& page : pages)
    {
        openPage (page);
        EXPECT_EQ (Access::currentSection (*panel), page.section) << page.name;

        const auto widgets = pageWidgets (page);
        for (auto [widget, expected] : widgets)
            EXPECT_EQ (widget->isVisible(), expected) << page.name << ": widget " << widget->getComponentID();
        EXPECT_EQ (visibleControls (widgets), page.controls) << page.name;
        EXPECT_TRUE (isShownControl (page.lastId)) << page.name << ": no control " << page.lastId;

        for (auto* button : Access::topBar (*panel))
            EXPECT_TRUE (button->isVisible());
        for (auto& button : Access::sectionButtons (*panel))
            EXPECT_TRUE (button.isVisible());
    }
}

TEST_F (PanelTest, EachSectionReopensOnTheSubPageLastChosenInIt)
{
    openPage (pages[4]);
    openPage (pages[8]);
    click (Access::sectionButtons (*panel)[orvane::overdriveSection]);

    EXPECT_TRUE (Access::overdriveRockButton (*panel).getToggleState());
    const auto* selector = panel->findChildWithID ("16");
    ASSERT_NE (selector, nullptr);
    EXPECT_TRUE (selector->isVisible());
    EXPECT_FALSE (panel->findChildWithID ("9")->isVisible());
}

TEST_F (PanelTest, RotaryClassicAndRockShareCaptionsOverTheirOwnSliders)
{
    click (Access::sectionButtons (*panel)[orvane::rotarySection]);
    click (Access::rotaryClassicButton (*panel));
    std::vector<juce::Component*> classicCaptions;
    for (auto* child : panel->getChildren())
        if (child->isVisible() && dynamic_cast<juce::Label*> (child) != nullptr)
            classicCaptions.push_back (child);

    click (Access::rotaryRockButton (*panel));
    std::vector<juce::Component*> rockCaptions;
    for (auto* child : panel->getChildren())
        if (child->isVisible() && dynamic_cast<juce::Label*> (child) != nullptr)
            rockCaptions.push_back (child);
    EXPECT_EQ (classicCaptions, rockCaptions);

    const int classic[] = { 58, 59, 64, 63, 66, 65, 60, 62 };
    auto& sliders = Access::rotaryClassicRockSliders (*panel);
    for (size_t row = 0; row < sliders.size(); ++row)
    {
        EXPECT_EQ (sliders[row][0].getComponentID(), juce::String (classic[row]));
        EXPECT_EQ (sliders[row][1].getComponentID(), juce::String (classic[row] + 9));
        EXPECT_FALSE (sliders[row][0].isVisible());
        EXPECT_TRUE (sliders[row][1].isVisible());
    }
}

TEST_F (PanelTest, SectionsOutsideTheColumnAndOtherButtonsChangeNothing)
{
    openPage (pages[5]);   // Rotary COMMON
    const auto before = visibilityOfAllChildren();

    for (int section : { 6, -1, 7, INT_MIN, INT_MAX })
        for (bool visible : { true, false })
            Access::showSection (*panel, section, visible);

    // Clicked as the player clicks them, the top-bar buttons that end at once without an organ
    // (OPEN, SAVE and CONNECT open a file dialog or start a search) switch back and leave the page.
    const auto topBar = Access::topBar (*panel);
    for (size_t b : { 3, 4, 5 })   // STORE, RESET, TONEWHEEL
    {
        click (*topBar[b]);
        EXPECT_FALSE (topBar[b]->getToggleState()) << "top-bar button " << b;
    }
    Access::clicked (*panel, nullptr);

    EXPECT_EQ (visibilityOfAllChildren(), before);
    EXPECT_EQ (Access::currentSection (*panel), orvane::rotarySection);
}

TEST_F (PanelTest, TheModel2OrganHasNoGospelSetNorUpperLayerModeAndALayerMode)
{
    const Page functions = pages[9];
    juce::Label* layerCaption = nullptr;
    for (size_t r = 0; r < sectionRows.size(); ++r)
        if (sectionRows[r].hasControl() && sectionRows[r].parameter == 88)
            layerCaption = Access::rows (*panel)[r].label;
    ASSERT_NE (layerCaption, nullptr);

    Access::modelIndex (*panel) = 2;
    openPage (functions);
    auto widgets = pageWidgets (functions, true);
    for (auto [widget, expected] : widgets)
        EXPECT_EQ (widget->isVisible(), expected) << widget->getComponentID();
    EXPECT_EQ (visibleControls (widgets), 12);
    EXPECT_FALSE (panel->findChildWithID ("85")->isVisible());
    EXPECT_FALSE (panel->findChildWithID ("87")->isVisible());
    EXPECT_EQ (panel->findChildWithID ("86")->getY(), 296);   // the gaps stay
    EXPECT_EQ (layerCaption->getText(), "Layer Mode");

    // Another model: the caption comes back as soon as the page is next hidden.
    Access::modelIndex (*panel) = 1;
    click (Access::sectionButtons (*panel)[orvane::reverbSection]);
    EXPECT_EQ (layerCaption->getText(), "Lower Layer Mode");
    openPage (functions);
    EXPECT_EQ (visibleControls (pageWidgets (functions)), 14);
}

//==============================================================================
TEST_F (PanelTest, EverySliderAndSelectorIsSetUpFromItsRow)
{
    for (size_t r = 0; r < sectionRows.size(); ++r)
    {
        const auto& row = sectionRows[r];
        const auto& w = Access::rows (*panel)[r];
        for (int column = 0; column < row.columns() && row.hasControl(); ++column)
        {
            const juce::String id (row.parameterOfColumn (column));
            if (row.kind == RowKind::slider)
            {
                const auto* slider = w.sliders[(size_t) column];
                ASSERT_NE (slider, nullptr) << row.caption;
                EXPECT_EQ (slider->getComponentID(), id) << row.caption;
                EXPECT_EQ (slider->getBounds(), juce::Rectangle<int> (431, row.y, 579, 24)) << row.caption;
                EXPECT_EQ (slider->getSliderStyle(), juce::Slider::LinearBar) << row.caption;
                EXPECT_EQ (slider->getRange(), juce::Range<double> (row.minimum, row.maximum)) << row.caption;
                EXPECT_EQ (slider->getInterval(), row.interval) << row.caption;
                EXPECT_EQ (slider->getTextValueSuffix(), juce::String (row.suffix)) << row.caption;
                EXPECT_EQ (&slider->getLookAndFeel(), &Access::sliderLookAndFeel (*panel)) << row.caption;
                EXPECT_TRUE (slider->isDoubleClickReturnEnabled()) << row.caption;
                EXPECT_FALSE (slider->getWantsKeyboardFocus()) << row.caption;
            }
            else
            {
                auto* box = w.comboBoxes[(size_t) column];
                ASSERT_NE (box, nullptr) << row.caption;
                EXPECT_EQ (box->getComponentID(), id) << row.caption;
                EXPECT_EQ (box->getBounds(), juce::Rectangle<int> (431, row.y, row.width, 24)) << row.caption;
                EXPECT_FALSE (box->isTextEditable());
                EXPECT_TRUE (box->getWantsKeyboardFocus());
                ASSERT_EQ (box->getNumItems(), row.optionCount) << row.caption;
                for (int i = 0; i < row.optionCount; ++i)
                {
                    EXPECT_EQ (box->getItemId (i), i + 1) << row.caption;
                    if (row.parameter != 97)   // the Tonewheel Model items carry the slot names
                    {
                        EXPECT_EQ (box->getItemText (i), juce::String (row.options[i])) << row.caption;
                    }
                }

                auto* look = dynamic_cast<CBLookAndFeel*> (&box->getLookAndFeel());
                ASSERT_NE (look, nullptr);
                EXPECT_EQ (look->comboBoxFont, juce::Font ("Arial", 15.0f, juce::Font::plain));
                EXPECT_EQ (look->popupMenuFont, juce::Font ("Arial", 15.0f, juce::Font::plain));
                EXPECT_EQ (look->findColour (juce::PopupMenu::highlightedBackgroundColourId), juce::Colour (0xFF7BB9F8));
            }
        }
    }
}

// The catalogue of the pages written out here, every row of every page, apart from the section
// rows, so that a wrong y, caption, parameter, range, step, suffix, double-click value, width or
// item list in those rows shows. Each page is opened by its buttons and searched among the shown widgets.
TEST_F (PanelTest, ShownControlsMatchTheCatalogue)
{
    struct SliderCase
    {
        int page, y;
        const char* caption;
        const char* id;
        double minimum, maximum, step;
        const char* suffix;
        double doubleClick;
    };
    const SliderCase sliders[] = {
        { 0, 230, "Pedals Level", "4", -12, 12, 0.1, " dB", 6 },
        { 0, 326, "Click Level Manuals", "0", -12, 12, 0.1, " dB", 0 },
        { 0, 354, "Click Level Percussion", "2", -12, 12, 0.1, " dB", -0.915 },
        { 0, 382, "Click Level Bass", "3", -12, 12, 0.1, " dB", -10.458 },
        { 0, 420, "Click Eq Frequency", "6", 500, 7000, 1, " Hz", 2500 },
        { 0, 448, "Click Eq Gain", "8", -12, 12, 0.1, " dB", 0 },
        { 0, 544, "Tone Control Position", "5", 0, 100, 1, " %", 100 },
        { 1, 230, "Drawbar Level 16'", "76", -6, 3, 0.1, " dB", 0 },
        { 1, 258, "Drawbar Level 5 1/3'", "77", -6, 3, 0.1, " dB", 0 },
        { 1, 286, "Drawbar Level 8'", "78", -6, 3, 0.1, " dB", 0 },
        { 1, 314, "Drawbar Level 4'", "79", -6, 3, 0.1, " dB", 0 },
        { 1, 342, "Drawbar Level 2 2/3'", "80", -6, 3, 0.1, " dB", 0 },
        { 1, 370, "Drawbar Level 2'", "81", -6, 3, 0.1, " dB", 0 },
        { 1, 398, "Drawbar Level 1 3/5'", "82", -6, 3, 0.1, " dB", 0 },
        { 1, 426, "Drawbar Level 1 1/3'", "83", -6, 3, 0.1, " dB", 0 },
        { 1, 454, "Drawbar Level 1'", "84", -6, 3, 0.1, " dB", 0 },
        { 2, 230, "V/C Frequency", "29", 6, 7, 0.01, " Hz", 6.857 },
        { 2, 258, "V/C Depth", "39", 50, 110, 1, " %", 100 },
        { 2, 286, "V/C AM", "35", 0, 100, 1, " %", 15 },
        { 2, 324, "V/C Eq Freq", "32", 200, 3000, 1, " Hz", 1600 },
        { 2, 352, "V/C Eq Gain", "33", -12, 12, 0.1, " dB", 0 },
        { 2, 390, "Chorus Eq Freq", "37", 200, 3000, 1, " Hz", 1730 },
        { 2, 418, "Chorus Eq Gain", "38", -12, 12, 0.1, " dB", 8 },
        { 2, 456, "Chorus Mix", "31", 50, 150, 1, " %", 100 },
        { 2, 494, "Vibrato Level", "30", -6, 6, 0.1, " dB", 0 },
        { 2, 522, "Chorus Level", "31", -6, 6, 0.1, " dB", 0 },
        { 5, 230, "Horn Slow Speed", "42", 30, 60, 0.1, " RPM", 45 },
        { 5, 258, "Horn Fast Speed", "43", 360, 420, 0.1, " RPM", 400 },
        { 5, 286, "Horn Rise Time", "45", 50, 150, 1, " %", 100 },
        { 5, 314, "Horn Fall Time", "49", 50, 150, 1, " %", 100 },
        { 5, 410, "Drum Slow Speed", "50", 30, 60, 0.1, " RPM", 40 },
        { 5, 438, "Drum Fast Speed", "51", 360, 420, 0.1, " RPM", 380 },
        { 5, 466, "Drum Rise Time", "53", 50, 150, 1, " %", 100 },
        { 5, 494, "Drum Fall Time", "57", 50, 150, 1, " %", 100 },
        { 6, 230, "Horn Level", "58", -12, 12, 0.1, " dB", -5.2 },
        { 7, 230, "Horn Level", "67", -12, 12, 0.1, " dB", -3 },
        { 6, 258, "Horn Leakage", "59", -60, 12, 0.1, " dB", 0.2 },
        { 7, 258, "Horn Leakage", "68", -60, 12, 0.1, " dB", -3 },
        { 6, 286, "Horn Color Gain", "64", -6, 6, 0.1, " dB", 0 },
        { 7, 286, "Horn Color Gain", "73", -6, 6, 0.1, " dB", 0 },
        { 6, 314, "Horn Color Freq", "63", 1000, 4000, 1, " Hz", 2000 },
        { 7, 314, "Horn Color Freq", "72", 1000, 4000, 1, " Hz", 2000 },
        { 6, 410, "Drum Color Gain", "66", -6, 6, 0.1, " dB", 0 },
        { 7, 410, "Drum Color Gain", "75", -6, 6, 0.1, " dB", 0 },
        { 6, 438, "Drum Color Freq", "65", 100, 400, 0.1, " Hz", 250 },
        { 7, 438, "Drum Color Freq", "74", 100, 400, 0.1, " Hz", 250 },
        { 6, 534, "Horn Mic Angle", "60", 0, 180, 1, " deg", 90 },
        { 7, 534, "Horn Mic Angle", "69", 0, 180, 1, " deg", 0 },
        { 6, 562, "Drum Mic Angle", "62", 0, 180, 1, " deg", 45 },
        { 7, 562, "Drum Mic Angle", "71", 0, 180, 1, " deg", 0 },
        { 8, 230, "Hall Time", "23", 0.5, 4, 0.1, " sec", 2.2 },
        { 8, 258, "Hall Size", "25", 0, 100, 1, "", 90 },
        { 8, 286, "Hall Damp", "24", 1, 8, 0.1, " kHz", 4 },
        { 8, 382, "Spring Time", "26", -20, 0.5, 0.1, " x", 0 },
        { 8, 410, "Spring Size", "28", 0, 100, 1, "", 80 },
        { 8, 438, "Spring Damp", "27", 0.5, 10, 0.1, " kHz", 5.52 },
    };

    struct SelectorCase
    {
        int page, y;
        const char* caption;
        const char* id;
        int width;
        std::vector<const char*> items;   // the Tonewheel Model items carry the slot names
    };
    const SelectorCase selectors[] = {
        { 3, 230, "Overdrive Model", "9", 280, { "STANDARD CLASSIC", "STANDARD ROCK", "NRS CLASSIC", "NRS ROCK", "CLASSIC 1.2", "ROCK 1.2", "ANALOG", "CRUNCH" } },
        { 4, 230, "Overdrive Model", "16", 280, { "STANDARD CLASSIC", "STANDARD ROCK", "NRS CLASSIC", "NRS ROCK", "CLASSIC 1.2", "ROCK 1.2", "ANALOG", "CRUNCH" } },
        { 9, 230, "Tonewheel Model", "97", 280, { "FAC1 -  TONEWHEEL '30", "FAC2 -  TONEWHEEL '50", "FAC3 -  TONEWHEEL '70", "ALT1 -  TONEWHEEL BC_1936", "ALT2 -  TONEWHEEL B3_1956", "ALT3 -  TONEWHEEL A100_1961" } },
        { 9, 268, "Gospel Set", "85", 140, { "OFF", "ON" } },
        { 9, 296, "USB MIDI Mode", "86", 140, { "EXPANDER", "SEQUENCER" } },
        { 9, 334, "Upper Layer Mode", "87", 140, { "OFF", "ON" } },
        { 9, 362, "Lower Layer Mode", "88", 140, { "OFF", "ON" } },
        { 9, 390, "Pedals to Lower Mode", "89", 140, { "SPLIT", "LAYER" } },
        { 9, 428, "Analog Input Routing", "92", 140, { "PRE EFX", "POST EFX" } },
        { 9, 456, "Fx Send Routing", "93", 140, { "WHOLE ORGAN", "UPPER MANUAL" } },
        { 9, 484, "Reverb Routing", "94", 140, { "POST ROTARY", "PRE ROTARY" } },
        { 9, 522, "Exp. Pedal Min", "90", 140, { "MUTE", "NORMAL" } },
        { 9, 550, "Exp. Pedal to Midi Out", "91", 140, { "OFF", "ON" } },
        { 9, 578, "Hold Pedal Mode", "95", 140, { "INT & EXT", "EXTERNAL" } },
        { 9, 606, "Rotary Pedal Mode", "96", 140, { "TOGGLE", "MOMENTARY" } },
        { 9, 644, "Memphis Style", "98", 140, { "OFF", "ON" } },
    };

    struct HeadingCase
    {
        int page, y;
        const char* text;
    };
    const HeadingCase headings[] = {
        { 0, 182, "Pedals" },
        { 0, 278, "Click" },
        { 0, 496, "Preamp AO-28" },
        { 1, 182, "Drawbar" },
        { 2, 182, "Vibrato and Chorus" },
        { 3, 182, "Overdrive" },
        { 4, 182, "Overdrive" },
        { 5, 182, "Horn" },
        { 5, 362, "Drum" },
        { 6, 182, "Horn" },
        { 7, 182, "Horn" },
        { 6, 362, "Drum" },
        { 7, 362, "Drum" },
        { 6, 486, "Microphones" },
        { 7, 486, "Microphones" },
        { 8, 182, "Hall" },
        { 8, 334, "Spring" },
        { 9, 182, "Functions" },
    };

    const auto shownAt = [this] (juce::Rectangle<int> bounds, const char* id) -> juce::Component*
    {
        for (auto* child : panel->getChildren())
            if (child->isVisible() && child->getBounds() == bounds && (id == nullptr || child->getComponentID() == id))
                return child;
        return nullptr;
    };
    const auto captionAt = [&] (int y) -> juce::String
    {
        auto* caption = dynamic_cast<juce::Label*> (shownAt ({ 251, y, 160, 24 }, nullptr));
        return caption != nullptr ? caption->getText() : "(no caption)";
    };

    for (const auto& c : sliders)
    {
        openPage (pages[c.page]);
        const auto where = juce::String (pages[c.page].name) + ", y " + juce::String (c.y);
        EXPECT_EQ (captionAt (c.y), c.caption) << where;
        auto* slider = dynamic_cast<juce::Slider*> (shownAt ({ 431, c.y, 579, 24 }, c.id));
        ASSERT_NE (slider, nullptr) << where << ": no slider " << c.id;
        EXPECT_EQ (slider->getMinimum(), c.minimum) << where;
        EXPECT_EQ (slider->getMaximum(), c.maximum) << where;
        EXPECT_DOUBLE_EQ (slider->getInterval(), c.step) << where;
        EXPECT_EQ (slider->getTextValueSuffix(), c.suffix) << where;
        EXPECT_NEAR (slider->getDoubleClickReturnValue(), c.doubleClick, 0.0005) << where;
    }

    for (const auto& c : selectors)
    {
        openPage (pages[c.page]);
        const auto where = juce::String (pages[c.page].name) + ", y " + juce::String (c.y);
        EXPECT_EQ (captionAt (c.y), c.caption) << where;
        auto* box = dynamic_cast<juce::ComboBox*> (shownAt ({ 431, c.y, c.width, 24 }, c.id));
        ASSERT_NE (box, nullptr) << where << ": no selector " << c.id << " " << c.width << " wide";
        ASSERT_EQ (box->getNumItems(), (int) c.items.size()) << where;
        for (int i = 0; i < box->getNumItems(); ++i)
            EXPECT_EQ (box->getItemText (i), c.items[(size_t) i]) << where << ", item " << i;
    }

    for (const auto& c : headings)
    {
        openPage (pages[c.page]);
        auto* heading = dynamic_cast<juce::Label*> (shownAt ({ 231, c.y, 779, 34 }, nullptr));
        ASSERT_NE (heading, nullptr) << pages[c.page].name << ": no heading at y " << c.y;
        EXPECT_EQ (heading->getText(), c.text) << pages[c.page].name;
    }
}

TEST_F (PanelTest, CaptionsAndHeadingsStandOnTheirRows)
{
    for (size_t r = 0; r < sectionRows.size(); ++r)
    {
        const auto& row = sectionRows[r];
        const auto* label = Access::rows (*panel)[r].label;
        ASSERT_NE (label, nullptr);
        if (row.model2Caption == nullptr)
        {
            EXPECT_EQ (label->getText(), juce::String (row.caption));
        }
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xFF2D2D2D)) << row.caption;
        if (row.kind == RowKind::heading)
        {
            EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (231, row.y, 779, 34)) << row.caption;
            EXPECT_EQ (label->getFont(), juce::Font ("Arial", 18.0f, juce::Font::bold)) << row.caption;
            EXPECT_EQ (label->getBorderSize(), juce::BorderSize<int> (0, 15, 0, 0)) << row.caption;
            EXPECT_EQ (label->findColour (juce::Label::backgroundColourId), juce::Colour (0xFFF8F8F8));
        }
        else
        {
            EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (251, row.y, 160, 24)) << row.caption;
            EXPECT_EQ (label->getFont(), juce::Font ("Arial", 16.0f, juce::Font::plain)) << row.caption;
        }
    }
}

TEST_F (PanelTest, AnEmptyOptionRowLeavesItsIdOutAndTextsAreLatin1)
{
    const orvane::OptionRow options[] = { "FIRST", "", "THIRD" };
    CustomComboBox box;
    Access::setupComboBox (*panel, box, options, 3);
    ASSERT_EQ (box.getNumItems(), 2);
    EXPECT_EQ (box.getItemId (0), 1);
    EXPECT_EQ (box.getItemId (1), 3);
    EXPECT_EQ (box.getItemText (1), "THIRD");

    juce::Label caption;
    Access::setupCaption (*panel, caption, "Caf\xe9");
    EXPECT_EQ (caption.getText(), juce::String (juce::CharPointer_UTF8 ("Caf\xc3\xa9")));
    Access::setupCaption (*panel, caption, nullptr);
    EXPECT_TRUE (caption.getText().isEmpty());

    panel->removeChildComponent (&box);
    panel->removeChildComponent (&caption);
}

TEST_F (PanelTest, ChorusLevelReturnsToZeroOnADoubleClick)
{
    auto& slider = Access::chorusLevelSlider (*panel);
    EXPECT_EQ (slider.getComponentID(), "31");
    for (const double movedTo : { 3.0, -6.0 })
    {
        slider.setValue (movedTo, juce::dontSendNotification);
        const auto centre = slider.getLocalBounds().getCentre().toFloat();
        const auto now = juce::Time::getCurrentTime();
        slider.mouseDoubleClick (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), centre, {},
                                                   juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                                                   juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                                                   juce::MouseInputSource::defaultTiltY, &slider, &slider, now, centre, now, 2, false));
        EXPECT_EQ (slider.getValue(), 0.0) << "from " << movedTo;
    }
}

TEST_F (PanelTest, DoubleClickReturnsEachSliderToItsFactoryValueOnItsStep)
{
    // Factory row 0 as the sliders show it, snapped to each slider's step; keyed by parameter
    // (31: Chorus Mix; Chorus Level returns to 0).
    const std::map<int, double> expected {
        { 4, 6 },
        { 0, 0 },
        { 2, -0.9 },
        { 3, -10.5 },
        { 6, 2500 },
        { 8, 0 },
        { 5, 100 },
        { 76, 0 },
        { 77, 0 },
        { 78, 0 },
        { 79, 0 },
        { 80, 0 },
        { 81, 0 },
        { 82, 0 },
        { 83, 0 },
        { 84, 0 },
        { 29, 6.86 },
        { 39, 100 },
        { 35, 15 },
        { 32, 1600 },
        { 33, 0 },
        { 37, 1730 },
        { 38, 8 },
        { 31, 100 },
        { 30, 0 },
        { 42, 45 },
        { 43, 400 },
        { 45, 100 },
        { 49, 100 },
        { 50, 40 },
        { 51, 380 },
        { 53, 100 },
        { 57, 100 },
        { 58, -5.2 },
        { 59, 0.2 },
        { 64, 0 },
        { 63, 2000 },
        { 66, 0 },
        { 65, 250 },
        { 60, 90 },
        { 62, 45 },
        { 67, -3 },
        { 68, -3 },
        { 73, 0 },
        { 72, 2000 },
        { 75, 0 },
        { 74, 250 },
        { 69, 0 },
        { 71, 0 },
        { 23, 2.2 },
        { 25, 90 },
        { 24, 4 },
        { 26, 0 },
        { 28, 80 },
        { 27, 5.5 },
    };

    auto source = juce::Desktop::getInstance().getMainMouseSource();
    for (size_t r = 0; r < sectionRows.size(); ++r)
    {
        const auto& row = sectionRows[r];
        for (int column = 0; column < row.columns() && row.kind == RowKind::slider; ++column)
        {
            auto* slider = Access::rows (*panel)[r].sliders[(size_t) column];
            const int parameter = row.parameterOfColumn (column);
            const double want = slider == &Access::chorusLevelSlider (*panel) ? 0.0 : expected.at (parameter);

            slider->setValue (row.maximum, juce::dontSendNotification);
            const juce::MouseEvent doubleClick (source, { 10.0f, 10.0f }, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                                slider, slider, juce::Time::getCurrentTime(), { 10.0f, 10.0f },
                                                juce::Time::getCurrentTime(), 2, false);
            slider->mouseDoubleClick (doubleClick);
            EXPECT_NEAR (slider->getValue(), want, 1e-9) << row.caption << " (" << parameter << ")";
        }
    }
}

//==============================================================================
/** The panel in a window on the screen, where keyboard focus is real. */
class PanelOnScreenTest : public PanelTest
{
protected:
    juce::DocumentWindow window { "Panel", juce::Colours::white, 0, true };

    void SetUp() override { orvane::test::showFocused (window, *panel); }

    void TearDown() override { window.clearContentComponent(); }

    /** A key as the window receives it from the system. */
    void press (int keyCode) { window.getPeer()->handleKeyPress (juce::KeyPress (keyCode)); }

    /** The focused component once the focus has settled: the window system may hand the focus
        back to the window a little after the click that asked for it. */
    static juce::Component* focusedAfterRequest (juce::Component* expected)
    {
        orvane::test::runMessageLoopUntil ([expected]
                                           { return juce::Component::getCurrentlyFocusedComponent() == expected; },
                                           2000);
        return juce::Component::getCurrentlyFocusedComponent();
    }
};

TEST_F (PanelOnScreenTest, TheLastSelectorOfAPageTakesTheArrowKeys)
{
    // The pages that end on a selector: Overdrive CLASSIC and ROCK, Additional Functions.
    for (const auto& page : { pages[3], pages[4], pages[9] })
    {
        openPage (page);
        auto* box = dynamic_cast<juce::ComboBox*> (panel->findChildWithID (page.lastId));
        ASSERT_NE (box, nullptr);
        ASSERT_EQ (focusedAfterRequest (box), box) << page.name;

        const int before = box->getSelectedItemIndex();
        press (before + 1 < box->getNumItems() ? juce::KeyPress::downKey : juce::KeyPress::upKey);
        EXPECT_NE (box->getSelectedItemIndex(), before) << page.name;
    }
}

TEST_F (PanelOnScreenTest, ButtonsLeaveTheFocusWhereItWas)
{
    openPage (pages[9]);
    auto* memphis = panel->findChildWithID ("98");
    ASSERT_EQ (focusedAfterRequest (memphis), memphis);

    // Pressing the section button that is on shows the page again and asks for the focus again.
    // Focus events the window system still has on their way land first, so that none of them
    // moves the focus after the click.
    orvane::test::runMessageLoopFor (300);
    juce::Component::unfocusAllComponents();
    click (Access::sectionButtons (*panel)[orvane::additionalFunctionsSection]);
    EXPECT_EQ (focusedAfterRequest (memphis), memphis);

    for (auto* button : Access::topBar (*panel))
        EXPECT_FALSE (button->getWantsKeyboardFocus());
    for (auto& button : Access::sectionButtons (*panel))
        EXPECT_FALSE (button.getWantsKeyboardFocus());
    for (auto* button : Access::subPageButtons (*panel))
        EXPECT_FALSE (button->getWantsKeyboardFocus());
}
