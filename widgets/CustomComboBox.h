#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Look of one selector and its list: a flat rounded box with a small down arrow. The owner
    writes both fonts and sets the colours in this object's colour table. */
class CBLookAndFeel : public juce::LookAndFeel_V3
{
public:
    juce::Font getPopupMenuFont() override;
    void getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                    int& idealWidth, int& idealHeight) override;
    void drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox& box) override;
    juce::Font getComboBoxFont (juce::ComboBox& box) override;
    void positionComboBoxText (juce::ComboBox& box, juce::Label& label) override;

    /** Font of the box's text. */
    juce::Font comboBoxFont;
    /** Font of the list's items; their heights follow from it alone. */
    juce::Font popupMenuFont;
};

/** A selector that carries a look-and-feel of its own, so that fonts and colours are set per
    box; it draws no focus mark. */
class CustomComboBox : public juce::ComboBox
{
public:
    CustomComboBox();
    ~CustomComboBox() override;

    void focusGained (FocusChangeType) override;

    /** This box's own look-and-feel, for writing its fonts and colours. */
    CBLookAndFeel* const lookAndFeel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CustomComboBox)
};
