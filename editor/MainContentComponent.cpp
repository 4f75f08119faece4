#include "editor/MainContentComponent.h"

#include "organ/LinkTimings.h"
#include "resources/OrganTables.h"

MainContentComponent::~MainContentComponent()
{
    for (int timer : { watchdogTimer, searchTimer, receiveTimer, storeTimer, resetTimer, bulkSendTimer })
        stopTimer (timer);
    midiInput = nullptr;   // waits for a MIDI callback in progress; none runs after this
    midiOutput.close();
    // A box still open goes with the editor; its callback, if any, runs later without it.
    closeMessageBox();
}

void MainContentComponent::handleMessage (const juce::Message& message)
{
    const auto* internal = dynamic_cast<const InternalMessage*> (&message);
    if (internal == nullptr)
        return;

    switch (internal->type)
    {
        case InternalMessage::operationComplete: handleOperationComplete ((uint32_t) internal->param); break;
        case InternalMessage::parameterChanged: updateControlForParameter (internal->param); break;
        case InternalMessage::slotNameChanged: renameTonewheelSlotItem (internal->param); break;
        case InternalMessage::identityCheckFailed: showDeviceCheckError (internal->param); break;
        case InternalMessage::uploadStatus: handleTonewheelTransferStatus (internal->param); break;
        default: break;
    }
}

void MainContentComponent::timerCallback (int timerID)
{
    stopTimer (timerID);

    switch (timerID)
    {
        case searchTimer: searchStep(); break;
        case receiveTimer: receiveTimeout(); break;
        case watchdogTimer: watchdogTimeout(); break;
        case storeTimer: storeTimeout(); break;
        case resetTimer: resetTimeout(); break;
        case bulkSendTimer: bulkSend(); break;
        default: break;
    }
}

void MainContentComponent::startLinkTimer (LinkTimer id)
{
    startTimer (id, orvane::timing::scaled (orvane::timing::linkTimerMs[(size_t) id]));
}

void MainContentComponent::buttonClicked (juce::Button* button)
{
    if (button == &connectButton)
        connectButtonClicked();
    else if (button == &storeButton)
        storeButtonClicked();
    else if (button == &resetButton)
        resetButtonClicked();
    else if (button == &openButton)
        openButtonClicked();
    else if (button == &saveButton)
        saveButtonClicked();
    else if (button == &tonewheelButton)
        tonewheelButtonClicked();
    else
        sectionOrSubPageClicked (button);
}

void MainContentComponent::post (int type, int param)
{
    postMessage (new InternalMessage (type, param));
}

juce::String MainContentComponent::getTonewheelSlotName (int slot) const
{
    const juce::ScopedLock sl (textLock);
    return juce::isPositiveAndBelow (slot, orvane::numSlots) ? tonewheelSlotNames[(size_t) slot] : juce::String();
}

juce::String MainContentComponent::getFirmwareText() const
{
    const juce::ScopedLock sl (textLock);
    return firmwareText;
}

void MainContentComponent::switchButtonOff (juce::Button& button)
{
    button.setToggleState (false, juce::dontSendNotification);
    button.setState (juce::Button::buttonNormal);
}
