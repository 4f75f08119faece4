#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Look of a message box. */
class AWLookAndFeel : public juce::LookAndFeel_V3
{
public:
    juce::Font font;
};

/** A message box with a look-and-feel of its own. */
class CustomAlertWindow : public juce::AlertWindow
{
public:
    explicit CustomAlertWindow (const juce::String& title);
    ~CustomAlertWindow() override;

private:
    AWLookAndFeel* lookAndFeel;
};
