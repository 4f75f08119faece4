// The tonewheel upload: the message thread chooses the file and starts the File Dump transfer,
// the MIDI input thread answers each handshake of the organ at once, and the message thread
// shows what the MIDI thread posts.
//
// Hand-over of the upload fields: the message thread writes them under uploadLock before the
// header goes out, and the MIDI thread reads and writes them only under the same lock, one
// handshake at a time. An earlier transfer that the organ cancelled keeps its state, so a stray
// handshake of it can arrive while a new file is being filled in; the lock keeps the two apart.
#include "editor/MainContentComponent.h"
#include "organ/BoundedFileRead.h"
#include "organ/OrganProtocol.h"
#include "organ/TonewheelFile.h"
#include "resources/UploadErrors.h"

#include <algorithm>

namespace
{
namespace filedump = orvane::filedump;

const juce::String transmittingText ("  Transmitting tonewheel file to the device...  ");
const juce::String abortedText ("  Transmission aborted.  \n  ");
const juce::String deletedText ("  The tonewheel has been deleted!  The organ may not work properly.  Please, reload the tonewheel.  ");

constexpr int maxNaksPerPacket = 3;

enum TransferStatus
{
    progress = 0,
    done = 1,
    aborted = 2
};

juce::String warningText (const juce::String& slotName)
{
    return "  Warning!  \"" + slotName + "\" will be lost.  Are you sure ? ";
}
}   // namespace

void MainContentComponent::tonewheelButtonClicked()
{
    if (! uploadMayStart())
    {
        switchButtonOff (tonewheelButton);
        return;
    }
    if (! tonewheelButton.getToggleState())
        return;

    const int chosen = uploadMenu.showAt (&tonewheelButton);
    switchButtonOff (tonewheelButton);
    if (chosen >= orvane::firstUploadSlot && chosen < orvane::numSlots)
        loadTonewheelFile (chosen);
}

void MainContentComponent::loadTonewheelFile (int slot)
{
    if (! uploadMayStart())
        return;

    // The watchdog may lose the organ while the dialog waits: its box has told the player, and
    // the upload then starts nothing.
    if (const auto file = chooseFile ("Load Tonewheel File", "*.otw", false))
        uploadTonewheelFile (slot, *file);
}

void MainContentComponent::uploadTonewheelFile (int slot, const juce::File& file)
{
    if (! juce::isPositiveAndBelow (slot, orvane::numSlots) || ! uploadMayStart())
        return;

    if (! orvane::tonewheel::hasTonewheelExtension (file))
    {
        showOkBox (fileNotValidText);
        return;
    }
    lastDirectory = file.getParentDirectory();

    // One byte over the largest file is read, so a larger one (or one that grew while it
    // was read) is refused; so is anything that is not a plain file or cannot be read whole.
    const auto data = orvane::readRegularFile (file, (size_t) filedump::maxTonewheelFileSize);
    const auto contents = data.has_value() ? orvane::tonewheel::readContents (data->getData(), data->getSize())
                                           : std::nullopt;
    if (! contents)
    {
        showOkBox (fileCorruptedText);
        return;
    }

    // The organ may also be lost while the warning waits: no upload starts without it, so the
    // progress box never opens for a header that cannot go out.
    if (showMessageBox (messageBoxTitle, warningText (getTonewheelSlotName (slot)), "Yes", 1, "No", 0, nullptr) != 1
        || ! uploadMayStart())
        return;

    beginUpload (slot, *contents);
}

void MainContentComponent::beginUpload (int slot, const orvane::tonewheel::Contents& contents)
{
    juce::MidiMessage header;
    {
        const juce::ScopedLock sl (uploadLock);
        fileDumpName = contents.name;
        std::copy_n (contents.payload, contents.payloadSize, uploadBuffer.get());
        fileDumpType = filedump::typeForSlot (slot);
        bytesRemaining = contents.payloadSize;
        uploadState = headerSent;
        header = filedump::header (fileDumpType, (uint32_t) contents.payloadSize, fileDumpName);
    }

    showMessageBox (messageBoxTitle, transmittingText, "Cancel", 2, {}, 0, messageBoxCallback);
    uploadProgressBox = messageBox;
    sendToOrgan (header);
}

// MIDI input thread.
void MainContentComponent::handleFileDumpHandshake (const juce::MidiMessage& message)
{
    using Kind = filedump::Handshake::Kind;
    const auto handshake = filedump::readHandshake (message);
    if (handshake.kind == Kind::ignored)
        return;

    const juce::ScopedLock sl (uploadLock);
    const auto state = uploadState.load();

    switch (handshake.kind)
    {
        case Kind::ack:
            if (state == headerSent)
            {
                uploadState = sendingPackets;
                uploadCursor = uploadBuffer.get();
                packetNumber = 0;
                sendChunkOrFinish();
            }
            else if (state == sendingPackets)
            {
                bytesRemaining -= chunkSize;
                uploadCursor += chunkSize;
                packetNumber = (uint8_t) ((packetNumber + 1) & 0x7F);
                sendChunkOrFinish();
                if (uploadState == sendingPackets)
                    post (InternalMessage::uploadStatus, progress);
            }
            break;

        case Kind::nak:
            if (state == sendingPackets)
            {
                nakCount = (uint8_t) std::min (nakCount + 1, 255);
                if (nakCount < maxNaksPerPacket)
                {
                    sendTonewheelPacket();
                    break;
                }
            }
            else if (state == headerSent)
            {
                // The organ refused the header: nothing has been sent that it could use.
                uploadState = uploadFinished;
            }
            else
            {
                break;
            }
            sendToOrgan (filedump::cancel());
            deviceErrorCode = handshake.code;
            post (InternalMessage::uploadStatus, aborted);
            break;

        case Kind::cancel:
            // Also after EOF (a flash failure), but not on a link that has carried no transfer.
            if (state == noTransfer)
                break;
            deviceErrorCode = handshake.code;
            post (InternalMessage::uploadStatus, aborted);
            break;

        case Kind::ignored:
            break;
    }
}

// MIDI input thread, under uploadLock: the packet at uploadCursor, or EOF when none is left.
void MainContentComponent::sendChunkOrFinish()
{
    const int remaining = bytesRemaining.load();
    if (remaining <= 0)
    {
        uploadState = uploadFinished;
        sendToOrgan (filedump::endOfFile());
        post (InternalMessage::uploadStatus, done);
        return;
    }

    nakCount = 0;
    chunkSize = (uint8_t) std::min (remaining, filedump::maxChunkSize);
    sendTonewheelPacket();
}

void MainContentComponent::handleTonewheelTransferStatus (int status)
{
    switch (status)
    {
        case progress:
            // A box that replaced the progress box (lost connection, abort) keeps its text.
            if (transferUnderWay() && uploadProgressBox != nullptr)
                uploadProgressBox->setMessage (transmittingText + juce::String (bytesRemaining.load()));
            break;

        case done:
            stopTimer (watchdogTimer);
            closeMessageBoxIfOpen (uploadProgressBox);
            reconnectAwaitingReply();
            break;

        case aborted:
            stopTimer (watchdogTimer);
            showOkBox (abortedText + orvane::deviceErrorTextFor (deviceErrorCode.load()));
            reconnectAwaitingReply();
            break;

        default:
            break;
    }
}

// The progress box's Cancel.
void MainContentComponent::cancelTonewheelUpload()
{
    {
        // Taken so that a handshake being handled finishes first and the next one sends nothing.
        const juce::ScopedLock sl (uploadLock);
        // The MIDI thread may have ended the transfer since the click (EOF sent, the header
        // refused): its done or abort, on its way, reports it; a CANCEL would contradict it.
        if (! transferUnderWay())
            return;
        uploadState = uploadFinished;
    }
    stopTimer (watchdogTimer);
    sendToOrgan (filedump::cancel());
    showOkBox (abortedText + deletedText);
    reconnectAfterUpload();
}

// Identifies the organ afresh, which downloads its data again: the flag alone goes down, the
// panel keeps showing the connection meanwhile. A box that the window's going has ended (the
// quit ends its loop) is followed by nothing: nothing goes to the organ on quitting.
void MainContentComponent::reconnectAfterUpload()
{
    if (windowIsGoing())
        return;
    connected = false;
    sendToOrgan (orvane::protocol::identityRequestMessage());
}

// After the end or an abort of a transfer: reconnect, and give the organ the receive time-out
// to answer. A status handled after the link was switched off (the watchdog lost the organ
// while it was on its way) has nothing to reconnect: a time-out would only put a second
// error over the lost-connection box.
// The time-out is armed before the request goes out, so that the refusal of its answer, which
// stops it on the MIDI input thread, cannot come first.
void MainContentComponent::reconnectAwaitingReply()
{
    if (! connectButton.getToggleState() || windowIsGoing())
        return;
    startLinkTimer (receiveTimer);
    reconnectAfterUpload();
}

bool MainContentComponent::transferUnderWay() const noexcept
{
    const auto state = uploadState.load();
    return state == headerSent || state == sendingPackets;
}

// One transfer at a time: a box that replaced the progress box (a store's answer, say) leaves
// the panel free while the transfer runs on, and a second header would cut into it and
// overwrite the buffer that its packets are read from.
bool MainContentComponent::uploadMayStart() const noexcept
{
    return connected.load() && ! transferUnderWay();
}
