// Orders of events that a hand cannot time: a box that opens while the bulk send waits out its
// 200 ms behind the transmit box; a search started while a late reply's download is pending; a
// reply that the old input is still handling when CONNECT is clicked; a download that ends
// behind a box that replaced the device-not-found box; an answer to a step of an older search,
// also one still queued when the new search's reply came; a refused identity after an accepted
// one or in the reconnection after an upload.
#include "EditorRig.h"

#include "organ/ProjectFile.h"

#include <optional>

using namespace orvane;
using namespace orvane::test;

namespace
{
/** Runs a function every few milliseconds on the message thread, also inside modal loops. */
struct Poll : juce::Timer
{
    std::function<void()> step;
    void timerCallback() override { step(); }
};

juce::String messageOf (CustomAlertWindow* box)
{
    return box == nullptr ? "(no box)" : box->getDescription().fromFirstOccurrenceOf (box->getName() + ". ", false, false);
}

/** Watches, also inside modal loops, for the first moment that `moment` holds: the box open
    then is read (its text, or "(no box)") and answered with its first button. */
class BoxAtMoment : private juce::Timer
{
public:
    BoxAtMoment (MainContentComponent& watched, std::function<bool()> when) : editor (watched), moment (std::move (when))
    {
        startTimer (5);
    }

    bool caught = false;
    juce::String text;

private:
    void timerCallback() override
    {
        if (caught || ! moment())
            return;
        caught = true;
        stopTimer();
        auto* box = Access::messageBox (editor);
        text = messageOf (box);
        if (box != nullptr)
            box->exitModalState (1);
    }

    MainContentComponent& editor;
    std::function<bool()> moment;
};

const emulator::Bytes identityReply { 0xF0, 0x7D, 0x1E, 0x07, 0x05, 0x03, 0x00, 0x01, 0x02, 0x00, 0xF7 };
const emulator::Bytes firstDumpRequest { 0xF0, 0x7D, 0x1E, 0x04, 0x7D, 0xF7 };
const emulator::Bytes operationComplete { 0xF0, 0x7D, 0x1E, 0x05, 0xF7 };

bool isDownloadStep (PendingOperation op) { return op >= downloadStep1 && op <= downloadStep3; }

/** An output that holds the MIDI input thread in the identity reply's handling: the first dump
    request waits there until the test has clicked, and a while longer, so that the click's
    handler meets the reply half handled (its time-out not yet armed). */
class HoldingPort : public MidiOutputPort
{
public:
    explicit HoldingPort (std::unique_ptr<MidiOutputPort> wrapped) : port (std::move (wrapped)) {}

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        if (test::bytesOf (message) == firstDumpRequest && ! held.exchange (true))
        {
            holding.signal();
            clicking.wait (5000);
            // Long enough for the click's handler to reach the input's deletion, which waits
            // for this call: shorter on a loaded machine, the old fault merely goes unseen.
            juce::Thread::sleep ((int) test::scaled (200));
        }
        port->sendMessageNow (message);
    }

    juce::WaitableEvent holding, clicking;

private:
    std::unique_ptr<MidiOutputPort> port;
    std::atomic<bool> held { false };
};
}   // namespace

TEST (EventOrder, LostConnectionBoxOpenedBeforeTheBulkSendStaysOpen)
{
    Rig rig;
    emulator::Faults faults;
    faults.pingAnswers = 0;   // the watchdog finds its first ping unanswered
    ASSERT_TRUE (rig.startConnected (faults));
    rig.boxes->keepOpen().addArray ({ transmittingParametersText, lostText });

    ProjectImage project;
    const auto file = rig.folder.get().getChildFile ("Order.hop");
    ASSERT_TRUE (writeProjectFile (project, file));
    Access::openProjectFile (*rig.editor, file);
    ASSERT_TRUE (Access::isTimerRunning (*rig.editor, bulkSendTimer));

    // The bulk send runs inside the lost-connection box's loop; the box open once it has run is
    // the one the player must still find, and then answers.
    BoxAtMoment afterBulkSend (*rig.editor, [&]
                               { return ! Access::isTimerRunning (*rig.editor, bulkSendTimer); });

    juce::MessageManager::callAsync ([&]
                                     { Access::fireTimer (*rig.editor, watchdogTimer); });
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return afterBulkSend.caught; },
                                      5000));

    EXPECT_EQ (afterBulkSend.text, lostText);
    EXPECT_TRUE (rig.boxes->sawBox (transmittingParametersText));
    EXPECT_FALSE (rig.editor->isConnected());
}

TEST (EventOrder, ASearchIsNotEndedByTheTimeOutOfADownloadALateReplyStarted)
{
    Rig rig;
    auto options = organOptions();
    // The organ answers its first identity request only after the one pair's search has given
    // up, and never serves the download that the reply starts on the ports left open.
    options.faults.setDelay (emulator::Answer::identity, (int) scaled (1500));
    options.faults.identityAnswers = 1;
    options.faults.setDelay (emulator::Answer::dumpStep1, emulator::never);
    rig.startOrgan (options);
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (notFoundText, (int) scaled (4000)));
    // The reply arms the download's time-out last of all.
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return Access::isTimerRunning (*rig.editor, receiveTimer); },
                                      (int) scaled (5000)));

    rig.clickConnect();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return rig.boxes->timesSeen (notFoundText) == 2; },
                                      (int) scaled (4000)));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, receiveTimer));
    EXPECT_FALSE (rig.boxes->sawBox (receiveFailedText));
}

// A reply that the old input is still handling when CONNECT is clicked arms the download's
// time-out once the click has stopped it, unless the click lets the input go first: switched
// on, the "Communication error!" box would end the new search 6 s later; switched off, it would
// come 6 s after the player let the organ go.
TEST (EventOrder, AReplyHandledDuringTheClickLeavesNoDownloadBehind)
{
    struct Case
    {
        const char* name;
        bool switchOn;   // the click's direction
    };
    for (const Case& c : { Case { "switched on after the search gave up", true },
                           Case { "switched off during the download", false } })
    {
        SCOPED_TRACE (c.name);
        Rig rig;
        auto options = organOptions();
        if (c.switchOn)
            options.faults.identityAnswers = 0;   // the search ends with its box, the ports left open
        else
            options.faults.setDelay (emulator::Answer::dumpStep1, emulator::never);
        rig.startOrgan (options);
        rig.startEditor();
        rig.clickConnect();
        if (c.switchOn)
        {
            ASSERT_TRUE (rig.waitForBox (notFoundText, (int) scaled (4000)));
            ASSERT_TRUE (runMessageLoopUntil ([&]
                                              { return ! rig.connect().getToggleState(); },
                                              (int) scaled (4000)));
        }
        else
        {
            ASSERT_TRUE (runMessageLoopUntil ([&]
                                              { return Access::isTimerRunning (*rig.editor, receiveTimer); },
                                              (int) scaled (4000)));
        }

        auto port = rig.editor->getMidiPorts().openOutput (0);   // the organ's, the only one
        ASSERT_NE (port, nullptr);
        auto holder = std::make_unique<HoldingPort> (std::move (port));
        auto& hold = *holder;
        Access::midiOutput (*rig.editor).replace (std::move (holder));

        // A late identity reply (or a second one during the download) on the ports open now.
        rig.organ->sendRaw (identityReply);
        ASSERT_TRUE (hold.holding.wait ((int) scaled (5000)));
        hold.clicking.signal();
        rig.connect().setToggleState (c.switchOn, juce::sendNotification);

        EXPECT_FALSE (Access::isTimerRunning (*rig.editor, receiveTimer));
        EXPECT_FALSE (isDownloadStep (rig.editor->getPendingOperation()));
    }
}

// STORE pending across CONNECT off and on runs its time-out on; it replaces the box with which
// the search gave up. The organ's late reply then downloads: the completed download closes the
// device-not-found box only, and the store's failure stays for the player to read.
TEST (EventOrder, TheDownloadBehindTheSearchsEndLeavesTheBoxThatReplacedItsBox)
{
    Rig rig;
    emulator::Faults faults;
    faults.setDelay (emulator::Answer::store, emulator::never);
    ASSERT_TRUE (rig.startConnected (faults));
    faults.pingAnswers = 0;   // the next search's identity requests go unanswered
    rig.organ->setFaults (faults);

    Access::storeButton (*rig.editor).setToggleState (true, juce::sendNotification);
    ASSERT_TRUE (Access::isTimerRunning (*rig.editor, storeTimer));
    rig.connect().setToggleState (false, juce::sendNotification);

    rig.boxes->keepOpen().addArray ({ notFoundText, storeFailedText });
    rig.boxes->whenOpened (notFoundText, [&]
                           { juce::MessageManager::callAsync ([&]
                                                              { Access::fireTimer (*rig.editor, storeTimer); }); });
    rig.boxes->whenOpened (storeFailedText, [&]
                           { rig.organ->sendRaw (identityReply); });

    // Once the download has completed, the box open then is read and answered.
    BoxAtMoment whenConnected (*rig.editor, [&]
                               { return rig.editor->isConnected(); });

    rig.clickConnect();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return whenConnected.caught; },
                                      (int) scaled (8000)));

    EXPECT_TRUE (rig.boxes->sawBox (notFoundText));
    EXPECT_EQ (whenConnected.text, storeFailedText);
}

// CONNECT switched off while the download waits for its third answer, then on: an
// operation-complete that arrives during the new search answers the older search's step and
// must not connect an organ that this search never identified.
TEST (EventOrder, AnAnswerToAStepOfAnOlderSearchConnectsNothing)
{
    Rig rig;
    auto options = organOptions();
    // The new search is not answered: its requests count as pings once the third dump
    // request has come.
    options.faults.identityAnswers = 1;
    options.faults.pingAnswers = 0;
    options.faults.setDelay (emulator::Answer::dumpStep3, emulator::never);
    rig.startOrgan (options);
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return rig.editor->getPendingOperation() == downloadStep3; },
                                      (int) scaled (4000)));

    rig.connect().setToggleState (false, juce::sendNotification);
    const auto requestsBefore = rig.pingsReceived().size();
    rig.connect().setToggleState (true, juce::sendNotification);

    // The organ has read the new search's request, so it has taken the input opened before it.
    ASSERT_TRUE (rig.organ->waitUntil ([&]
                                       { return rig.pingsReceived().size() > requestsBefore; },
                                       (int) scaled (4000)));
    rig.organ->sendRaw (operationComplete);

    bool everConnected = false;
    Poll poll;
    poll.step = [&]
    { everConnected = everConnected || rig.editor->isConnected(); };
    poll.startTimer (5);
    const bool searchEnded = rig.waitForBox (notFoundText, (int) scaled (4000));
    poll.stopTimer();

    EXPECT_TRUE (searchEnded);
    EXPECT_FALSE (everConnected);
    EXPECT_FALSE (rig.editor->isConnected());
}

namespace
{
/** Waits for a condition with the message loop standing still, so that what the MIDI input
    thread posts meanwhile stays queued; false when the time passes first. */
bool waitWithLoopStill (const std::function<bool()>& condition, int timeoutMs)
{
    const double end = now() + scaled (timeoutMs);
    while (! condition())
    {
        if (now() > end)
            return false;
        juce::Thread::sleep (1);
    }
    return true;
}
}   // namespace

// An operation-complete that the old input posted before CONNECT is handled only after the new
// search's identity reply has set step 1: it answers nothing of the new download, which must
// wait for its own first answer.
TEST (EventOrder, AnOlderSearchsAnswerQueuedBehindTheNewReplyMovesNoStep)
{
    Rig rig;
    auto options = organOptions();
    // The test sends every identity reply, and the first dump request is never answered: each
    // download stays at the step that its reply set.
    options.faults.identityAnswers = 0;
    options.faults.setDelay (emulator::Answer::dumpStep1, emulator::never);
    rig.startOrgan (options);
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (notFoundText, (int) scaled (4000)));
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! rig.connect().getToggleState(); },
                                      (int) scaled (4000)));
    const auto pending = [&]
    { return rig.editor->getPendingOperation(); };

    // On the ports left open: an operation-complete, then a late reply whose download shows
    // that the input has taken both; the operation-complete is still queued.
    rig.organ->sendRaw (operationComplete);
    rig.organ->sendRaw (identityReply);
    ASSERT_TRUE (waitWithLoopStill ([&]
                                    { return pending() == downloadStep1; },
                                    5000));

    const auto requestsBefore = rig.pingsReceived().size();
    rig.connect().setToggleState (true, juce::sendNotification);
    ASSERT_EQ (pending(), noOperation);
    // The organ has read the new search's request, so it has taken the input opened before it.
    ASSERT_TRUE (waitWithLoopStill ([&]
                                    { return rig.pingsReceived().size() > requestsBefore; },
                                    5000));
    rig.organ->sendRaw (identityReply);
    ASSERT_TRUE (waitWithLoopStill ([&]
                                    { return pending() == downloadStep1; },
                                    5000));

    // The queued operation-complete is handled before this.
    bool drained = false;
    juce::MessageManager::callAsync ([&]
                                     { drained = true; });
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return drained; },
                                      2000));
    EXPECT_EQ (pending(), downloadStep1);
    EXPECT_TRUE (Access::isTimerRunning (*rig.editor, receiveTimer));
    EXPECT_FALSE (rig.editor->isConnected()) << "connected without the organ's first dump";
}

// A refused identity reply ends the link whole wherever it comes: the download that an earlier
// reply of the same search started, or the reconnection after an upload (its end, or the
// player's Cancel), which still shows the organ. As the refusal's box opens, the panel agrees
// with it and no time-out is left to put "Communication error!" over it.
TEST (EventOrder, ARefusedIdentityEndsTheLinkWhole)
{
    const juce::String refusedText ("  The Editor is out of date. Please, download the latest version.  ");
    const emulator::Identity tooNew { 6, 3, 0, 1, 2, 0 };

    enum class When
    {
        duringTheDownload,
        afterTheUploadsEnd,
        afterTheUploadsCancel
    };
    struct Case
    {
        const char* name;
        When when;
    };
    for (const Case& c : { Case { "after an accepted reply of the same search", When::duringTheDownload },
                           Case { "in the reconnection after the upload's end", When::afterTheUploadsEnd },
                           Case { "in the reconnection after the upload's Cancel", When::afterTheUploadsCancel } })
    {
        SCOPED_TRACE (c.name);
        Rig rig;
        auto options = organOptions();
        if (c.when == When::duringTheDownload)
            options.faults.setDelay (emulator::Answer::dumpStep1, emulator::never);
        if (c.when == When::afterTheUploadsCancel)
            options.faults.setDelay (emulator::Answer::fileDumpPacket, emulator::never);
        rig.startOrgan (options);
        rig.startEditor();

        struct Seen
        {
            bool receiveTimer, watchdog, connectOn, connected;
            juce::String model, firmware;
        };
        std::optional<Seen> seen;
        rig.boxes->whenOpened (refusedText, [&]
                               {
            auto& e = *rig.editor;
            seen = Seen { Access::isTimerRunning (e, receiveTimer), Access::isTimerRunning (e, watchdogTimer),
                          rig.connect().getToggleState(), e.isConnected(), Access::modelLabel (e).getText(),
                          Access::firmwareLabel (e).getText() }; });
        rig.clickConnect();

        if (c.when == When::duringTheDownload)
        {
            ASSERT_TRUE (runMessageLoopUntil ([&]
                                              { return rig.editor->getPendingOperation() == downloadStep1; },
                                              (int) scaled (4000)));
            const auto& id = tooNew;
            rig.organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x07, id.protocol, id.model, id.revision, id.release, id.build1, id.build2, 0xF7 });
        }
        else
        {
            ASSERT_TRUE (rig.waitConnected (8000));
            rig.organ->setIdentity (tooNew);   // the pings meanwhile only answer the watchdog
            rig.boxes->keepOpen().add (transmittingTonewheelText);
            const auto file = rig.folder.get().getChildFile ("wheel.otw");
            emulator::Bytes bytes { 0x63, 0x19, 0x07, 0x27 };
            bytes.resize (64 + 300, 0x11);
            ASSERT_TRUE (file.replaceWithData (bytes.data(), bytes.size()));
            Access::uploadTonewheelFile (*rig.editor, 4, file);
            if (c.when == When::afterTheUploadsCancel)
            {
                ASSERT_TRUE (rig.organ->waitUntil ([&]
                                                   { return rig.organ->getFileDump().packetsAccepted == 1; },
                                                   (int) scaled (5000)));
                auto* progress = Access::messageBox (*rig.editor);
                ASSERT_NE (progress, nullptr);
                progress->exitModalState (2);   // its Cancel button
            }
        }

        ASSERT_TRUE (rig.waitForBox (refusedText, (int) scaled (8000)));
        ASSERT_TRUE (seen.has_value());
        EXPECT_FALSE (seen->receiveTimer) << "the receive time-out runs on";
        EXPECT_FALSE (seen->watchdog);
        EXPECT_FALSE (seen->connectOn);
        EXPECT_FALSE (seen->connected);
        EXPECT_EQ (seen->model, "") << "the indicator and labels still show the organ";
        EXPECT_EQ (seen->firmware, "");
        EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    }
}
