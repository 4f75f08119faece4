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

void MainContentComponent::closePorts()
{
    midiInput = nullptr;
    midiOutput.close();
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

void MainContentComponent::connectButtonClicked()
{
    setConnected (false);
    connected = false;
    // A download left pending by an earlier search (a late reply on the ports left open) is
    // given up either way: its time-out must not end the search that this click starts.
    stopTimer (receiveTimer);

    if (! connectButton.getToggleState())
    {
        stopTimer (searchTimer);
        closePorts();
        return;
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

    midiInput = nullptr;   // no reply on the ports opened before can arrive from here on
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
                // its download then closes the box, and CONNECT stays on.
                deviceNotFoundBoxOpen = true;
                showOkBox (deviceNotFoundText);
                deviceNotFoundBoxOpen = false;
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
