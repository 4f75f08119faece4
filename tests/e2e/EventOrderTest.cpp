// Orders of events that a hand cannot time: a box that opens while the bulk send waits out its
// 200 ms behind the transmit box; a search started while a late reply's download is pending.
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
