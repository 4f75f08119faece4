// STORE and RESET end to end: the editor connected to the organ emulator, the organ's
// operation-complete message as the confirmation, the 6000 ms time-outs on the real timers.
#include "EditorRig.h"

#include "resources/OrganTables.h"

using namespace orvane;
using namespace orvane::test;
using emulator::Answer;

namespace
{
const juce::String storedText ("  All data has been stored successfully.  ");
const juce::String resetDoneText ("  All data has been reset successfully.  ");
const juce::String resetQuestionText ("  Warning!  All data will be reset to the default values. Do you want to continue?  ");

const emulator::Bytes storeRequest { 0xF0, 0x7D, 0x1E, 0x03, 0x00, 0xF7 };
const emulator::Bytes resetRequest { 0xF0, 0x7D, 0x1E, 0x08, 0x00, 0xF7 };
const emulator::Bytes operationComplete { 0xF0, 0x7D, 0x1E, 0x05, 0xF7 };

constexpr int confirmationTimeoutMs = 6000;

/** One of the two requests, for the cases that both share. */
struct Request
{
    const char* name;
    juce::Button& (*button) (MainContentComponent&);
    Answer answer;
    emulator::Bytes message;
    juce::String doneText, failedText;
    LinkTimer timer;
};

const Request store { "STORE", Access::storeButton, Answer::store, storeRequest, storedText, storeFailedText, storeTimer };
const Request reset { "RESET", Access::resetButton, Answer::reset, resetRequest, resetDoneText, resetFailedText, resetTimer };

std::vector<double> timesOf (const std::vector<emulator::Message>& messages, const emulator::Bytes& bytes)
{
    std::vector<double> times;
    for (const auto& m : messages)
        if (m.bytes == bytes)
            times.push_back (m.timeMs);
    return times;
}

/** Every slider's value and every selector's id on the panel, in component order. */
std::vector<double> panelState (const juce::Component& component)
{
    std::vector<double> state;
    for (auto* child : component.getChildren())
    {
        if (auto* slider = dynamic_cast<juce::Slider*> (child))
            state.push_back (slider->getValue());
        else if (auto* comboBox = dynamic_cast<juce::ComboBox*> (child))
            state.push_back (comboBox->getSelectedId());
        const auto inner = panelState (*child);
        state.insert (state.end(), inner.begin(), inner.end());
    }
    return state;
}

/** A rig whose editor is connected to an organ with the given faults. */
struct ConnectedRig : Rig
{
    explicit ConnectedRig (emulator::Faults faults = {})
    {
        connectedOk = startConnected (faults);
    }

    /** Clicks the button as the mouse does and returns the time of the click. */
    double click (const Request& request)
    {
        const double t = now();
        request.button (*editor).triggerClick();
        return t;
    }

    std::vector<double> requestsReceived (const Request& request) const
    {
        return timesOf (organ->getReceived(), request.message);
    }

    bool connectedOk = false;
};

emulator::Faults delayed (Answer kind, int ms)
{
    emulator::Faults faults;
    faults.setDelay (kind, ms);
    return faults;
}
}   // namespace

TEST (StoreReset, StoreConfirmedShowsItsBoxThenSwitchesTheButtonOff)
{
    ConnectedRig rig;
    ASSERT_TRUE (rig.connectedOk);
    const auto before = panelState (*rig.editor);
    bool onWhileBoxOpen = false;
    rig.boxes->answer (storedText, [&]
                       { onWhileBoxOpen = Access::storeButton (*rig.editor).getToggleState(); return 1; });

    rig.click (store);
    ASSERT_TRUE (rig.waitForBox (storedText, 3000));
    test::runMessageLoopFor (50);

    const auto requests = rig.requestsReceived (store);
    ASSERT_EQ (requests.size(), 1u);
    const auto confirmations = timesOf (rig.organ->getSent(), operationComplete);
    ASSERT_FALSE (confirmations.empty());
    EXPECT_GE (rig.boxes->timeOf (storedText), confirmations.back()) << "the box follows the organ's confirmation";
    EXPECT_TRUE (onWhileBoxOpen) << "the button goes off only once the box has closed";
    EXPECT_FALSE (Access::storeButton (*rig.editor).getToggleState());
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, storeTimer));
    EXPECT_EQ (panelState (*rig.editor), before) << "a store leaves the controls alone";
    EXPECT_TRUE (rig.editor->isConnected());
}

// The organ answers only after the time-out: the missing-confirmation box comes when the
// 6000 ms are up, and the late confirmation finds nothing pending and shows nothing.
TEST (StoreReset, NoConfirmationInTimeShowsTheFailureAndALateOneIsIgnored)
{
    for (const auto* request : { &store, &reset })
    {
        SCOPED_TRACE (request->name);
        ConnectedRig rig (delayed (request->answer, confirmationTimeoutMs + 1000));
        ASSERT_TRUE (rig.connectedOk);
        bool onWhileBoxOpen = false;
        rig.boxes->answer (request->failedText, [&]
                           { onWhileBoxOpen = request->button (*rig.editor).getToggleState(); return 1; });

        const auto sendTimes = rig.stampOutput();   // the organ may read the request late
        rig.click (*request);
        ASSERT_TRUE (rig.waitForBox (request->failedText, confirmationTimeoutMs + 2000));
        const auto requests = rig.requestsReceived (*request);
        ASSERT_EQ (requests.size(), 1u);
        double sentAt = -1;
        for (const auto& s : sendTimes->get())
            if (s.bytes == request->message)
                sentAt = s.timeMs;
        ASSERT_GE (sentAt, 0.0);
        EXPECT_TRUE (paced (rig.boxes->timeOf (request->failedText) - sentAt, confirmationTimeoutMs));
        test::runMessageLoopFor (50);
        EXPECT_TRUE (onWhileBoxOpen);
        EXPECT_FALSE (request->button (*rig.editor).getToggleState());
        EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);

        ASSERT_TRUE (rig.organ->waitUntil ([&]
                                           {
            const auto confirmations = timesOf (rig.organ->getSent(), operationComplete);
            return ! confirmations.empty() && confirmations.back() > requests[0]; },
                                           3000));
        test::runMessageLoopFor (300);
        EXPECT_FALSE (rig.boxes->sawBox (request->doneText));
    }
}

TEST (StoreReset, ClicksWhileNotConnectedSendNothingAndLeaveTheButtonOff)
{
    for (const auto* request : { &store, &reset })
    {
        SCOPED_TRACE (request->name);
        Rig rig;
        rig.startEditor();
        const auto sent = Access::recordOutput (*rig.editor);   // an open output, but no organ connected

        request->button (*rig.editor).triggerClick();
        test::runMessageLoopFor (100);

        EXPECT_FALSE (request->button (*rig.editor).getToggleState());
        EXPECT_TRUE (sent->get().empty());
        EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
        EXPECT_FALSE (Access::isTimerRunning (*rig.editor, request->timer));
        EXPECT_FALSE (rig.boxes->sawBox (resetQuestionText)) << "no question without an organ";
    }
}

// A second click while pending switches the time-out off; the confirmation that follows,
// later than the time-out would have been, still completes the request.
TEST (StoreReset, SecondClickWhilePendingDropsTheTimeOutButNotTheConfirmation)
{
    const ShortLinkTimes shortTimes (0.25);
    ConnectedRig rig (delayed (Answer::store, shortTimes.ms (confirmationTimeoutMs + 1000)));
    ASSERT_TRUE (rig.connectedOk);

    rig.click (store);
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return rig.requestsReceived (store).size() == 1; },
                                            2000));
    rig.click (store);
    test::runMessageLoopFor (50);
    EXPECT_FALSE (Access::storeButton (*rig.editor).getToggleState());
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, storeTimer));
    EXPECT_EQ (rig.editor->getPendingOperation(), storeOperation);

    ASSERT_TRUE (rig.waitForBox (storedText, confirmationTimeoutMs + 3000));
    test::runMessageLoopFor (50);
    EXPECT_FALSE (rig.boxes->sawBox (storeFailedText));
    EXPECT_EQ (rig.requestsReceived (store).size(), 1u) << "the second click sends nothing";
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (Access::storeButton (*rig.editor).getToggleState());
}

TEST (StoreReset, ResetAnsweredNoSendsNothing)
{
    ConnectedRig rig;
    ASSERT_TRUE (rig.connectedOk);
    rig.boxes->answer (resetQuestionText, []
                       { return 0; });

    rig.click (reset);
    ASSERT_TRUE (rig.waitForBox (resetQuestionText, 2000));
    test::runMessageLoopFor (200);

    EXPECT_TRUE (rig.requestsReceived (reset).empty());
    EXPECT_FALSE (Access::resetButton (*rig.editor).getToggleState());
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, resetTimer));
}

// The link may end while the question waits (CONNECT switched off by a click handled just
// before the question's loop returned): its Yes then starts nothing, no request that cannot
// go out and no time-out that would report its failure later.
TEST (StoreReset, ResetAnsweredYesAfterTheLinkEndedStartsNothing)
{
    ConnectedRig rig;
    ASSERT_TRUE (rig.connectedOk);
    rig.boxes->answer (resetQuestionText, [&]
                       {
        rig.connect().setToggleState (false, juce::sendNotification);
        return 1; });

    rig.click (reset);
    ASSERT_TRUE (rig.waitForBox (resetQuestionText, 2000));
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return ! rig.connect().getToggleState() && Access::messageBox (*rig.editor) == nullptr; },
                                            2000));

    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, resetTimer));
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (Access::resetButton (*rig.editor).getToggleState());
}

// The organ holds the other revision's values; its reset sends its own defaults while the
// reset is pending, and the panel shows them before the success box opens.
TEST (StoreReset, ResetAnsweredYesRefreshesThePanelFromTheOrgansDefaults)
{
    emulator::Identity identity;
    identity.revision = 1;
    Rig rig;
    rig.startOrgan (organOptions (identity));
    for (int i = 0; i < numParameters; ++i)
        rig.organ->setParameter (i, defaultParameterValues[0][i]);
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    const auto before = panelState (*rig.editor);

    std::vector<double> atBox;
    bool onWhileBoxOpen = false;
    rig.boxes->answer (resetDoneText, [&]
                       {
        atBox = panelState (*rig.editor);
        onWhileBoxOpen = Access::resetButton (*rig.editor).getToggleState();
        return 1; });

    const double clickedAt = now();
    Access::resetButton (*rig.editor).triggerClick();
    ASSERT_TRUE (rig.waitForBox (resetDoneText, 3000));
    test::runMessageLoopFor (50);

    const auto requests = timesOf (rig.organ->getReceived(), resetRequest);
    ASSERT_EQ (requests.size(), 1u);
    EXPECT_GE (requests[0], rig.boxes->timeOf (resetQuestionText)) << "sent once the question is answered";
    EXPECT_GE (rig.boxes->timeOf (resetQuestionText), clickedAt);
    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (rig.editor->getProjectImage().getValue (i), defaultParameterValues[1][i]) << "parameter " << i;

    EXPECT_NE (atBox, before) << "the defaults differ visibly from what the organ held";
    Access::updateAllControls (*rig.editor);
    EXPECT_EQ (atBox, panelState (*rig.editor)) << "the panel was whole and fresh when the box opened";
    EXPECT_TRUE (onWhileBoxOpen);
    EXPECT_FALSE (Access::resetButton (*rig.editor).getToggleState());
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, resetTimer));
    EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
}

// A reset made while a store is pending takes over the one pending operation. The store's
// time-out then reports the store and must leave the reset pending, so that the reset's
// confirmation, which comes after the store's time-out, still completes it.
TEST (StoreReset, AnEarlierRequestsTimeOutLeavesTheLaterRequestPending)
{
    auto faults = delayed (Answer::store, emulator::never);
    faults.setDelay (Answer::reset, 5000);   // confirmed a second after the store's time-out
    ConnectedRig rig (faults);
    ASSERT_TRUE (rig.connectedOk);

    const double storedAt = rig.click (store);
    test::runMessageLoopFor (2000);
    rig.click (reset);
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return rig.requestsReceived (reset).size() == 1; },
                                            2000));

    ASSERT_TRUE (rig.waitForBox (storeFailedText, confirmationTimeoutMs + 2000));
    EXPECT_TRUE (paced (rig.boxes->timeOf (storeFailedText) - storedAt, confirmationTimeoutMs));
    ASSERT_TRUE (rig.waitForBox (resetDoneText, 4000));
    test::runMessageLoopFor (50);
    EXPECT_LT (rig.boxes->timeOf (storeFailedText), timesOf (rig.organ->getSent(), operationComplete).back())
        << "the reset's confirmation came after the store's time-out";

    EXPECT_FALSE (rig.boxes->sawBox (resetFailedText));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, resetTimer));
    EXPECT_FALSE (Access::storeButton (*rig.editor).getToggleState());
    EXPECT_FALSE (Access::resetButton (*rig.editor).getToggleState());
    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
}
