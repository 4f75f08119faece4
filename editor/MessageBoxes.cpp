// The editor's message boxes: one open at a time, synchronous (a nested modal loop that
// returns the result) or asynchronous (the shared callback receives the result); and the
// native file dialogs, modal like them.
#include "editor/MainContentComponent.h"

#include <iostream>

namespace
{
/** The look that every box of the editor gets: Arial 20 (title 22 bold, buttons 28 high with
    16-high text) in black on an almost opaque white face with a black outline. */
void applyMessageBoxLook (CustomAlertWindow& box)
{
    box.lookAndFeel->font = juce::Font ("Arial", 20.0f, juce::Font::plain);

    box.setColour (juce::AlertWindow::backgroundColourId, juce::Colour (0xF8FFFFFFu));
    box.setColour (juce::AlertWindow::textColourId, juce::Colour (0xFF000000u));
    box.setColour (juce::AlertWindow::outlineColourId, juce::Colour (0xFF000000u));

    box.getLookAndFeel().setColour (juce::TextButton::textColourOffId, juce::Colour (0xFF000000u));
    box.getLookAndFeel().setColour (juce::TextButton::buttonColourId, juce::Colour (0xFFE2E2E2u));
}

/** The framework's buttons click on Return while they hold the keyboard focus, and the first
    one would take it when the box opens. The box keeps the focus instead, so that Return
    reaches the box itself: it clicks the button of a one-button box and does nothing in a box
    with two buttons or none. */
void keepKeysForTheBox (CustomAlertWindow& box)
{
    for (auto* child : box.getChildren())
        if (auto* button = dynamic_cast<juce::Button*> (child))
            button->setWantsKeyboardFocus (false);

    box.setWantsKeyboardFocus (true);
}

/** Blocks the panel's input while it exists, the way the framework blocks it under an open
    box: it is in modal state and never shown, so mouse buttons, wheel and moves reach no
    widget of the panel, and the keys of a blocked window, which the framework hands to the
    modal component, all stop here. Timers, posted messages and repaints go on. */
class PanelInputBlock : public juce::Component
{
public:
    PanelInputBlock() { enterModalState (false); }
    ~PanelInputBlock() override { exitModalState (0); }

    bool keyPressed (const juce::KeyPress&) override { return true; }
    bool keyStateChanged (bool) override { return true; }
};
}   // namespace

int MainContentComponent::showMessageBox (const juce::String& title, const juce::String& message,
                                          const juce::String& firstButtonText, int firstButtonResult,
                                          const juce::String& secondButtonText, int secondButtonResult,
                                          void (*callback) (int, void*))
{
    closeMessageBox();

    auto* box = new CustomAlertWindow (title);
    messageBox = box;
    box->setEscapeKeyCancels (false);
    applyMessageBoxLook (*box);
    box->setMessage (message);

    // Each text gives its own button; no button has a shortcut key.
    if (firstButtonText.isNotEmpty())
        box->addButton (firstButtonText, firstButtonResult, juce::KeyPress(), juce::KeyPress());
    if (secondButtonText.isNotEmpty())
        box->addButton (secondButtonText, secondButtonResult, juce::KeyPress(), juce::KeyPress());
    keepKeysForTheBox (*box);
    if (messageBoxOpened)
        messageBoxOpened (*box);

    const juce::Component::SafePointer<CustomAlertWindow> ownBox (box);

    if (callback != nullptr)
    {
        // The framework calls back later, when this component or the box may be gone: the
        // callback gets this component only while both exist and the box is still the open
        // one, and null otherwise (replaced, closed by code, or the editor destroyed).
        const juce::Component::SafePointer<MainContentComponent> owner (this);
        box->enterModalStateUntilEnded ([callback, owner, ownBox] (int result)
                                        {
            auto* component = owner.getComponent();
            const bool stillOpen = component != nullptr && ownBox != nullptr && component->messageBox == ownBox;
            callback (result, stillOpen ? component : nullptr); });
        return 0;
    }

    // A box requested from a timer callback runs its loop inside the framework's timer round,
    // and the timer thread waits 300 ms for a round to end before it starts another: the box's
    // first paint, which its window's frame timer does, would wait as long. Calling the due
    // timers from within the loop ends that round at once.
    juce::MessageManager::callAsync ([]
                                     { juce::Timer::callPendingTimersSynchronously(); });

    // Timers and posted messages run inside the loop and may close or replace this box; a
    // replacing request has then deleted it already, and the newer box stays open. Minimised
    // or on another desktop, the box stays open: a report is not lost unread, and a question
    // is not taken for its No.
    const int result = box->runModalLoopUntilEnded();
    delete ownBox.getComponent();
    return result;
}

void MainContentComponent::closeMessageBox()
{
    if (auto* box = messageBox.getComponent())
    {
        box->exitModalState (0);
        delete box;   // clears messageBox
    }
}

void MainContentComponent::closeMessageBoxIfOpen (const juce::Component::SafePointer<CustomAlertWindow>& box)
{
    if (box != nullptr && box == messageBox)
        closeMessageBox();
}

// The callback of every asynchronous box; context is the editor while its box is the open one,
// else null. The diagnostic line goes straight to the standard error stream, flushed, on every
// platform and in every build.
void MainContentComponent::messageBoxCallback (int result, void* context)
{
    std::cerr << "messageBoxCallback: exit with result = " << result << std::endl;

    auto* component = static_cast<MainContentComponent*> (context);
    if (component == nullptr || component->messageBox == nullptr)
        return;

    switch (result)
    {
        case 1: component->cancelSearch(); break;
        case 2: component->cancelTonewheelUpload(); break;
        case 0:
            // The close request of the progress box counts as its Cancel: the upload must not
            // run on unseen behind a closed box. A box that only stopped showing (minimised,
            // on another desktop) stays open and modal and does not end here.
            if (component->messageBox == component->uploadProgressBox && component->uploadProgressBox->wasClosedByRequest())
                component->cancelTonewheelUpload();
            break;
        default: break;
    }
}

// The native dialog (zenity or kdialog) runs the message loop while it waits, and blocks
// nothing itself: without the block the panel would go on sending edits, switching pages and
// opening more dialogs behind it.
std::optional<juce::File> MainContentComponent::chooseFile (const juce::String& title, const juce::String& pattern,
                                                            bool forSaving)
{
    // A click whose press came before a box opened is released on the panel under the box and
    // still reaches its button. The dialog would then open over the box, and its block, which
    // has no window, would become the modal component that the framework brings to the front
    // through the box's window without end, until the stack overflows: no dialog under a box.
    if (juce::ModalComponentManager::getInstance()->getNumModalComponents() > 0)
        return std::nullopt;

    juce::FileChooser chooser (title, lastDirectory, pattern, true, false);
    bool chosen = false;
    {
        const PanelInputBlock block;
        chosen = forSaving ? chooser.browseForFileToSave (true) : chooser.browseForFileToOpen();
    }
    // After the window's close request the dialog is only waited for: its answer starts nothing.
    if (! chosen || windowIsGoing())
        return std::nullopt;
    return chooser.getResult();
}

bool MainContentComponent::windowIsGoing()
{
    return juce::MessageManager::getInstance()->hasStopMessageBeenSent();
}
