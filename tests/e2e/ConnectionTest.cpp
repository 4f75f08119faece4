// The connection course end to end: the editor, in the real message loop, talks through the
// virtual ports to the organ emulator on its own threads.
#include "EditorRig.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;
using emulator::Answer;

namespace
{
const juce::String portInUseText ("  The midi port may be in use by another  \n  application. Please, close it and retry.  ");

/** Waits until the organ has received `marker`, which the test sent on the editor's own output
    (the organ reads that connection in order, so what the editor sent before it has arrived),
    and leaves the organ's whole record in `received`. */
bool receivedThrough (emulator::OrganEmulator& organ, const emulator::Bytes& marker, std::vector<emulator::Message>& received)
{
    return organ.waitUntil ([&]
                            {
        received = organ.getReceived();
        return std::any_of (received.cbegin(), received.cend(), [&] (const emulator::Message& m)
                            { return m.bytes == marker; }); },
                            3000);
}
}   // namespace

TEST (Connection, OrganFoundByNameIsIdentifiedDownloadedAndShown)
{
    Rig rig;
    rig.startOrgan (organOptions ({ 5, 6, 1, 1, 30, 0 }));
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    const double connectedAt = now();

    // Connected within one round trip of the organ's last answer.
    const auto sent = rig.organ->getSent();
    ASSERT_FALSE (sent.empty());
    EXPECT_LT (connectedAt - sent.back().timeMs, scaled (1000.0));

    EXPECT_TRUE (rig.connect().getToggleState());
    EXPECT_EQ (Access::modelLabel (*rig.editor).getText(), "Orvane Mod NRS");
    EXPECT_EQ (Access::firmwareLabel (*rig.editor).getText(), "rel 1.3.0");
    EXPECT_EQ (Access::messageBox (*rig.editor), nullptr) << "the search box closes with the download";
    EXPECT_TRUE (Access::isTimerRunning (*rig.editor, watchdogTimer));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, receiveTimer));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, searchTimer));

    // The three dump requests went out in their order, each after the previous step's answer.
    std::vector<uint8_t> requests;
    for (const auto& m : rig.organ->getReceived())
        if (m.bytes.size() == 6 && m.bytes[3] == 0x04)
            requests.push_back (m.bytes[4]);
    EXPECT_EQ (requests, (std::vector<uint8_t> { 0x7D, 0x7E, 0x7C }));
    EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
}

TEST (Connection, FirmwareAndModelLabels)
{
    struct Case
    {
        emulator::Identity identity;
        const char* model;
        const char* firmware;
    };
    const Case cases[] = {
        { { 5, 3, 0, 1, 2, 0 }, "Orvane ", "rel 1.2" },
        { { 5, 4, 1, 1, 25, 0 }, "Orvane Rise NRS", "rel 1.25" },
        { { 5, 5, 0, 1, 20, 6 }, "Orvane Aria ", "rel 1.2.6" },
        { { 5, 6, 0, 2, 100, 3 }, "Orvane Mod ", "rel 2.10.3" },
        { { 5, 3, 0, 0, 0, 0 }, "Orvane ", "rel 0.0" },
    };
    for (const auto& c : cases)
    {
        Rig rig;
        rig.startOrgan (organOptions (c.identity));
        rig.startEditor();
        rig.clickConnect();
        ASSERT_TRUE (rig.waitConnected()) << c.model;
        EXPECT_EQ (Access::modelLabel (*rig.editor).getText(), juce::String (c.model));
        EXPECT_EQ (Access::firmwareLabel (*rig.editor).getText(), juce::String (c.firmware));
    }
}

TEST (Connection, SearchWalksThePairsFromTheTopWhenTheNameIsMissing)
{
    Rig rig;
    auto options = organOptions();
    options.portName = "Port B";
    options.decoys.push_back ({ "Port A", false });
    options.faults.setDelay (Answer::identity, emulator::never);
    rig.startOrgan (options);
    rig.startEditor();

    const double clickedAt = rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (notFoundText, 4000));
    const double boxAt = rig.boxes->timeOf (notFoundText);

    // Outputs outer, inputs inner, highest first: (1,1) (0,1) (1,0) (0,0), one pair a step.
    const auto pings = rig.pingsReceived();
    ASSERT_EQ (pings.size(), 4u);
    const char* expectedOutputs[] = { "Port B", "Port B", "Port A", "Port A" };
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ (pings[i].port, juce::String (expectedOutputs[i])) << "step " << i + 1;
        EXPECT_TRUE (paced (pings[i].timeMs - clickedAt, 500.0 * (double) (i + 1))) << "step " << i + 1;
    }
    EXPECT_TRUE (paced (boxAt - clickedAt, 2500.0));

    test::runMessageLoopUntil ([&]
                               { return ! rig.connect().getToggleState(); },
                               1000);
    EXPECT_FALSE (rig.connect().getToggleState());
    EXPECT_EQ (Access::inIdx (*rig.editor), 2);
    EXPECT_EQ (Access::outIdx (*rig.editor), -1);
    EXPECT_EQ (rig.organ->getConnectionCount ("Port A", true), 1) << "the last pair stays open";
    EXPECT_EQ (rig.organ->getConnectionCount ("Port A", false), 1);
}

namespace
{
std::string pairTried (const juce::String& output, const juce::String& inputs)
{
    return ("out " + output + ", in " + inputs).toStdString();
}
}   // namespace

TEST (Connection, SearchTriesEveryPairInItsOrder)
{
    // Pair Pi offers an input when i < inputs and an output when i < outputs. The organ is P0,
    // so input 0 with output 0 is the last pair the search tries. CONNECT opens and pings the
    // pair remembered from an earlier connection first, and the search then starts at the top
    // whatever pair that was; the remembered output left open also shows a first step that
    // failed to open the top output, as its request then goes out there.
    struct Case
    {
        int inputs, outputs;
        bool organAnswers;
        int rememberedIn, rememberedOut;   // -1: none
    };
    const Case cases[] = {
        { 1, 1, true, -1, -1 },
        { 1, 1, false, 0, 0 },
        { 2, 3, true, 1, 1 },
        { 2, 3, false, 1, 1 },
        { 3, 2, true, 1, 1 },
        { 3, 2, false, 1, 1 },
        { 4, 4, true, 1, 1 },
        { 4, 4, false, 1, 1 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.inputs) + "x" + juce::String (c.outputs) + (c.organAnswers ? ", organ on P0" : ", no organ"));
        Rig rig;
        auto options = organOptions();
        options.portName = "P0";
        const auto port = [] (int number)
        { return "P" + juce::String (number); };
        for (int i = 1; i < std::max (c.inputs, c.outputs); ++i)
            options.decoys.push_back ({ port (i), false, i < c.inputs, i < c.outputs });
        if (! c.organAnswers)
            options.faults.setDelay (Answer::identity, emulator::never);
        rig.startOrgan (options);
        rig.startEditor();
        Access::inIdx (*rig.editor) = c.rememberedIn;
        Access::outIdx (*rig.editor) = c.rememberedOut;

        std::vector<std::string> expected;
        if (c.rememberedIn >= 0)
            expected.push_back (pairTried (port (c.rememberedOut), port (c.rememberedIn)));
        for (int out = c.outputs - 1; out >= 0; --out)
            for (int in = c.inputs - 1; in >= 0; --in)
                expected.push_back (pairTried (port (out), port (in)));

        rig.clickConnect();
        const int searchMs = 500 * (c.inputs * c.outputs + 1) + 2000;
        if (c.organAnswers)
            ASSERT_TRUE (rig.waitConnected (searchMs));
        else
            ASSERT_TRUE (rig.waitForBox (notFoundText, searchMs));

        // The identity requests of the search: those before the download's first request.
        std::vector<std::string> tried;
        for (const auto& m : rig.organ->getReceived())
        {
            if (m.bytes.size() == 6 && m.bytes[3] == 0x04)
                break;
            if (isIdentityRequest (m))
                tried.push_back (pairTried (m.port, m.openInputs.joinIntoString (" ")));
        }
        EXPECT_EQ (tried, expected);
    }
}

TEST (Connection, SearchStepDueAfterTheIdentityWasAcceptedStaysOnTheOrgan)
{
    // The framework can call a timer that was due just before the MIDI thread stopped it.
    struct Case
    {
        const char* state;
        bool downloadStalls;
    };
    const Case cases[] = { { "downloading", true }, { "connected", false } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.state);
        Rig rig;
        auto options = organOptions();
        options.decoys.push_back ({ "Port A", false });   // the top pair, where a search step goes first
        if (c.downloadStalls)
            options.faults.setDelay (Answer::dumpStep1, emulator::never);
        rig.startOrgan (options);
        rig.startEditor();
        rig.clickConnect();
        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return c.downloadStalls ? rig.editor->getPendingOperation() == downloadStep1
                                                                    : rig.editor->isConnected(); },
                                          3000));
        const int in = Access::inIdx (*rig.editor), out = Access::outIdx (*rig.editor);

        Access::fireTimer (*rig.editor, searchTimer);
        runMessageLoopFor (200);

        EXPECT_EQ (Access::inIdx (*rig.editor), in);
        EXPECT_EQ (Access::outIdx (*rig.editor), out);
        EXPECT_FALSE (Access::isTimerRunning (*rig.editor, searchTimer));
        EXPECT_EQ (rig.organ->getConnectionCount ("Port A", false), 0) << "a step opened the next pair";
        EXPECT_EQ (rig.organ->getConnectionCount (organPort, true), 1);
        EXPECT_EQ (rig.editor->getPendingOperation(), c.downloadStalls ? downloadStep1 : noOperation);
        EXPECT_EQ (rig.editor->isConnected(), ! c.downloadStalls);
    }
}

TEST (Connection, SearchFindsTheOrganOnAnotherName)
{
    Rig rig;
    auto options = organOptions();
    options.portName = "A Organ";
    options.decoys.push_back ({ "B Silent", false });
    rig.startOrgan (options);
    rig.startEditor();

    const double clickedAt = rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected (5000));
    // Only the fourth pair, input 0 with output 0, is the organ's: not reached before 2000 ms
    // (the upper bound only guards against a search that runs on past it).
    EXPECT_GE (now() - clickedAt, 2000.0 - 250.0);
    EXPECT_LT (now() - clickedAt, 2000.0 + scaled (2000.0));
    EXPECT_EQ (Access::inIdx (*rig.editor), 0);
    EXPECT_EQ (Access::outIdx (*rig.editor), 0);
}

TEST (Connection, NoPortsAtAllEndsTheSearchAtTheFirstStep)
{
    Rig rig;
    rig.startEditor();   // an empty folder

    const double clickedAt = rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (notFoundText, 2000));
    EXPECT_TRUE (paced (rig.boxes->timeOf (notFoundText) - clickedAt, 500.0));
}

TEST (Connection, NoInputButTwoOutputsOpensBothOutputsInTheFirstStep)
{
    Rig rig;
    auto options = organOptions();
    options.portName = "Out B";
    options.decoys.push_back ({ "Out A", false, false, true });
    options.faults.setDelay (Answer::identity, emulator::never);
    rig.startOrgan (options);
    ::unlink (rig.folder.get().getChildFile ("Out B.in").getFullPathName().toRawUTF8());   // an output-only organ
    rig.startEditor();
    ASSERT_EQ (rig.editor->getMidiPorts().getInputNames().size(), 0);
    ASSERT_EQ (rig.editor->getMidiPorts().getOutputNames().size(), 2);

    const double clickedAt = rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (notFoundText, 2000));
    EXPECT_TRUE (paced (rig.boxes->timeOf (notFoundText) - clickedAt, 500.0));
    EXPECT_TRUE (rig.organ->waitUntil ([&]
                                       { return rig.organ->getConnectionCount ("Out B", false) == 0; },
                                       1000))
        << "opened first, then replaced";
    EXPECT_EQ (rig.organ->getConnectionCount ("Out A", false), 1) << "opened last, left open";
}

namespace
{
/** A socket file that nobody listens on: the port is listed but cannot be opened. */
void makeDeadSocket (const juce::File& file)
{
    const int fd = socket (AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    file.getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));
    ASSERT_EQ (bind (fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)), 0);
    close (fd);
}
}   // namespace

TEST (Connection, NamedInputThatCannotOpenReportsThePortInUseWithoutSearching)
{
    Rig rig;
    auto options = organOptions();
    options.portName = "Other";
    rig.startOrgan (options);
    makeDeadSocket (rig.folder.get().getChildFile (organPort + ".in"));
    makeDeadSocket (rig.folder.get().getChildFile (organPort + ".out"));
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (portInUseText, 2000));
    test::runMessageLoopFor (1200);
    EXPECT_FALSE (rig.connect().getToggleState());
    EXPECT_FALSE (rig.boxes->sawBox (searchingText));
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, searchTimer));
    EXPECT_TRUE (rig.pingsReceived().empty()) << "no search follows";
}

TEST (Connection, RefusedOrgansLeaveThePortsOpenAndConnectOff)
{
    struct Case
    {
        emulator::Identity identity;
        const char* text;
    };
    const Case cases[] = {
        { { 0, 3, 0, 1, 0, 0 }, "  The firmware of the device is out of date.  \n  Please, update the firmware to the latest version.  " },
        { { 4, 3, 0, 1, 0, 0 }, "  The firmware of the device is out of date.  \n  Please, update the firmware to the latest version.  " },
        { { 6, 3, 0, 1, 0, 0 }, "  The Editor is out of date. Please, download the latest version.  " },
        { { 5, 7, 0, 1, 0, 0 }, "  This model is not supported.  \n  Please, contact customer service.  " },
        { { 5, 4, 2, 1, 0, 0 }, "  This model is not supported.  \n  Please, contact customer service.  " },
        { { 5, 2, 0, 1, 0, 0 }, "  This model is not supported.  \n  Please, contact customer service.  " },
    };
    for (const auto& c : cases)
    {
        Rig rig;
        rig.startOrgan (organOptions (c.identity));
        rig.startEditor();
        rig.clickConnect();
        ASSERT_TRUE (rig.waitForBox (c.text, 2000)) << (int) c.identity.protocol << " " << (int) c.identity.model;
        test::runMessageLoopUntil ([&]
                                   { return ! rig.connect().getToggleState(); },
                                   1000);
        EXPECT_FALSE (rig.connect().getToggleState());
        EXPECT_FALSE (rig.editor->isConnected());
        EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
        EXPECT_EQ (rig.organ->getConnectionCount (organPort, true), 1);
        EXPECT_EQ (rig.organ->getConnectionCount (organPort, false), 1);
        for (const auto& m : rig.organ->getReceived())
            EXPECT_NE (m.bytes[3], 0x04) << "no download starts";
    }
}

TEST (Connection, DownloadSlowerThanItsTimeOutInTotalEndsWithTheReceiveTimeOut)
{
    Rig rig;
    auto options = organOptions();
    options.faults.setDelay (Answer::dumpStep1, 2500);
    options.faults.setDelay (Answer::dumpStep2, 2500);
    options.faults.setDelay (Answer::dumpStep3, 2500);
    rig.startOrgan (options);
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (receiveFailedText, 9000));
    test::runMessageLoopFor (100);
    EXPECT_FALSE (rig.editor->isConnected());
    EXPECT_FALSE (rig.connect().getToggleState());
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, true), 0) << "both ports are closed";
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, false), 0);

    // The identity was accepted at the first identity answer; the time-out is 6000 ms later.
    double acceptedAt = 0;
    for (const auto& m : rig.organ->getSent())
        if (m.bytes.size() > 3 && m.bytes[3] == 0x07)
            acceptedAt = m.timeMs;
    EXPECT_TRUE (paced (rig.boxes->timeOf (receiveFailedText) - acceptedAt, 6000.0));
}

TEST (Connection, CancelDuringTheSearchStopsIt)
{
    Rig rig;
    auto options = organOptions();
    options.faults.setDelay (Answer::identity, emulator::never);
    rig.startOrgan (options);
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (rig.waitForBox (searchingText, 1000));
    ASSERT_TRUE (rig.organ->waitUntil ([&]
                                       { return ! rig.pingsReceived().empty(); },
                                       3000))
        << "a step of the search has asked";
    auto* box = Access::messageBox (*rig.editor);
    ASSERT_NE (box, nullptr);
    box->exitModalState (1);   // the Cancel button
    test::runMessageLoopFor (100);

    EXPECT_EQ (Access::messageBox (*rig.editor), nullptr);
    EXPECT_FALSE (rig.connect().getToggleState());

    // A message sent on the editor's output after the Cancel: the organ reads what came
    // before it first, and no identity request of a further step may follow it.
    const auto afterCancel = foreignAndEchoedMessages().front();
    Access::midiOutput (*rig.editor).send (midi (afterCancel));
    test::runMessageLoopFor (1200);   // more than two steps of the search
    std::vector<emulator::Message> received;
    ASSERT_TRUE (receivedThrough (*rig.organ, afterCancel, received));
    const auto mark = std::find_if (received.cbegin(), received.cend(), [&] (const emulator::Message& m)
                                    { return m.bytes == afterCancel; });
    EXPECT_EQ (std::count_if (mark, received.cend(), isIdentityRequest), 0) << "no further steps";
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, false), 1) << "the ports stay open";
}

TEST (Connection, CancelDuringTheDownloadEndsItAndNeitherALateAnswerNorTheTimeOutFollows)
{
    Rig rig;
    auto options = organOptions();
    options.faults.setDelay (Answer::dumpStep2, 800);
    rig.startOrgan (options);
    rig.startEditor();

    rig.clickConnect();
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return rig.editor->getPendingOperation() == downloadStep2; },
                                            2000));
    auto* box = Access::messageBox (*rig.editor);
    ASSERT_NE (box, nullptr);
    box->exitModalState (1);
    const auto boxesAtCancel = rig.boxes->texts();

    // A message sent on the editor's output after the Cancel: the organ reads what came
    // before it first, so whatever follows it in its records was sent after the Cancel.
    const auto afterCancel = foreignAndEchoedMessages().front();
    Access::midiOutput (*rig.editor).send (midi (afterCancel));
    // The organ's late operation-complete arrives meanwhile, and the download's receive
    // time-out, 6000 ms from the identity's acceptance, would have fired.
    test::runMessageLoopFor (7000);

    EXPECT_EQ (rig.editor->getPendingOperation(), noOperation);
    EXPECT_FALSE (rig.editor->isConnected());
    EXPECT_FALSE (rig.connect().getToggleState());
    const auto boxes = rig.boxes->texts();
    EXPECT_EQ (boxes.size(), boxesAtCancel.size()) << "a box opened after the Cancel: " << boxes[boxes.size() - 1];
    EXPECT_EQ (Access::messageBox (*rig.editor), nullptr);

    std::vector<emulator::Message> received;
    ASSERT_TRUE (receivedThrough (*rig.organ, afterCancel, received));
    const auto mark = std::find_if (received.cbegin(), received.cend(), [&] (const emulator::Message& m)
                                    { return m.bytes == afterCancel; });
    EXPECT_EQ (received.cend() - mark, 1) << "the editor sent more after the Cancel: " << emulator::describe (received.back().bytes);
    for (const auto& m : received)
        EXPECT_FALSE (m.bytes.size() == 6 && m.bytes[3] == 0x04 && m.bytes[4] == 0x7C) << "no third request";
}

TEST (Connection, WatchdogKeepsAnAnsweringOrganConnected)
{
    Rig rig;
    rig.startOrgan (organOptions());
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    const auto sendTimes = rig.stampOutput();   // stamped as sent: the organ may read late

    // A ping every 3000 ms from the connection on.
    std::vector<double> pingTimes;
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            {
        pingTimes.clear();
        for (const auto& s : sendTimes->get())
            if (s.bytes == identityRequest)
                pingTimes.push_back (s.timeMs);
        return pingTimes.size() >= 4; },
                                            14000));
    EXPECT_TRUE (rig.editor->isConnected());
    EXPECT_FALSE (rig.boxes->sawBox (lostText));
    for (size_t i = 1; i < pingTimes.size(); ++i)
        EXPECT_TRUE (paced (pingTimes[i] - pingTimes[i - 1], 3000.0));
}

TEST (Connection, WatchdogDisconnectsAnOrganThatStopsAnswering)
{
    Rig rig;
    auto options = organOptions();
    options.faults.pingAnswers = 1;
    rig.startOrgan (options);
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());

    ASSERT_TRUE (rig.waitForBox (lostText, 9000));
    const double lostAt = rig.boxes->timeOf (lostText);
    double lastAnswer = 0;
    for (const auto& m : rig.organ->getSent())
        if (m.bytes.size() > 3 && m.bytes[3] == 0x07)
            lastAnswer = m.timeMs;
    EXPECT_GE (lostAt - lastAnswer, 3000.0 - 100.0);
    EXPECT_LE (lostAt - lastAnswer, 6000.0 + scaled (400.0));

    test::runMessageLoopFor (100);
    EXPECT_FALSE (rig.editor->isConnected());
    EXPECT_FALSE (rig.connect().getToggleState());
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, true), 0);
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, false), 0);
}

TEST (Connection, UserSwitchingConnectOffClosesBothPortsWithoutABox)
{
    Rig rig;
    rig.startOrgan (organOptions());
    rig.startEditor();
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());

    rig.clickConnect();
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return ! rig.editor->isConnected(); },
                                            1000));
    test::runMessageLoopFor (100);
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, true), 0);
    EXPECT_EQ (rig.organ->getConnectionCount (organPort, false), 0);
    EXPECT_EQ (Access::messageBox (*rig.editor), nullptr);
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, watchdogTimer));
}

namespace
{
bool showsLabel (MainContentComponent& editor, const juce::String& text)
{
    for (auto* child : editor.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            if (label->isVisible() && label->getText() == text)
                return true;
    return false;
}

void openSection (MainContentComponent& editor, int section)
{
    Access::sectionButton (editor, section).setToggleState (true, juce::sendNotification);
}
}   // namespace

TEST (Connection, ModelTwoHidesTheGospelAndUpperLayerRowsAfterTheDownload)
{
    Rig rig;
    rig.startOrgan (organOptions ({ 5, 5, 0, 1, 2, 0 }));
    rig.startEditor();
    openSection (*rig.editor, 5);
    ASSERT_TRUE (Access::comboBox (*rig.editor, 85).isVisible());

    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    EXPECT_FALSE (Access::comboBox (*rig.editor, 85).isVisible()) << "Gospel Set";
    EXPECT_FALSE (Access::comboBox (*rig.editor, 87).isVisible()) << "Upper Layer Mode";
    EXPECT_TRUE (Access::comboBox (*rig.editor, 88).isVisible());
    EXPECT_TRUE (showsLabel (*rig.editor, "Layer Mode"));
    EXPECT_FALSE (showsLabel (*rig.editor, "Lower Layer Mode"));
}

TEST (Connection, ModelThreeHidesAdditionalFunctionsAndShowsTheToneGenerator)
{
    Rig rig;
    rig.startOrgan (organOptions ({ 5, 6, 0, 1, 2, 0 }));
    rig.startEditor();
    openSection (*rig.editor, 5);
    ASSERT_EQ (Access::currentSection (*rig.editor), 5);

    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    EXPECT_FALSE (Access::sectionButton (*rig.editor, 5).isVisible());
    EXPECT_EQ (Access::currentSection (*rig.editor), 0);
    EXPECT_TRUE (Access::slider (*rig.editor, 0).isVisible()) << "Click Level Manuals on the MAIN page";
    EXPECT_FALSE (Access::comboBox (*rig.editor, 86).isVisible());
}

TEST (Connection, ACompletedConnectionRemembersItsPortPairOnce)
{
    Rig rig;
    auto options = organOptions();
    options.decoys.push_back ({ "A Decoy", false });   // the organ's ports become number 1
    rig.startOrgan (options);
    rig.startEditor();
    const auto settingsFile = rig.folder.get().getChildFile ("home/.config/Settings/Orvane Editor.settings");

    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    ASSERT_TRUE (settingsFile.existsAsFile());
    const auto xml = juce::parseXML (settingsFile);
    ASSERT_NE (xml, nullptr);
    juce::PropertySet stored;
    stored.restoreFromXml (*xml);
    EXPECT_EQ (stored.getIntValue ("MidiInputIndex", -1), 1);
    EXPECT_EQ (stored.getIntValue ("MidiOutputIndex", -1), 1);

    // The same pair again: the file is left as it is.
    const auto firstWrite = settingsFile.getLastModificationTime();
    const auto firstContent = settingsFile.loadFileAsString();
    juce::Thread::sleep (1100);   // file times have a resolution of a second on some systems
    rig.clickConnect();
    ASSERT_TRUE (test::runMessageLoopUntil ([&]
                                            { return ! rig.connect().getToggleState(); },
                                            1000));
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());
    test::runMessageLoopFor (100);
    EXPECT_EQ (settingsFile.getLastModificationTime(), firstWrite);
    EXPECT_EQ (settingsFile.loadFileAsString(), firstContent);
}
