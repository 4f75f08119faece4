#include "widgets/CustomComboBox.h"

#include <cmath>

juce::Font CBLookAndFeel::getPopupMenuFont()
{
    return popupMenuFont;
}

void CBLookAndFeel::getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator,
                                               int standardMenuItemHeight, int& idealWidth, int& idealHeight)
{
    if (isSeparator)
    {
        idealWidth = 50;
        idealHeight = standardMenuItemHeight > 0 ? standardMenuItemHeight / 2 : 10;
        return;
    }

    // The list's standard height is the box's label height; the items follow the font instead.
    idealHeight = juce::roundToInt (popupMenuFont.getHeight() * 1.3f);
    idealWidth = (int) std::ceil (popupMenuFont.getStringWidthFloat (text)) + 2 * idealHeight;
}

void CBLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool /*isButtonDown*/,
                                  int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox& box)
{
    constexpr float cornerSize = 3.0f;

    g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
    g.fillRoundedRectangle (0.0f, 0.0f, (float) width, (float) height, cornerSize);

    g.setColour (box.findColour (juce::ComboBox::outlineColourId));
    g.drawRoundedRectangle (0.5f, 0.5f, (float) juce::jmax (0, width - 1), (float) juce::jmax (0, height - 1),
                            cornerSize, 1.0f);

    const auto x = (float) buttonX, y = (float) buttonY, w = (float) buttonW, h = (float) buttonH;
    juce::Path arrow;
    arrow.addTriangle (x + w / 4.0f, y + 3.0f * h / 8.0f,
                       x + 3.0f * w / 4.0f, y + 3.0f * h / 8.0f,
                       x + w / 2.0f, y + 5.0f * h / 8.0f);

    g.setColour (box.findColour (juce::ComboBox::arrowColourId).withMultipliedAlpha (box.isEnabled() ? 1.0f : 0.3f));
    g.fillPath (arrow);
}

juce::Font CBLookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    return comboBoxFont;
}

void CBLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    // The arrow is drawn in the part of the box right of the label.
    label.setBounds (1, 1, box.getWidth() + 3 - box.getHeight(), box.getHeight() - 2);
    label.setFont (getComboBoxFont (box));
}

CustomComboBox::CustomComboBox() : lookAndFeel (new CBLookAndFeel())
{
    setLookAndFeel (lookAndFeel);
}

CustomComboBox::~CustomComboBox()
{
    setLookAndFeel (nullptr);
    delete lookAndFeel;
}

void CustomComboBox::focusGained (FocusChangeType)
{
    // The box draws no focus mark, so gaining the focus changes nothing on screen.
}
