// Identification of the organ and the three-step download of its data.
#include "SkinData.h"
#include "editor/MainContentComponent.h"
#include "organ/Identity.h"
#include "organ/OrganProtocol.h"
#include "resources/OrganTables.h"

namespace
{
juce::String deviceCheckErrorText (int reason)
{
    using namespace orvane::identity;
    switch (reason)
    {
        case editorOutOfDate: return "  The Editor is out of date. Please, download the latest version.  ";
        case firmwareOutOfDate: return "  The firmware of the device is out of date.  \n  Please, update the firmware to the latest version.  ";
        case unsupportedModel: return "  This model is not supported.  \n  Please, contact customer service.  ";
        default: return {};
    }
}
}   // namespace

// MIDI input thread.
void MainContentComponent::handleIdentityReply (const orvane::protocol::IdentityReply& reply)
{
    if (connected)
    {
        replyFlag = true;
        return;
    }

    stopTimer (searchTimer);
    answeredSearch = searchGeneration.load();
    projectImage.modelIndex = orvane::identity::modelIndexOf (reply);
    projectImage.hardwareRevision = (int32_t) reply.revision;
    {
        const juce::ScopedLock sl (textLock);
        firmwareText = orvane::identity::firmwareText (reply);
    }
    pendingOperation = noOperation;

    const int reason = orvane::identity::refusalReason (reply.protocolLevel, projectImage.modelIndex,
                                                        projectImage.hardwareRevision);
    if (reason != orvane::identity::accepted)
    {
        // Ends whatever the time-out guards: a download that an earlier reply of this search
        // started, or the reconnection after an upload, which this reply answers. Stopped
        // here, like the search, so that it cannot fire before the refusal's box.
        stopTimer (receiveTimer);
        post (InternalMessage::identityCheckFailed, reason);
        return;
    }

    // Set before the request goes out, so that its operation-complete message finds step 1.
    pendingOperation = downloadStep1;
    sendToOrgan (orvane::protocol::dumpRequestFor (orvane::protocol::firstDump));
    startLinkTimer (receiveTimer);
}

// A step moves on only from the step it expects: an identity reply on the MIDI thread may have
// started the download over in the meantime.
bool MainContentComponent::advanceOperation (PendingOperation from, PendingOperation to)
{
    return pendingOperation.compare_exchange_strong (from, to);
}

// `search` is the search whose input delivered the message. A store or reset is not tied to a
// search: its request runs on across CONNECT, so any search's message confirms it. A download
// step moves on only for the search whose accepted identity started the download. The step is
// read first: the reply that set step 1 wrote answeredSearch before it, so the search read
// next is the step's own, and an older search's message, still queued when that reply came,
// does not pass for one of its answers.
void MainContentComponent::handleOperationComplete (uint32_t search)
{
    using namespace orvane::protocol;

    const auto pending = pendingOperation.load();
    if (pending == storeOperation || pending == resetOperation)
    {
        if (advanceOperation (pending, noOperation))
            storeOrResetConfirmed (pending);
        return;
    }
    if (pending == noOperation || search != answeredSearch.load())
        return;

    if (pending == downloadStep1 && advanceOperation (downloadStep1, downloadStep2))
        sendToOrgan (dumpRequestFor (secondDump));
    else if (pending == downloadStep2 && advanceOperation (downloadStep2, downloadStep3))
        sendToOrgan (dumpRequestFor (thirdDump));
    else if (pending == downloadStep3 && advanceOperation (downloadStep3, noOperation))
        completeDownload();
}

void MainContentComponent::completeDownload()
{
    stopTimer (receiveTimer);
    closeSearchBox();
    updateAllControls();
    showSection (currentSection, false);
    showSection (currentSection, true);
    setConnected (true);
    writeSettings();
}

void MainContentComponent::showDeviceCheckError (int reason)
{
    const auto text = deviceCheckErrorText (reason);
    if (text.isEmpty())
        return;

    // Off without the click's handler, so the ports stay open. The panel goes off with it: a
    // reconnection after an upload still shows the organ, and a download that completed
    // while the refusal was on its way has connected it.
    switchButtonOff (connectButton);
    setConnected (false);
    showMessageBox (messageBoxTitle, text, "OK", 1, {}, 0, nullptr);
}

void MainContentComponent::setConnected (bool on)
{
    connected = on;

    if (on)
    {
        connectionIndicator.setImage (juce::ImageCache::getFromMemory (SkinData::indicator_on_png,
                                                                       SkinData::indicator_on_pngSize));
        connectButton.setToggleState (true, juce::dontSendNotification);
        modelLabel.setText (orvane::modelNameFor (projectImage.modelIndex) + " "
                                + orvane::revisionNameFor (projectImage.hardwareRevision),
                            juce::dontSendNotification);
        firmwareLabel.setText (getFirmwareText(), juce::dontSendNotification);
        replyFlag = false;
        sendToOrgan (orvane::protocol::identityRequestMessage());
        startLinkTimer (watchdogTimer);
    }
    else
    {
        connectionIndicator.setImage (juce::ImageCache::getFromMemory (SkinData::indicator_off_png,
                                                                       SkinData::indicator_off_pngSize));
        modelLabel.setText ({}, juce::dontSendNotification);
        firmwareLabel.setText ({}, juce::dontSendNotification);
        stopTimer (watchdogTimer);
    }
}
