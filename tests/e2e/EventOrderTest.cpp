// Orders of events that a hand cannot time: a box that opens while the bulk send waits out its
// 200 ms behind the transmit box; a search started while a late reply's download is pending; a
// reply that the old input is still handling when CONNECT is clicked; a download that ends
// behind a box that replaced the device-not-found box; an answer to a step of an older search.
#include "EditorRig.h"

#include "organ/ProjectFile.h"

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
    bool bulkSendRan = false;
    juce::String boxAfterBulkSend;
    Poll poll;
    poll.step = [&]
    {
        if (bulkSendRan || Access::isTimerRunning (*rig.editor, bulkSendTimer))
            return;
        bulkSendRan = true;
        auto* box = Access::messageBox (*rig.editor);
        boxAfterBulkSend = messageOf (box);
        if (box != nullptr)
            box->exitModalState (1);
    };
    poll.startTimer (5);

    juce::MessageManager::callAsync ([&]
                                     { Access::fireTimer (*rig.editor, watchdogTimer); });
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return bulkSendRan; },
                                      5000));
    poll.stopTimer();

    EXPECT_EQ (boxAfterBulkSend, lostText);
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
    const juce::String storeFailedText ("  Missing confirmation error!  \n  Failed to store data.  ");
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
    juce::String boxWhenConnected;
    bool done = false;
    Poll poll;
    poll.step = [&]
    {
        if (done || ! rig.editor->isConnected())
            return;
        done = true;
        auto* box = Access::messageBox (*rig.editor);
        boxWhenConnected = messageOf (box);
        if (box != nullptr)
            box->exitModalState (1);
    };
    poll.startTimer (5);

    rig.clickConnect();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return done; },
                                      (int) scaled (8000)));
    poll.stopTimer();

    EXPECT_TRUE (rig.boxes->sawBox (notFoundText));
    EXPECT_EQ (boxWhenConnected, storeFailedText);
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
