// STORE and RESET: the two requests that a connected organ confirms with its operation-complete
// message, their confirmations and their time-outs. The button stays on while its request is
// pending.
#include "editor/MainContentComponent.h"
#include "organ/OrganProtocol.h"

namespace
{
const juce::String resetQuestionText ("  Warning!  All data will be reset to the default values. Do you want to continue?  ");
const juce::String storedText ("  All data has been stored successfully.  ");
const juce::String resetDoneText ("  All data has been reset successfully.  ");
const juce::String storeFailedText ("  Missing confirmation error!  \n  Failed to store data.  ");
const juce::String resetFailedText ("  Missing confirmation error!  \n  Failed to reset data.  ");
}   // namespace

void MainContentComponent::storeButtonClicked()
{
    if (! connected)
    {
        switchButtonOff (storeButton);
        return;
    }

    if (! storeButton.getToggleState())
    {
        // Clicked again while pending: only the time-out goes; a late confirmation still counts.
        stopTimer (storeTimer);
        return;
    }

    // Set before the request goes out, so that its confirmation finds it.
    pendingOperation = storeOperation;
    startLinkTimer (storeTimer);
    sendToOrgan (orvane::protocol::storeRequest());
}

void MainContentComponent::resetButtonClicked()
{
    if (! connected)
    {
        switchButtonOff (resetButton);
        return;
    }

    if (! resetButton.getToggleState())
    {
        stopTimer (resetTimer);
        return;
    }

    // A box that replaces the question ends it with 0, which counts as No. The link may also
    // have ended while the question waited: no request could go out then.
    if (showMessageBox (messageBoxTitle, resetQuestionText, "Yes", 1, "No", 0, nullptr) == 0 || ! connected)
    {
        switchButtonOff (resetButton);
        return;
    }

    pendingOperation = resetOperation;
    startLinkTimer (resetTimer);
    sendToOrgan (orvane::protocol::resetRequest());
}

// handleOperationComplete has already moved pendingOperation from `confirmed` to noOperation.
void MainContentComponent::storeOrResetConfirmed (PendingOperation confirmed)
{
    if (confirmed == storeOperation)
    {
        stopTimer (storeTimer);
        showOkBox (storedText);
        switchButtonOff (storeButton);
    }
    else if (confirmed == resetOperation)
    {
        stopTimer (resetTimer);
        // The organ's default values arrived while the reset was pending and reached only the
        // parameter set; now the controls show them.
        updateAllControls();
        showOkBox (resetDoneText);
        switchButtonOff (resetButton);
    }
}

// A time-out clears only its own operation: a later request, or the download of a new
// connection, may own pendingOperation by now and still await its answer.
void MainContentComponent::storeTimeout()
{
    advanceOperation (storeOperation, noOperation);
    showOkBox (storeFailedText);
    switchButtonOff (storeButton);
}

void MainContentComponent::resetTimeout()
{
    advanceOperation (resetOperation, noOperation);
    showOkBox (resetFailedText);
    switchButtonOff (resetButton);
}
