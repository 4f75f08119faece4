#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Look of one selector and its list. */
class CBLookAndFeel : public juce::LookAndFeel_V3
{
public:
    juce::Font comboBoxFont;
    juce::Font popupMenuFont;
};

/** A selector that carries a look-and-feel of its own. */
class CustomComboBox : public juce::ComboBox
{
public:
    CustomComboBox();
    ~CustomComboBox() override;

private:
    CBLookAndFeel* lookAndFeel;
};
