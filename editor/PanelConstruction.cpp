// The constructor: the panel is built once, in a fixed order, and never laid out again.
#include "editor/MainContentComponent.h"

#include "editor/PanelColours.h"
#include "resources/OrganTables.h"
#include "SkinData.h"

using orvane::RowKind;
using orvane::sectionRows;
using namespace orvane::panel;

namespace
{
const char* const topBarImageStems[] = { "open", "save", "connect", "store", "reset", "tonewheel" };
}   // namespace

MainContentComponent::MainContentComponent()
    : midiPorts (orvane::createMidiPortsFromEnvironment())
{
    bindRowWidgets();

    readSettings();
    projectImage.setToFactoryState();

    lastDirectory = juce::File::getSpecialLocation (juce::File::currentApplicationFile).getParentDirectory();

    setSize (1024, 685);

    currentSection = orvane::toneGeneratorSection;
    overdriveSubPage = orvane::classicSubPage;
    rotarySubPage = orvane::commonSubPage;
    toneGeneratorSubPage = orvane::mainSubPage;

    for (int slot = 0; slot < orvane::numSlots; ++slot)
        tonewheelSlotNames[(size_t) slot] = juce::String (orvane::slotNamePrefixes[slot]) + orvane::factorySlotNames[slot];

    sliderLookAndFeel.setColour (juce::Slider::backgroundColourId, fieldColour);
    sliderLookAndFeel.setColour (juce::Slider::thumbColourId, accentColour);
    sliderLookAndFeel.setColour (juce::Slider::textBoxOutlineColourId, outlineColour);
    sliderLookAndFeel.setColour (juce::Slider::textBoxHighlightColourId, accentColour);
    sliderLookAndFeel.setColour (juce::Label::outlineWhenEditingColourId, accentColour);

    backdrop.setBounds (0, 0, 1024, 685);
    // Drawn at its own size from the top: the image's last 63 rows lie below the panel.
    backdrop.setImage (skinImage ("backdrop").decode(), juce::RectanglePlacement::doNotResize | juce::RectanglePlacement::yTop);
    addAndMakeVisible (backdrop);

    buildTopBar();
    buildSectionColumn();
    buildSectionPages();

    popupLookAndFeel.popupMenuFont = juce::Font ("Arial", 15.0f, juce::Font::plain);
    popupLookAndFeel.setColour (juce::PopupMenu::backgroundColourId, listColour);
    popupLookAndFeel.setColour (juce::PopupMenu::highlightedBackgroundColourId, accentColour);
    uploadMenu.setLookAndFeel (&popupLookAndFeel);

    // Each divided section opens on its first sub-page.
    mainButton.setToggleState (true, juce::dontSendNotification);
    overdriveClassicButton.setToggleState (true, juce::dontSendNotification);
    rotaryCommonButton.setToggleState (true, juce::dontSendNotification);

    updateAllControls();

    // The section branch of buttonClicked makes section 0 current and shows its page.
    sectionButtons[orvane::toneGeneratorSection].setToggleState (true, juce::sendNotification);
}

MainContentComponent::SkinImage MainContentComponent::skinImage (const juce::String& name)
{
    int size = 0;
    const char* data = SkinData::getNamedResource ((name + "_png").toRawUTF8(), size);
    return { data, size };
}

void MainContentComponent::buildTopBar()
{
    juce::ImageButton* const buttons[] = { &openButton, &saveButton, &connectButton,
                                           &storeButton, &resetButton, &tonewheelButton };
    for (size_t i = 0; i < std::size (buttons); ++i)
    {
        const juce::String stem = juce::String ("topbar_") + topBarImageStems[i];
        setupTopBarButton (*buttons[i], 242 + 104 * (int) i,
                           skinImage (stem + "_normal"), skinImage (stem + "_over"), skinImage (stem + "_down"));
    }

    connectionIndicator.setBounds (975, 11, 35, 18);
    connectionIndicator.setImage (skinImage ("indicator_off").decode());
    connectionIndicator.setWantsKeyboardFocus (false);
    addAndMakeVisible (connectionIndicator);

    const juce::Font statusFont ("Arial", 14.0f, juce::Font::bold);
    const std::pair<juce::Label*, juce::uint32> statusLabels[] = { { &modelLabel, 0xFFF0F0F0 }, { &firmwareLabel, 0xFFA0A0A0 } };
    int y = 38;
    for (auto [label, colour] : statusLabels)
    {
        label->setFont (statusFont);
        label->setBounds (872, y, 140, 14);
        label->setColour (juce::Label::textColourId, juce::Colour (colour));
        label->setJustificationType (juce::Justification::right);
        label->setWantsKeyboardFocus (false);
        addAndMakeVisible (*label);
        y += 14;
    }
}

void MainContentComponent::buildSectionColumn()
{
    for (int s = 0; s < orvane::numSections; ++s)
    {
        const juce::String stem = juce::String ("section_") + orvane::sections[(size_t) s].imageStem;
        setupSectionButton (sectionButtons[(size_t) s], 78 + 40 * s,
                            skinImage (stem + "_normal"), skinImage (stem + "_over"), skinImage (stem + "_down"));
    }
}

void MainContentComponent::buildSectionPages()
{
    for (int s = 0; s < orvane::numSections; ++s)
        buildSectionPage (s);
}

void MainContentComponent::buildSectionPage (int section)
{
    const auto buttons = subPageButtonList();
    for (size_t b = 0; b < buttons.size(); ++b)
    {
        const auto& info = orvane::subPageButtons[b];
        if (info.section != section)
            continue;
        const juce::String stem = juce::String ("subpage_") + info.imageStem;
        setupSubPageButton (*buttons[b], info.x, info.radioGroup,
                            skinImage (stem + "_normal"), skinImage (stem + "_over"), skinImage (stem + "_down"));
    }

    auto& header = headerOf (section);
    setupSectionIcon (header.sectionIcon, skinImage (juce::String ("icon_") + orvane::sections[(size_t) section].imageStem));
    setupSectionTitle (header.sectionTitle, orvane::sections[(size_t) section].title);

    for (size_t r = 0; r < sectionRows.size(); ++r)
    {
        const auto& row = sectionRows[r];
        if (row.section != section)
            continue;
        if (row.kind == RowKind::heading)
            setupGroupHeading (*rowWidgets[r].label, row.y, row.caption);
        else
            setupParameterLabel (*rowWidgets[r].label, row.y, row.caption);
    }

    // Controls column by column: the CLASSIC controls of a divided page before its ROCK ones.
    for (int column = 0; column < 2; ++column)
    {
        for (size_t r = 0; r < sectionRows.size(); ++r)
        {
            const auto& row = sectionRows[r];
            if (row.section != section || column >= row.columns())
                continue;

            const int parameter = row.parameterOfColumn (column);
            if (auto* slider = rowWidgets[r].sliders[(size_t) column])
            {
                setupParameterSlider (*slider, row.y, row.suffix, parameter, row.minimum, row.maximum, row.interval);
                if (slider == &chorusLevelSlider)
                    chorusLevelSlider.setDoubleClickReturnValue (true, 0.0);
            }
            else if (auto* comboBox = rowWidgets[r].comboBoxes[(size_t) column])
            {
                setupParameterComboBox (*comboBox, row.y, row.width, row.optionCount, row.options, parameter);
            }
        }
    }
}
