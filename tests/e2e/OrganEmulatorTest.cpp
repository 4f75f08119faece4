// The organ emulator seen through the editor's own virtual port layer: the bytes it answers,
// its File Dump reception and its faults. Expected bytes are written out by hand.

#include "midi/MidiPorts.h"
#include "organ-emulator/OrganEmulator.h"
#include "resources/OrganTables.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>

using namespace orvane;
using emulator::Bytes;
using emulator::OrganEmulator;

namespace
{
const juce::String organPort { "Halvorin Orvane MIDI Port" };

/** The editor's end of one port pair, opened through the virtual port layer. */
struct EditorLink : juce::MidiInputCallback
{
    EditorLink (const juce::File& folder, const juce::String& port = organPort)
        : ports (createVirtualMidiPorts (folder))
    {
        input = ports->openInput (ports->getInputNames().indexOf (port), this);
        output = ports->openOutput (ports->getOutputNames().indexOf (port));
        if (input != nullptr)
            input->start();
    }

    ~EditorLink() override { input.reset(); }

    bool isOpen() const { return input != nullptr && output != nullptr; }

    void send (const Bytes& bytes)
    {
        output->sendMessageNow (juce::MidiMessage (bytes.data(), (int) bytes.size()));
    }

    void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> guard (lock);
        messages.emplace_back (message.getRawData(), message.getRawData() + message.getRawDataSize());
    }

    std::vector<Bytes> received() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return messages;
    }

    /** Waits until `count` messages have arrived since the last take() and returns them. */
    std::vector<Bytes> take (size_t count, int timeoutMs = 3000)
    {
        test::runMessageLoopUntil ([&]
                                   { return received().size() >= taken + count; },
                                   timeoutMs);
        const auto all = received();
        const auto end = std::min (all.size(), taken + count);
        std::vector<Bytes> result (all.begin() + (long) taken, all.begin() + (long) end);
        taken = end;
        return result;
    }

    std::unique_ptr<MidiPortSystem> ports;
    std::unique_ptr<MidiInputPort> input;
    std::unique_ptr<MidiOutputPort> output;
    mutable std::mutex lock;
    std::vector<Bytes> messages;
    size_t taken = 0;
};

const Bytes identityRequest { 0xf0, 0x7d, 0x1e, 0x06, 0x01, 0xf7 };
const Bytes operationComplete { 0xf0, 0x7d, 0x1e, 0x05, 0xf7 };
const Bytes ack0 { 0xf0, 0x7e, 0x00, 0x7f, 0x00, 0xf7 };
const Bytes endOfFile { 0xf0, 0x7e, 0x00, 0x7b, 0x00, 0xf7 };

Bytes dumpRequest (uint8_t step) { return { 0xf0, 0x7d, 0x1e, 0x04, step, 0xf7 }; }

/** A File Dump header for slot 4 (type AC2) naming "abc", for a payload of `length` bytes. */
Bytes header (uint32_t length)
{
    Bytes h { 0xf0, 0x7e, 0x00, 0x07, 0x01, 0x00, 0x41, 0x43, 0x32, 0x00,
              (uint8_t) (length & 0x7f), (uint8_t) ((length >> 7) & 0x7f), (uint8_t) ((length >> 14) & 0x7f),
              (uint8_t) ((length >> 21) & 0x7f), 0x61, 0x62, 0x63 };
    h.resize (46, 0x00);
    h.push_back (0xf7);
    return h;
}

// The data packets of the File Dump worked examples.
const Bytes abcPacket { 0xf0, 0x7e, 0x00, 0x07, 0x02, 0x00, 0x03, 0x00, 0x61, 0x62, 0x63, 0x18, 0xf7 };
const Bytes highBitsPacket { 0xf0, 0x7e, 0x00, 0x07, 0x02, 0x00, 0x09, 0x7f, 0x00, 0x01, 0x02, 0x03,
                             0x04, 0x05, 0x06, 0x40, 0x07, 0x4d, 0xf7 };
const Bytes packetFive { 0xf0, 0x7e, 0x00, 0x07, 0x02, 0x05, 0x03, 0x60, 0x00, 0x7f, 0x01, 0x63, 0xf7 };

struct OrganEmulatorTest : ::testing::Test
{
    emulator::Options options (emulator::Identity identity = {})
    {
        emulator::Options o;
        o.folder = temp.get();
        o.identity = identity;
        return o;
    }

    test::TemporaryFolder temp;
};
}   // namespace

TEST_F (OrganEmulatorTest, AnswersTheIdentityRequestAndTheThreeDumpRequests)
{
    OrganEmulator organ (options ({ 5, 6, 1, 1, 30, 0 }));
    ASSERT_TRUE (organ.isListening());
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    // The parameter messages change the organ's set: 84 = 1.0, 5 = 100.0, 97 = 3.
    const Bytes param84 { 0xf0, 0x7d, 0x1e, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7c, 0x03, 0xf7 };
    const Bytes param5 { 0xf0, 0x7d, 0x1e, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xf7 };
    const Bytes param97 { 0xf0, 0x7d, 0x1e, 0x02, 0x0c, 0x03, 0xf7 };
    for (const auto& m : { param84, param5, param97 })
        link.send (m);
    ASSERT_TRUE (organ.waitForMessages ([] (auto& m)
                                        { return m.size() == 3; },
                                        3000));
    EXPECT_EQ (organ.getParameter (84), 1.0f);
    EXPECT_EQ (organ.getParameter (5), 100.0f);
    EXPECT_EQ (organ.getParameter (97), 3.0f);

    link.send (identityRequest);
    EXPECT_EQ (link.take (1), (std::vector<Bytes> { { 0xf0, 0x7d, 0x1e, 0x07, 5, 6, 1, 1, 30, 0, 0xf7 } }));

    link.send (dumpRequest (0x7d));
    const auto step1 = link.take (86);
    ASSERT_EQ (step1.size(), 86u);
    for (int i = 0; i < 85; ++i)
    {
        ASSERT_EQ (step1[(size_t) i].size(), 12u) << i;
        EXPECT_EQ (step1[(size_t) i][3], 0x01) << i;
        EXPECT_EQ (step1[(size_t) i][4] | (step1[(size_t) i][5] << 7), i);
    }
    EXPECT_EQ (step1[5], param5);
    EXPECT_EQ (step1[84], param84);
    EXPECT_EQ (step1[85], operationComplete);

    link.send (dumpRequest (0x7e));
    const auto step2 = link.take (15);
    ASSERT_EQ (step2.size(), 15u);
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ (Bytes (step2[(size_t) k].begin(), step2[(size_t) k].begin() + 5), (Bytes { 0xf0, 0x7d, 0x1e, 0x02, (uint8_t) k }));
    EXPECT_EQ (step2[12], param97);
    EXPECT_EQ (step2[14], operationComplete);

    link.send (dumpRequest (0x7c));
    const auto step3 = link.take (7);
    ASSERT_EQ (step3.size(), 7u);
    const char firstName[] = "TONEWHEEL '30";
    Bytes slot0 { 0xf0, 0x7d, 0x1e, 0x09, 0x00 };
    slot0.insert (slot0.end(), firstName, firstName + sizeof (firstName));   // with its 00
    slot0.push_back (0xf7);
    EXPECT_EQ (step3[0], slot0);
    for (int s = 1; s < 6; ++s)
        EXPECT_EQ (Bytes (step3[(size_t) s].begin(), step3[(size_t) s].begin() + 5), (Bytes { 0xf0, 0x7d, 0x1e, 0x09, (uint8_t) s }));
    EXPECT_EQ (step3[6], operationComplete);

    // Every message was recorded, in order, with its port.
    const auto received = organ.getReceived();
    ASSERT_EQ (received.size(), 7u);
    EXPECT_EQ (received[3].bytes, identityRequest);
    EXPECT_EQ (received[6].bytes, dumpRequest (0x7c));
    for (const auto& m : received)
        EXPECT_EQ (m.port, organPort);
    EXPECT_TRUE (organ.getAnomalies().isEmpty()) << organ.getAnomalies().joinIntoString ("\n");
}

TEST_F (OrganEmulatorTest, StoresAndResetsWithOperationComplete)
{
    OrganEmulator organ (options ({ 5, 3, 1, 1, 2, 0 }));
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    link.send ({ 0xf0, 0x7d, 0x1e, 0x0a, 0x01, 0xf7 });
    link.send ({ 0xf0, 0x7d, 0x1e, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7c, 0x03, 0xf7 });
    link.send ({ 0xf0, 0x7d, 0x1e, 0x0a, 0x00, 0xf7 });
    link.send ({ 0xf0, 0x7d, 0x1e, 0x03, 0x00, 0xf7 });
    EXPECT_EQ (link.take (1), std::vector<Bytes> { operationComplete });
    EXPECT_EQ (organ.getParameter (84), 1.0f);

    link.send ({ 0xf0, 0x7d, 0x1e, 0x08, 0x00, 0xf7 });
    const auto reset = link.take (100);
    ASSERT_EQ (reset.size(), 100u);
    EXPECT_EQ (reset[99], operationComplete);
    EXPECT_EQ (reset[85], (Bytes { 0xf0, 0x7d, 0x1e, 0x02, 0x00, (uint8_t) defaultParameterValues[1][85], 0xf7 }));
    EXPECT_EQ (organ.getParameter (84), defaultParameterValues[1][84]);
    EXPECT_TRUE (organ.getAnomalies().isEmpty()) << organ.getAnomalies().joinIntoString ("\n");
}

TEST_F (OrganEmulatorTest, ReceivesAFileDumpByteForByte)
{
    const struct
    {
        Bytes packet;
        Bytes payload;
    } cases[] = {
        { abcPacket, { 0x61, 0x62, 0x63 } },
        { highBitsPacket, { 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87 } },
    };
    OrganEmulator organ (options());
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    for (const auto& c : cases)
    {
        link.send (header ((uint32_t) c.payload.size()));
        EXPECT_EQ (link.take (1), std::vector<Bytes> { ack0 });
        link.send (c.packet);
        EXPECT_EQ (link.take (1), std::vector<Bytes> { ack0 });
        link.send (endOfFile);
        ASSERT_TRUE (organ.waitUntil ([&]
                                      { return organ.getFileDump().endOfFileReceived; },
                                      3000));

        const auto transfer = organ.getFileDump();
        EXPECT_TRUE (transfer.complete);
        EXPECT_EQ (transfer.payload, c.payload);
        EXPECT_EQ (transfer.packetsAccepted, 1);
        EXPECT_EQ (transfer.naksSent, 0);
        EXPECT_EQ (organ.getSlotName (4), "abc");
    }
    EXPECT_TRUE (organ.getAnomalies().isEmpty()) << organ.getAnomalies().joinIntoString ("\n");

    // The header of the worked example: 1,000 bytes for slot 4, named "abc".
    const auto longHeader = header (1000);
    EXPECT_EQ (Bytes (longHeader.begin() + 10, longHeader.begin() + 14), (Bytes { 0x68, 0x07, 0x00, 0x00 }));
    link.send (longHeader);
    EXPECT_EQ (link.take (1), std::vector<Bytes> { ack0 });
    const auto transfer = organ.getFileDump();
    EXPECT_EQ (transfer.declaredLength, 1000u);
    EXPECT_EQ (transfer.type, (std::array<uint8_t, 4> { 0x41, 0x43, 0x32, 0x00 }));
    EXPECT_EQ (transfer.name[0], 0x61);
    EXPECT_EQ (transfer.name[31], 0x00);
}

TEST_F (OrganEmulatorTest, RefusesBrokenOrMisnumberedPacketsAndTakesTheResend)
{
    OrganEmulator organ (options());
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    link.send (header (3));
    EXPECT_EQ (link.take (1), std::vector<Bytes> { ack0 });

    auto badChecksum = abcPacket;
    badChecksum[11] ^= 0x01;
    link.send (badChecksum);
    EXPECT_EQ (link.take (1), (std::vector<Bytes> { { 0xf0, 0x7e, 0x00, 0x7e, 0x00, 0xf7 } }));
    link.send (packetFive);   // well formed, but packet 0 is due
    EXPECT_EQ (link.take (1), (std::vector<Bytes> { { 0xf0, 0x7e, 0x00, 0x7e, 0x05, 0xf7 } }));
    link.send (abcPacket);
    EXPECT_EQ (link.take (1), std::vector<Bytes> { ack0 });

    const auto transfer = organ.getFileDump();
    EXPECT_EQ (transfer.payload, (Bytes { 0x61, 0x62, 0x63 }));
    EXPECT_EQ (transfer.naksSent, 2);
    EXPECT_EQ (organ.getAnomalies().size(), 2);
}

TEST_F (OrganEmulatorTest, RefusesAPacketAsOftenAsAsked)
{
    auto o = options();
    o.deviceId = 0x11;
    o.faults.nak = { 1, 2, 4 };   // the second packet, twice, with code 4
    OrganEmulator organ (o);
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    const Bytes ack { 0xf0, 0x7e, 0x11, 0x7f, 0x00, 0xf7 }, ack1 { 0xf0, 0x7e, 0x11, 0x7f, 0x01, 0xf7 };
    const Bytes nak4 { 0xf0, 0x7e, 0x11, 0x7e, 0x04, 0xf7 };
    const Bytes packet1 { 0xf0, 0x7e, 0x00, 0x07, 0x02, 0x01, 0x01, 0x00, 0x64, 0x1f, 0xf7 };   // "d"
    link.send (header (4));
    link.send (abcPacket);
    EXPECT_EQ (link.take (2), (std::vector<Bytes> { ack, ack }));
    for (int attempt = 0; attempt < 3; ++attempt)
        link.send (packet1);
    EXPECT_EQ (link.take (3), (std::vector<Bytes> { nak4, nak4, ack1 }));
    link.send (endOfFile);

    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return organ.getFileDump().complete; },
                                  3000));
    EXPECT_EQ (organ.getFileDump().payload, (Bytes { 0x61, 0x62, 0x63, 0x64 }));
    EXPECT_EQ (organ.getFileDump().naksSent, 2);
    EXPECT_TRUE (organ.getAnomalies().isEmpty()) << organ.getAnomalies().joinIntoString ("\n");
}

TEST_F (OrganEmulatorTest, CancelsBeforeDuringOrAfterTheData)
{
    using When = emulator::CancelFault::When;
    const Bytes cancel5 { 0xf0, 0x7e, 0x00, 0x7d, 0x05, 0xf7 };
    const struct
    {
        When when;
        std::vector<Bytes> answers;
    } cases[] = {
        { When::onHeader, { cancel5 } },
        { When::afterPacket, { ack0, cancel5 } },
        { When::afterEndOfFile, { ack0, ack0, cancel5 } },
    };
    for (const auto& c : cases)
    {
        auto o = options();
        o.faults.cancel = { c.when, 0, 5 };
        OrganEmulator organ (o);
        EditorLink link (temp.get());
        ASSERT_TRUE (link.isOpen());

        link.send (header (3));
        link.send (abcPacket);
        link.send (endOfFile);
        ASSERT_TRUE (organ.waitForMessages ([] (auto& m)
                                            { return m.size() == 3; },
                                            3000));
        EXPECT_EQ (link.take (c.answers.size()), c.answers) << (int) c.when;
        test::runMessageLoopFor (50);
        EXPECT_EQ (link.received().size(), c.answers.size()) << (int) c.when;
        EXPECT_TRUE (organ.getFileDump().cancelledByOrgan);
    }
}

TEST_F (OrganEmulatorTest, AnswersLateByTheDelayOfItsKind)
{
    auto o = options();
    o.faults.setDelay (emulator::Answer::identity, 300);
    o.faults.setDelay (emulator::Answer::dumpStep2, emulator::never);
    OrganEmulator organ (o);
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    const auto before = juce::Time::getMillisecondCounterHiRes();
    link.send (identityRequest);
    ASSERT_EQ (link.take (1).size(), 1u);
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - before, 299.0);
    const auto received = organ.getReceived(), sent = organ.getSent();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_GE (sent[0].timeMs - received[0].timeMs, 299.0);

    link.send (dumpRequest (0x7e));
    link.send (identityRequest);   // the step 2 answer never comes; the next answer does
    const auto next = link.take (1);
    ASSERT_EQ (next.size(), 1u);
    EXPECT_EQ (next[0][3], 0x07);
}

TEST_F (OrganEmulatorTest, FallsSilentAfterItsPingAnswers)
{
    auto o = options();
    o.faults.pingAnswers = 1;
    OrganEmulator organ (o);
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());

    link.send (identityRequest);
    for (uint8_t step : { 0x7d, 0x7e, 0x7c })
        link.send (dumpRequest (step));
    ASSERT_EQ (link.take (1 + 86 + 15 + 7).size(), 109u);

    link.send (identityRequest);   // the first ping is answered, the second is not
    link.send (identityRequest);
    ASSERT_TRUE (organ.waitForMessages ([] (auto& m)
                                        { return m.size() == 6; },
                                        3000));
    EXPECT_EQ (link.take (2, 300).size(), 1u);
}

TEST_F (OrganEmulatorTest, AnswersOnAnotherPortAndDecoysStaySilent)
{
    auto o = options();
    o.decoys = { { "Other Port", true, true, true }, { "Quiet Port", false, true, true } };
    o.faults.answerOnPort = "Other Port";
    OrganEmulator organ (o);
    EditorLink link (temp.get()), other (temp.get(), "Other Port"), quiet (temp.get(), "Quiet Port");
    ASSERT_TRUE (link.isOpen() && other.isOpen() && quiet.isOpen());

    link.send (identityRequest);
    EXPECT_EQ (other.take (1).size(), 1u);
    quiet.send (identityRequest);
    ASSERT_TRUE (organ.waitForMessages ([] (auto& m)
                                        { return m.size() == 2; },
                                        3000));
    test::runMessageLoopFor (100);
    EXPECT_TRUE (link.received().empty());
    EXPECT_TRUE (quiet.received().empty());
    EXPECT_EQ (other.received().size(), 1u);
    EXPECT_EQ (organ.getReceived()[1].port, "Quiet Port");
}

TEST_F (OrganEmulatorTest, VanishesMidTransferAndComesBack)
{
    auto o = options();
    o.faults.unplug = { 0, 300 };
    OrganEmulator organ (o);
    auto link = std::make_unique<EditorLink> (temp.get());
    ASSERT_TRUE (link->isOpen());

    link->send (header (3));
    EXPECT_EQ (link->take (1), std::vector<Bytes> { ack0 });
    link->send (abcPacket);
    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return organ.getConnectionCount (organPort, true) == 0; },
                                  3000));
    EXPECT_TRUE (link->ports->getInputNames().isEmpty());
    EXPECT_TRUE (link->ports->getOutputNames().isEmpty());
    link->send (identityRequest);   // into the void, silently

    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return link->ports->getInputNames().size() == 1; },
                                  3000));
    EXPECT_TRUE (link->received().size() == 1);
    link = std::make_unique<EditorLink> (temp.get());
    ASSERT_TRUE (link->isOpen());
    link->send (identityRequest);
    EXPECT_EQ (link->take (1).size(), 1u);
}

TEST_F (OrganEmulatorTest, RawPacketsReachTheEditorAsTheyAre)
{
    OrganEmulator organ (options());
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());
    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return organ.getConnectionCount (organPort, true) == 1; },
                                  3000));

    Bytes overLong (65537, 0x01);
    overLong.front() = 0xf0;
    overLong.back() = 0xf7;
    organ.sendRaw ({ 0xf0, 0x7d, 0x1e, 0x05 });   // truncated
    organ.sendRaw (overLong);
    organ.sendRaw ({ 0x12, 0x34 });   // garbage
    organ.sendRaw (operationComplete);
    EXPECT_EQ (link.take (1), std::vector<Bytes> { operationComplete });
    test::runMessageLoopFor (50);
    EXPECT_EQ (link.received().size(), 1u);

    link.send ({ 0xf0, 0x7d, 0x1e, 0x05 });   // the editor's own fault is noted
    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return organ.getAnomalies().size() == 1; },
                                  3000));
}

TEST_F (OrganEmulatorTest, PlaysParametersOfAnyValueInTheOrgansOwnForms)
{
    const float nanValue = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    auto o = options();
    o.parameters = { { 0, -1.0f }, { 34, infinity }, { 99, 5.0f } };   // 99 is no parameter: ignored
    OrganEmulator organ (o);
    EditorLink link (temp.get());
    ASSERT_TRUE (link.isOpen());
    ASSERT_TRUE (organ.waitUntil ([&]
                                  { return organ.getConnectionCount (organPort, true) == 1; },
                                  3000));

    // The download reports the starting values (float form: index, then the bits 7 at a time).
    link.send (identityRequest);
    link.take (1);
    link.send (dumpRequest (0x7d));
    const auto dump = link.take (86);
    ASSERT_EQ (dump.size(), 86u);
    EXPECT_EQ (dump[0], (Bytes { 0xf0, 0x7d, 0x1e, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7c, 0x0b, 0xf7 }));    // -1.0
    EXPECT_EQ (dump[34], (Bytes { 0xf0, 0x7d, 0x1e, 0x01, 0x22, 0x00, 0x00, 0x00, 0x00, 0x7c, 0x07, 0xf7 }));   // +inf

    // Live changes as the organ's panel reports them; the byte form carries items 0..127 only.
    struct Case
    {
        int index;
        float value;
        Bytes sent;
    };
    const Case cases[] = {
        { 5, nanValue, { 0xf0, 0x7d, 0x1e, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0x7e, 0x07, 0xf7 } },
        { 31, -infinity, { 0xf0, 0x7d, 0x1e, 0x01, 0x1f, 0x00, 0x00, 0x00, 0x00, 0x7c, 0x0f, 0xf7 } },
        { 90, nanValue, { 0xf0, 0x7d, 0x1e, 0x02, 0x05, 0x00, 0xf7 } },
        { 91, 300.0f, { 0xf0, 0x7d, 0x1e, 0x02, 0x06, 0x7f, 0xf7 } },
        { 92, -2.0f, { 0xf0, 0x7d, 0x1e, 0x02, 0x07, 0x00, 0xf7 } },
    };
    for (const auto& c : cases)
    {
        organ.sendParameter (c.index, c.value);
        EXPECT_EQ (link.take (1), std::vector<Bytes> { c.sent }) << "parameter " << c.index;
        EXPECT_TRUE (organ.getParameter (c.index) == c.value || (std::isnan (c.value) && std::isnan (organ.getParameter (c.index))));
    }
}
