#include "widgets/CustomAlertWindow.h"

CustomAlertWindow::CustomAlertWindow (const juce::String& title)
    : juce::AlertWindow (title, {}, juce::MessageBoxIconType::NoIcon), lookAndFeel (new AWLookAndFeel())
{
    setLookAndFeel (lookAndFeel);
    setOpaque (false);
}

CustomAlertWindow::~CustomAlertWindow()
{
    setLookAndFeel (nullptr);
    delete lookAndFeel;
}
