// The connection course on the message thread: CONNECT, the port search, the receive time-out,
// the watchdog and the Cancel of the search box.
#include "editor/MainContentComponent.h"
#include "organ/OrganProtocol.h"

namespace
{
const juce::String organPortName ("Halvorin Orvane MIDI Port");

const juce::String searchingText ("  Searching for the connected device...  ");
const juce::String portInUseText ("  The midi port may be in use by another  \n  application. Please, close it and retry.  ");
const juce::String deviceNotFoundText ("  Device not found!  The firmware of the device is too old or the midi port may be in use by another application. Please, close it and retry.  ");
const juce::String receiveFailedText ("  Communication error!  \n  Failed to receive data.  \n  Please, reconnect to the device.  ");
const juce::String connectionLostText ("  Communication error!  \n  Device lost connection.  \n  Please, reconnect to the device.  ");
}   // namespace

bool MainContentComponent::openInput (int index)
{
    midiInput = nullptr;   // waits for a callback of the old input in progress
    midiInput = midiPorts->openInput (index, this);
    if (midiInput != nullptr)
        midiInput->start();
    return midiInput != nullptr;
}

void MainContentComponent::letGoOfOrgan()
{
    midiInput = nullptr;   // first, so that no handshake of the organ is answered meanwhile
    midiOutput.shutOff();
}

void MainContentComponent::showOkBox (const juce::String& message)
{
    showMessageBox (messageBoxTitle, message, "OK", 1, {}, 0, nullptr);
}

// The link's states and what a CONNECT click does in each, either way it goes:
//   idle:         nothing pending; the ports of the last search may still be open.
//   searching:    search box open, searchTimer armed; the next step walks on.
//   downloading:  an accepted identity set downloadStep1..3 and armed receiveTimer; the old
//                 input may still deliver the next operation-complete or a second reply.
//   connected:    watchdogTimer armed; the ping's answer may still be on its way.
// The old input is let go first, while `connected` still holds: deleting it waits for a
// callback in progress, so the ping's answer only sets replyFlag, and from there on no reply
// of the old ports can start a download or arm its time-out. A download that one started
// before the click is then given up whole, its time-out and its step; a store or reset keeps
// its own (their timers run on across the click).
void MainContentComponent::connectButtonClicked()
{
    midiInput = nullptr;
    setConnected (false);
    connected = false;
    giveUpDownload();

    if (! connectButton.getToggleState())
    {
        stopTimer (searchTimer);
        midiOutput.close();
        return;
    }

    {
        // A new link: the handshakes of a transfer that an older link left half-way, which its
        // ports may still deliver, are answered no more.
        const juce::ScopedLock sl (uploadLock);
        uploadState = noTransfer;
    }

    firstScan = true;
    const auto inputs = midiPorts->getInputNames();
    const auto outputs = midiPorts->getOutputNames();
    inCount = inputs.size();
    outCount = outputs.size();

    const int namedInput = inputs.indexOf (organPortName);
    const int namedOutput = namedInput >= 0 ? outputs.indexOf (organPortName) : -1;
    const bool foundByName = namedInput >= 0 && namedOutput >= 0;
    if (foundByName)
    {
        inIdx = namedInput;
        outIdx = namedOutput;
    }

    ++searchGeneration;
    const bool inputOpened = openInput (inIdx);
    if (foundByName)
    {
        if (! inputOpened || ! midiOutput.open (*midiPorts, outIdx))
        {
            showOkBox (portInUseText);
            switchButtonOff (connectButton);
            return;
        }
    }
    else
    {
        midiOutput.open (*midiPorts, outIdx);
    }

    showMessageBox (messageBoxTitle, searchingText, "Cancel", 1, {}, 0, messageBoxCallback);
    searchBox = messageBox;
    startLinkTimer (searchTimer);
    sendToOrgan (orvane::protocol::identityRequestMessage());
}

// Walks the pairs from the highest port numbers down, outputs outer and inputs inner; numbers
// that do not open are skipped within the same step, so each step ends with an opened input or
// with the end of the search.
void MainContentComponent::searchStep()
{
    // The framework may run a step that was already due when the MIDI thread stopped the
    // timer for an identity reply: walking on would leave the organ's ports mid-download. A
    // download that an earlier search left pending does not hold this search up.
    if (connected.load() || answeredSearch.load() == searchGeneration.load())
        return;

    if (firstScan)
    {
        firstScan = false;
        inIdx = inCount;
        outIdx = outCount;
    }

    bool nextOutput = inIdx == inCount;
    for (;;)
    {
        if (nextOutput)
        {
            if (--outIdx < 0)
            {
                // A late reply on the ports left open may connect the organ behind this box;
                // its download then closes the box (closeSearchBox), and CONNECT stays on.
                showOkBox (deviceNotFoundText);
                if (! connected.load())
                    switchButtonOff (connectButton);
                return;
            }
            if (! midiOutput.open (*midiPorts, outIdx))
                continue;
            nextOutput = false;
        }

        if (--inIdx < 0)
        {
            inIdx = inCount;
            nextOutput = true;
            continue;
        }
        if (openInput (inIdx))
            break;
    }

    startLinkTimer (searchTimer);
    sendToOrgan (orvane::protocol::identityRequestMessage());
}

// Message thread, with no input open: the MIDI input thread, which alone starts a download,
// cannot set a step in between.
void MainContentComponent::giveUpDownload()
{
    stopTimer (receiveTimer);
    for (const auto step : { downloadStep1, downloadStep2, downloadStep3 })
        advanceOperation (step, noOperation);
}

// The completed download closes the box of its search and no other: the search box, or the
// device-not-found box that ended the search (a late reply connects behind it). A box that
// replaced either (a store's or reset's result, an upload's abort) stays for the player. The
// device-not-found box is synchronous, so it is known by what it says: it is only ever open
// with its loop on the stack, over the search that the download belongs to.
void MainContentComponent::closeSearchBox()
{
    const auto* open = messageBox.getComponent();
    if (open != nullptr && open->getDescription() == messageBoxTitle + ". " + deviceNotFoundText)
        closeMessageBox();
    else
        closeMessageBoxIfOpen (searchBox);
}

void MainContentComponent::receiveTimeout()
{
    pendingOperation = noOperation;
    connectButton.setToggleState (false, juce::sendNotification);
    connectButton.setState (juce::Button::buttonNormal);
    showOkBox (receiveFailedText);
}

void MainContentComponent::watchdogTimeout()
{
    if (replyFlag.exchange (false))
    {
        sendToOrgan (orvane::protocol::identityRequestMessage());
        startLinkTimer (watchdogTimer);
        return;
    }

    connectButton.setToggleState (false, juce::sendNotification);
    connectButton.setState (juce::Button::buttonNormal);
    showOkBox (connectionLostText);
}

void MainContentComponent::cancelSearch()
{
    closeMessageBox();
    stopTimer (searchTimer);
    stopTimer (receiveTimer);
    pendingOperation = noOperation;
    switchButtonOff (connectButton);
    setConnected (false);
}
