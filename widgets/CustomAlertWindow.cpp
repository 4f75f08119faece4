#include "widgets/CustomAlertWindow.h"

juce::Font AWLookAndFeel::getTextButtonFont (juce::TextButton&, int /*buttonHeight*/)
{
    return font.withHeight ((float) (font.getHeight() * 0.8));
}

void AWLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                                  const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout)
{
    // The boxes carry no icon, so the text keeps the whole text area.
    g.fillAll (alert.findColour (juce::AlertWindow::backgroundColourId));

    g.setColour (alert.findColour (juce::AlertWindow::textColourId));
    textLayout.draw (g, textArea.toFloat());

    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRect (0, 0, alert.getWidth(), alert.getHeight(), 1);
}

int AWLookAndFeel::getAlertWindowButtonHeight()
{
    return (int) (font.getHeight() * 1.4);
}

juce::Font AWLookAndFeel::getAlertWindowMessageFont()
{
    return font;
}

juce::Font AWLookAndFeel::getAlertWindowFont()
{
    return font;
}

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

void CustomAlertWindow::enterModalStateUntilEnded (std::function<void (int)> onEnd)
{
    hiddenWhileModal = false;
    const SafePointer<CustomAlertWindow> box (this);
    enterModalState (true,
                     juce::ModalCallbackFunction::create ([box, onEnd = std::move (onEnd)] (int result)
                                                          {
                         if (box != nullptr && result == 0 && box->hiddenWhileModal && ! box->closedByRequest)
                         {
                             box->enterModalStateUntilEnded (onEnd);
                             return;
                         }
                         onEnd (result);
                         delete box.getComponent(); }),
                     false);
}

int CustomAlertWindow::runModalLoopUntilEnded()
{
    const SafePointer<CustomAlertWindow> box (this);
    for (;;)
    {
        hiddenWhileModal = false;
        const int result = runModalLoop();
        if (box == nullptr || result != 0 || ! hiddenWhileModal || closedByRequest
            || juce::MessageManager::getInstance()->hasStopMessageBeenSent())
            return result;
    }
}

void CustomAlertWindow::userTriedToCloseWindow()
{
    juce::AlertWindow::userTriedToCloseWindow();
    closedByRequest = ! isCurrentlyModal (false);
}

void CustomAlertWindow::visibilityChanged()
{
    juce::AlertWindow::visibilityChanged();
    // The modal manager hears of the change right after this, and ends the modal state.
    if (! isShowing() && isCurrentlyModal (false))
        hiddenWhileModal = true;
}
