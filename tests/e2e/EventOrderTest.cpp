// Orders of events that a hand cannot time: a box that opens while the bulk send waits out its
// 200 ms behind the transmit box.
#include "EditorRig.h"

#include "organ/ProjectFile.h"

using namespace orvane;
using namespace orvane::test;

namespace
{
const juce::String transmittingText ("  Transmitting all parameters to the device...  ");
const juce::String connectionLostText ("  Communication error!  \n  Device lost connection.  \n  Please, reconnect to the device.  ");

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
    rig.boxes->keepOpen().addArray ({ transmittingText, connectionLostText });

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

    EXPECT_EQ (boxAfterBulkSend, connectionLostText);
    EXPECT_TRUE (rig.boxes->sawBox (transmittingText));
    EXPECT_FALSE (rig.editor->isConnected());
}
