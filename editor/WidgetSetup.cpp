// The set-up routines that place and style every widget of the panel once, at construction.
#include "editor/MainContentComponent.h"

#include "editor/PanelColours.h"
#include "organ/ParameterMapping.h"

#include <limits>

namespace
{
using namespace orvane::panel;

const char* const panelTypeface = "Arial";

/** The routines' texts are zero-terminated Latin-1, read up to maxLength bytes; null gives
    an empty text. */
juce::String latin1 (const char* text, size_t maxLength = std::numeric_limits<size_t>::max())
{
    juce::String result;
    if (text != nullptr)
        for (size_t i = 0; i < maxLength && text[i] != 0; ++i)
            result += (juce::juce_wchar) (unsigned char) text[i];
    return result;
}
}   // namespace

void MainContentComponent::setupImageButton (juce::ImageButton& button, juce::Point<int> position,
                                             SkinImage normal, SkinImage over, SkinImage down)
{
    const auto none = juce::Colour (0x00000000);
    button.setImages (true, false, false,
                      normal.decode(), 1.0f, none,
                      over.decode(), 1.0f, none,
                      down.decode(), 1.0f, none,
                      0.0f);
    button.setTopLeftPosition (position);
    button.setClickingTogglesState (true);
}

void MainContentComponent::setupTopBarButton (juce::ImageButton& button, int x, SkinImage normal, SkinImage over, SkinImage down)
{
    setupImageButton (button, { x, 0 }, normal, over, down);
    button.addListener (this);
    button.setWantsKeyboardFocus (false);
    addAndMakeVisible (button);
}

void MainContentComponent::setupSectionButton (juce::ImageButton& button, int y, SkinImage normal, SkinImage over, SkinImage down)
{
    setupImageButton (button, { 0, y }, normal, over, down);
    button.setTriggeredOnMouseDown (true);
    button.setRadioGroupId (1);
    button.addListener (this);
    button.setWantsKeyboardFocus (false);
    addAndMakeVisible (button);
}

void MainContentComponent::setupSubPageButton (juce::ImageButton& button, int x, int radioGroupId,
                                               SkinImage normal, SkinImage over, SkinImage down)
{
    setupImageButton (button, { x, 135 }, normal, over, down);
    button.setTriggeredOnMouseDown (true);
    button.setRadioGroupId (radioGroupId);
    button.addListener (this);
    button.setWantsKeyboardFocus (false);
    addChildComponent (button);
}

void MainContentComponent::setupSectionIcon (juce::ImageComponent& icon, SkinImage image)
{
    icon.setBounds (220, 88, 88, 70);
    icon.setImage (image.decode());
    icon.setWantsKeyboardFocus (false);
    addChildComponent (icon);
}

void MainContentComponent::setupLabel (juce::Label& label, const juce::Font& font, juce::Rectangle<int> bounds, const char* text)
{
    label.setFont (font);
    label.setBounds (bounds);
    label.setColour (juce::Label::textColourId, textColour);
    label.setText (latin1 (text), juce::dontSendNotification);
    label.setWantsKeyboardFocus (false);
    addChildComponent (label);
}

void MainContentComponent::setupSectionTitle (juce::Label& title, const char* text)
{
    setupLabel (title, juce::Font (panelTypeface, 40.0f, juce::Font::plain), { 310, 104, 400, 40 }, text);
}

void MainContentComponent::setupGroupHeading (juce::Label& heading, int y, const char* text)
{
    // A light band across the rows, its text 15 pixels in.
    heading.setColour (juce::Label::backgroundColourId, headingBandColour);
    heading.setBorderSize ({ 0, 15, 0, 0 });
    setupLabel (heading, juce::Font (panelTypeface, 18.0f, juce::Font::bold), { 231, y, 779, 34 }, text);
}

void MainContentComponent::setupParameterLabel (juce::Label& caption, int y, const char* text)
{
    setupLabel (caption, juce::Font (panelTypeface, 16.0f, juce::Font::plain), { 251, y, 160, 24 }, text);
}

void MainContentComponent::setupParameterSlider (juce::Slider& slider, int y, const char* suffix, int parameterIndex,
                                                 double minimum, double maximum, double interval)
{
    slider.setComponentID (juce::String (parameterIndex));
    slider.setBounds (431, y, 579, 24);
    slider.setSliderStyle (juce::Slider::LinearBar);
    slider.setLookAndFeel (&sliderLookAndFeel);
    slider.setRange (minimum, maximum, interval);
    slider.setTextValueSuffix (latin1 (suffix));
    slider.addListener (this);
    // The parameter set holds the factory row here, so this is the value shown for it.
    slider.setDoubleClickReturnValue (true, orvane::shownSliderValue (paramToSliderValue (parameterIndex), minimum, maximum));
    slider.addMouseListener (&sliderDoubleClick, true);
    addChildComponent (slider);
}

void MainContentComponent::setupParameterComboBox (CustomComboBox& comboBox, int y, int width, int itemCount,
                                                   const orvane::OptionRow* items, int parameterIndex)
{
    const juce::Font font (panelTypeface, 15.0f, juce::Font::plain);
    comboBox.setComponentID (juce::String (parameterIndex));
    comboBox.setBounds (431, y, width, 24);

    // The box's own look: the list reads popupMenuFont when it opens; the box text takes
    // comboBoxFont when the selector is added below and re-applies its look.
    auto& look = comboBox.getLookAndFeel();
    if (auto* ownLook = dynamic_cast<CBLookAndFeel*> (&look))
    {
        ownLook->comboBoxFont = font;
        ownLook->popupMenuFont = font;
    }
    look.setColour (juce::ComboBox::backgroundColourId, fieldColour);
    look.setColour (juce::ComboBox::outlineColourId, outlineColour);
    look.setColour (juce::PopupMenu::backgroundColourId, listColour);
    look.setColour (juce::PopupMenu::highlightedBackgroundColourId, accentColour);
    look.setColour (juce::Label::outlineWhenEditingColourId, accentColour);

    comboBox.setEditableText (false);
    comboBox.setJustificationType (juce::Justification::left);

    // Item id = row + 1; an empty row adds no item, so its id is left out.
    for (int i = 0; items != nullptr && i < itemCount; ++i)
        if (const auto text = latin1 (items[i], sizeof (orvane::OptionRow)); text.isNotEmpty())
            comboBox.addItem (text, i + 1);

    comboBox.addListener (this);
    addChildComponent (comboBox);
}
