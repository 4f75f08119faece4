// The tonewheel upload end to end: the editor sends a file to the organ emulator with the
// File Dump protocol, and reacts to the organ's refusals and to the user's Cancel.
#include "EditorRig.h"

using namespace orvane;
using namespace orvane::test;
using emulator::Answer;

namespace
{
const juce::String abortedText ("  Transmission aborted.  \n  ");
const juce::String deletedText ("  The tonewheel has been deleted!  The organ may not work properly.  Please, reload the tonewheel.  ");

const emulator::Bytes endOfFile { 0xF0, 0x7E, 0x00, 0x7B, 0x00, 0xF7 };
const emulator::Bytes cancel { 0xF0, 0x7E, 0x00, 0x7D, 0x00, 0xF7 };

/** A tonewheel file: the magic, 28 unused bytes, a 32-byte name with bytes of 80 and above,
    then the payload. */
juce::File writeTonewheelFile (const juce::File& folder, const emulator::Bytes& payload)
{
    emulator::Bytes bytes { 0x63, 0x19, 0x07, 0x27 };
    bytes.resize (64, 0);
    for (int i = 0; i < 32; ++i)
        bytes[(size_t) (32 + i)] = (uint8_t) (0xC1 + i);
    bytes.insert (bytes.end(), payload.begin(), payload.end());

    const auto file = folder.getChildFile ("wheels.otw");
    file.replaceWithData (bytes.data(), bytes.size());
    return file;
}

emulator::Bytes patternPayload (int size)
{
    emulator::Bytes payload ((size_t) size);
    for (int i = 0; i < size; ++i)
        payload[(size_t) i] = (uint8_t) (i * 37 + 11);   // every value, 80 and above included
    return payload;
}

struct UploadRig : Rig
{
    explicit UploadRig (emulator::Faults faults = {})
    {
        EXPECT_TRUE (startConnected (faults));
        boxes->keepOpen().add (transmittingTonewheelText);
        organ->clearRecords();
    }

    void upload (int slot, const emulator::Bytes& payload)
    {
        Access::uploadTonewheelFile (*editor, slot, writeTonewheelFile (folder.get(), payload));
    }

    double timeReceived (const emulator::Bytes& bytes) const
    {
        for (const auto& m : organ->getReceived())
            if (m.bytes == bytes)
                return m.timeMs;
        return -1;
    }

    /** The place of the first such message among those received, or -1. */
    int indexReceived (const emulator::Bytes& bytes) const
    {
        const auto received = organ->getReceived();
        for (size_t i = 0; i < received.size(); ++i)
            if (received[i].bytes == bytes)
                return (int) i;
        return -1;
    }

    int countReceived (const emulator::Bytes& bytes) const
    {
        int n = 0;
        for (const auto& m : organ->getReceived())
            n += m.bytes == bytes ? 1 : 0;
        return n;
    }

    /** After `since`: an identity request, then the three dump requests of a fresh download. */
    bool identifiedAndDownloadedAfter (double since) const
    {
        bool identified = false;
        std::vector<uint8_t> requests;
        for (const auto& m : organ->getReceived())
        {
            if (m.timeMs < since)
                continue;
            identified = identified || isIdentityRequest (m);
            if (identified && m.bytes.size() == 6 && m.bytes[3] == 0x04)
                requests.push_back (m.bytes[4]);
        }
        return requests == std::vector<uint8_t> { 0x7D, 0x7E, 0x7C };
    }
};
}   // namespace

TEST (TonewheelUpload, PayloadArrivesWholeAndTheOrganIsDownloadedAgain)
{
    struct Case
    {
        int payloadSize;
        int packets;
    };
    const Case cases[] = { { 1000, 10 }, { 104 * 130, 130 }, { 0, 0 } };   // 130: the packet number wraps

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.payloadSize);
        UploadRig rig;
        const auto payload = patternPayload (c.payloadSize);
        const auto slotName = rig.editor->getTonewheelSlotName (4);
        rig.upload (4, payload);

        ASSERT_TRUE (rig.organ->waitUntil ([&]
                                           { return rig.organ->getFileDump().complete; },
                                           10000));
        const auto dump = rig.organ->getFileDump();
        EXPECT_EQ (dump.type, (std::array<uint8_t, 4> { 'A', 'C', '2', 0 }));
        EXPECT_EQ (dump.declaredLength, (uint32_t) c.payloadSize);
        EXPECT_EQ (dump.payload, payload);
        EXPECT_EQ (dump.packetsAccepted, c.packets);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ (dump.name[(size_t) i], (uint8_t) ((0xC1 + i) & 0x7F));

        EXPECT_TRUE (rig.boxes->sawBox ("  Warning!  \"" + slotName + "\" will be lost.  Are you sure ? "));
        EXPECT_TRUE (rig.boxes->sawBox (transmittingTonewheelText));
        EXPECT_EQ (rig.countReceived (endOfFile), 1);

        const double eofAt = rig.timeReceived (endOfFile);
        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return rig.identifiedAndDownloadedAfter (eofAt) && rig.editor->isConnected(); },
                                          5000));
        EXPECT_EQ (Access::messageBox (*rig.editor), nullptr) << "done closes the progress box";
        EXPECT_EQ (Access::uploadState (*rig.editor).load(), uploadFinished);
        EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
    }
}

TEST (TonewheelUpload, RefusalsAbortWithTheOrgansErrorText)
{
    struct Case
    {
        const char* what;
        emulator::Faults faults;
        const char* text;
        bool editorCancels;
        int naks, packetsAccepted;
    };

    emulator::Faults headerNak;
    headerNak.headerNakCode = 3;
    emulator::Faults threeNaks;
    threeNaks.nak = { 2, 3, 4 };
    emulator::Faults organCancelsPacket;
    organCancelsPacket.cancel = { emulator::CancelFault::When::afterPacket, 1, 5 };
    emulator::Faults organCancelsHeader;
    organCancelsHeader.cancel = { emulator::CancelFault::When::onHeader, 0, 9 };

    const Case cases[] = {
        // The refused packet is sent three times, no further one.
        { "three NAKs of one packet", threeNaks, "The dsp can not erase flash!", true, 3, 2 },
        { "NAK of the header", headerNak, "The dsp is not responding!", true, 1, 0 },
        { "CANCEL after a packet", organCancelsPacket, "The dsp can not write flash!", false, 0, 1 },
        { "CANCEL of the header, unknown code", organCancelsHeader, "The device reported error 9!", false, 0, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        UploadRig rig (c.faults);
        rig.upload (3, patternPayload (1000));

        const auto abortBox = abortedText + c.text;
        ASSERT_TRUE (rig.waitForBox (abortBox, 5000));
        const double abortAt = rig.boxes->timeOf (abortBox);

        const auto dump = rig.organ->getFileDump();
        EXPECT_FALSE (dump.complete);
        EXPECT_EQ (dump.cancelledByEditor, c.editorCancels);
        EXPECT_EQ (rig.countReceived (cancel), c.editorCancels ? 1 : 0);
        EXPECT_EQ (rig.countReceived (endOfFile), 0);
        EXPECT_EQ (dump.naksSent, c.naks);
        EXPECT_EQ (dump.packetsAccepted, c.packetsAccepted);
        EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");

        // Once the box is answered the editor identifies the organ and downloads it again.
        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return rig.identifiedAndDownloadedAfter (abortAt) && rig.editor->isConnected(); },
                                          5000));
    }
}

TEST (TonewheelUpload, AnOrganSilentAfterTheUploadOrItsAbortEndsWithTheReceiveTimeOut)
{
    const ShortLinkTimes shortTimes (0.25);
    struct Case
    {
        const char* what;
        emulator::Faults faults;
        juce::String lastUploadBox;   // the upload's last box before the organ is asked again
    };
    emulator::Faults threeNaks;
    threeNaks.nak = { 1, 3, 4 };
    emulator::Faults organCancels;
    organCancels.cancel = { emulator::CancelFault::When::afterPacket, 1, 5 };
    const Case cases[] = {
        { "completed", {}, transmittingTonewheelText },
        { "three NAKs", threeNaks, abortedText + "The dsp can not erase flash!" },
        { "the organ's CANCEL", organCancels, abortedText + "The dsp can not write flash!" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        UploadRig rig (c.faults);
        auto faults = rig.organ->getFaults();
        faults.setDelay (Answer::ping, emulator::never);   // the reconnection's identity request
        rig.organ->setFaults (faults);
        rig.upload (3, patternPayload (300));

        // The time-out runs from the reconnection, once the upload's last box has gone.
        ASSERT_TRUE (rig.waitForBox (c.lastUploadBox, 5000));
        ASSERT_TRUE (rig.waitForBox (receiveFailedText, 6000 + 2000));
        const auto boxes = rig.boxes->texts();
        EXPECT_EQ (boxes.indexOf (receiveFailedText), boxes.indexOf (c.lastUploadBox) + 1)
            << "the receive time-out's box follows the upload's last box:\n"
            << boxes.joinIntoString ("|\n");
        EXPECT_FALSE (rig.boxes->sawBox (lostText)) << "the receive time-out, not the watchdog, ends the link";

        const auto received = rig.organ->getReceived();
        const auto lastOfTransfer = std::find_if (received.crbegin(), received.crend(), [] (const emulator::Message& m)
                                                  { return m.bytes.size() > 1 && m.bytes[1] == 0x7E; });
        ASSERT_NE (lastOfTransfer, received.crend());
        EXPECT_TRUE (std::any_of (received.crbegin(), lastOfTransfer, isIdentityRequest)) << "the organ is asked again after the upload";

        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return ! rig.connect().getToggleState(); },
                                          1000));
        EXPECT_FALSE (rig.editor->isConnected());
    }
}

TEST (TonewheelUpload, UserCancelStopsTheTransfer)
{
    emulator::Faults faults;
    faults.setDelay (Answer::fileDumpPacket, emulator::never);   // the first packet is never answered
    UploadRig rig (faults);
    rig.upload (5, patternPayload (1000));

    ASSERT_TRUE (rig.organ->waitUntil ([&]
                                       { return rig.organ->getFileDump().packetsAccepted == 1; },
                                       5000));
    auto* box = Access::messageBox (*rig.editor);
    ASSERT_NE (box, nullptr);
    juce::Button* cancelButton = nullptr;
    for (auto* child : box->getChildren())
        if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getButtonText() == "Cancel")
            cancelButton = button;
    ASSERT_NE (cancelButton, nullptr);

    // As the abort box opens, a message of another maker goes out on the editor's own output:
    // the organ reads one connection in order, so CANCEL comes before it if it came first.
    const auto abortBox = abortedText + deletedText;
    const auto boxOpened = foreignAndEchoedMessages().front();
    rig.boxes->whenOpened (abortBox, [&]
                           { Access::midiOutput (*rig.editor).send (midi (boxOpened)); });
    cancelButton->triggerClick();

    ASSERT_TRUE (rig.waitForBox (abortBox, 3000));
    const double boxAt = rig.boxes->timeOf (abortBox);
    EXPECT_TRUE (rig.organ->getFileDump().cancelledByEditor);
    ASSERT_TRUE (rig.organ->waitUntil ([&]
                                       { return rig.countReceived (boxOpened) == 1; },
                                       3000));
    EXPECT_EQ (rig.countReceived (cancel), 1);
    EXPECT_LT (rig.indexReceived (cancel), rig.indexReceived (boxOpened)) << "CANCEL is sent before the box opens";
    EXPECT_EQ (Access::uploadState (*rig.editor).load(), uploadFinished);

    // Once the box is answered the organ is identified afresh; the transfer sent nothing more.
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return rig.identifiedAndDownloadedAfter (boxAt) && rig.editor->isConnected(); },
                                      5000));
    EXPECT_EQ (rig.countReceived (endOfFile), 0);
    EXPECT_EQ (rig.organ->getFileDump().packetsAccepted, 1);
}

TEST (TonewheelUpload, ProgressShowsTheBytesStillToSend)
{
    Rig rig;   // no organ: the test plays its handshakes on a recording output
    rig.startEditor();
    rig.boxes->keepOpen().add (transmittingTonewheelText);
    const auto sent = Access::recordOutput (*rig.editor);
    Access::connected (*rig.editor) = true;   // an upload starts only while connected
    Access::uploadTonewheelFile (*rig.editor, 3, writeTonewheelFile (rig.folder.get(), patternPayload (1000)));
    ASSERT_TRUE (rig.waitForBox (transmittingTonewheelText, 2000));

    const juce::MidiMessage ack (emulator::Bytes { 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 }.data(), 6);
    Access::receive (*rig.editor, ack);   // the header
    Access::receive (*rig.editor, ack);   // packet 0
    runMessageLoopFor (100);

    auto* box = Access::messageBox (*rig.editor);
    ASSERT_NE (box, nullptr);
    EXPECT_TRUE (box->getDescription().endsWith (transmittingTonewheelText + "896"));
}

TEST (TonewheelUpload, LateHandshakesLeaveTheLostConnectionBoxAlone)
{
    const ShortLinkTimes shortTimes (0.25);
    emulator::Faults faults;
    faults.unplug = { 0, emulator::never };   // the organ vanishes after the first packet
    UploadRig rig (faults);
    rig.boxes->keepOpen().add (lostText);

    // The lost-connection box holds the message thread in its modal loop, so what happens
    // while it is open is played from inside that loop: the handshakes that were on their way
    // when the watchdog gave up (each ACK posts progress, the third done), then a look at the
    // box a while later, then the box is closed.
    struct Seen
    {
        bool played = false, sameBox = false, sameText = false, timeOutArmed = true, finished = false;
    };
    Seen seen;
    juce::Component::SafePointer<CustomAlertWindow> lostBox;
    juce::String lostDescription;
    const juce::MidiMessage ack (emulator::Bytes { 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 }.data(), 6);

    std::function<void()> look = [&]
    {
        auto* box = Access::messageBox (*rig.editor);
        if (! seen.played)
        {
            if (box == nullptr || ! box->getDescription().endsWith (lostText))
            {
                juce::Timer::callAfterDelay (5, [&]
                                             { look(); });
                return;
            }
            lostBox = box;
            lostDescription = box->getDescription();
            for (int packet = 0; packet < 3; ++packet)
                Access::receive (*rig.editor, ack);
            seen.played = true;
            juce::Timer::callAfterDelay (300, [&]
                                         { look(); });
            return;
        }
        seen.sameBox = box != nullptr && box == lostBox.getComponent();
        seen.sameText = seen.sameBox && box->getDescription() == lostDescription;
        seen.timeOutArmed = Access::isTimerRunning (*rig.editor, receiveTimer);
        seen.finished = true;
        if (box != nullptr)
            box->exitModalState (1);
    };
    juce::Timer::callAfterDelay (5, [&]
                                 { look(); });

    rig.upload (3, patternPayload (300));   // three packets
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return seen.finished; },
                                      10000));
    EXPECT_TRUE (rig.boxes->sawBox (lostText));
    EXPECT_TRUE (seen.sameBox) << "a late done closed the lost-connection box";
    EXPECT_TRUE (seen.sameText) << "a late progress rewrote the lost-connection box";
    EXPECT_EQ (Access::uploadState (*rig.editor).load(), uploadFinished) << "the three ACKs were taken";

    // The link is off: nothing to reconnect, so no receive time-out puts its box up later.
    EXPECT_FALSE (seen.timeOutArmed);
    EXPECT_FALSE (Access::connectButton (*rig.editor).getToggleState());
}

// A transfer that a lost link left half-way ends with that link: the ports of the next one may
// still bring its handshakes (an ACK on its way, the organ's CANCEL), and nothing answers them.
TEST (TonewheelUpload, ATransferThatAnOlderLinkLeftHalfWayIsAnsweredNoMore)
{
    const ShortLinkTimes shortTimes (0.25);
    emulator::Faults faults;
    faults.unplug = { 0, emulator::never };   // the organ vanishes after the first packet
    UploadRig rig (faults);
    rig.upload (3, patternPayload (300));
    ASSERT_TRUE (rig.waitForBox (lostText, 10000));
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return Access::messageBox (*rig.editor) == nullptr; },
                                      5000));
    ASSERT_EQ (Access::uploadState (*rig.editor).load(), sendingPackets) << "the loss left the transfer as it was";

    const int searches = rig.boxes->timesSeen (searchingText);
    rig.clickConnect();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return rig.boxes->timesSeen (searchingText) > searches; },
                                      3000));
    const auto sent = Access::recordOutput (*rig.editor);
    for (const auto& handshake : { emulator::Bytes { 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 },     // ACK
                                   emulator::Bytes { 0xF0, 0x7E, 0x00, 0x7E, 0x00, 0xF7 },     // NAK
                                   emulator::Bytes { 0xF0, 0x7E, 0x00, 0x7D, 0x02, 0xF7 } })   // CANCEL
        Access::receive (*rig.editor, midi (handshake));
    runMessageLoopFor (300);

    for (const auto& bytes : sent->get())
        EXPECT_NE (bytes[1], 0x7E) << "a File Dump message went out: " << hex (bytes);
    EXPECT_FALSE (rig.boxes->sawBox (abortedText + "The size of the tonewheel is wrong!"));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, receiveTimer)) << "the search was handed a time-out";
}

// A store made before the upload times out during it: its box replaces the progress box, and
// the transfer runs on with the panel free. Neither the TONEWHEEL button nor a file chosen in
// its dialog may then start a second transfer, whose header would cut into the first.
TEST (TonewheelUpload, NoSecondTransferStartsWhileOneRunsWithoutItsBox)
{
    emulator::Faults faults;
    faults.setDelay (Answer::fileDumpPacket, emulator::never);   // the first packet is never answered
    faults.setDelay (Answer::store, emulator::never);
    UploadRig rig (faults);
    Access::storeButton (*rig.editor).setToggleState (true, juce::sendNotification);
    rig.upload (5, patternPayload (1000));
    ASSERT_TRUE (rig.organ->waitUntil ([&]
                                       { return rig.organ->getFileDump().packetsAccepted == 1; },
                                       5000));
    juce::MessageManager::callAsync ([&]
                                     { Access::fireTimer (*rig.editor, storeTimer); });
    ASSERT_TRUE (rig.waitForBox (storeFailedText, 3000));
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return Access::messageBox (*rig.editor) == nullptr; },
                                      3000));
    ASSERT_EQ (Access::uploadState (*rig.editor).load(), sendingPackets);

    // The slot menu, were it to open, is seen and dismissed by a message posted before the click.
    bool looked = false, menuOpened = false;
    juce::MessageManager::callAsync ([&]
                                     {
        looked = true;
        if (auto* modal = juce::ModalComponentManager::getInstance()->getModalComponent (0))
        {
            menuOpened = true;
            modal->exitModalState (0);
        } });
    Access::tonewheelButton (*rig.editor).setToggleState (true, juce::sendNotification);
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return looked; },
                                      2000));
    EXPECT_FALSE (menuOpened) << "TONEWHEEL opened its menu during the transfer";
    EXPECT_FALSE (Access::tonewheelButton (*rig.editor).getToggleState());

    rig.upload (4, patternPayload (500));
    EXPECT_EQ (rig.boxes->timesSeen (transmittingTonewheelText), 1) << "a second transfer started";
    EXPECT_EQ (Access::uploadState (*rig.editor).load(), sendingPackets);
}
