// The organ's messages end to end: the organ emulator sends through the virtual ports, the
// editor takes them on the input's own thread; the editor's sends reach the emulator.
#include "EditorRig.h"
#include "organ/OrganProtocol.h"
#include "support/MidiBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iterator>

using namespace orvane;
using Access = MainContentComponentTestAccess;
using Bytes = emulator::Bytes;

namespace
{
using orvane::test::bytesOf;
using orvane::test::now;
using orvane::test::organPort;

/** Hands what the input receives to the editor's MIDI callback, on the input's thread. */
class ToEditor : public juce::MidiInputCallback
{
public:
    explicit ToEditor (MainContentComponent& c) : editor (c) {}
    void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
    {
        Access::receive (editor, message);
    }

private:
    MainContentComponent& editor;
};

/** An editor on the virtual ports of a folder of its own, with the organ's port pair open. */
class ReceptionEndToEnd : public ::testing::Test
{
protected:
    test::TemporaryFolder folder;
    std::unique_ptr<emulator::OrganEmulator> organ;
    std::unique_ptr<MainContentComponent> editor;
    std::unique_ptr<ToEditor> callback;
    std::unique_ptr<MidiInputPort> input;

    void SetUp() override
    {
        emulator::Options options;
        options.folder = folder.get();
        organ = std::make_unique<emulator::OrganEmulator> (std::move (options));
        ASSERT_TRUE (organ->isListening());

        setenv ("ORVANE_VIRTUAL_MIDI", folder.get().getFullPathName().toRawUTF8(), 1);
        editor = std::make_unique<MainContentComponent>();
        auto& ports = editor->getMidiPorts();

        callback = std::make_unique<ToEditor> (*editor);
        input = ports.openInput (ports.getInputNames().indexOf (organPort), callback.get());
        ASSERT_NE (input, nullptr);
        input->start();
        ASSERT_TRUE (Access::midiOutput (*editor).open (ports, ports.getOutputNames().indexOf (organPort)));
        ASSERT_TRUE (organ->waitUntil ([this]
                                       { return organ->getConnectionCount (organPort, true) == 1
                                             && organ->getConnectionCount (organPort, false) == 1; },
                                       3000));
    }

    void TearDown() override
    {
        input = nullptr;   // no callback runs after this
        editor = nullptr;
        organ = nullptr;
        unsetenv ("ORVANE_VIRTUAL_MIDI");
    }

    float value (int index) const { return editor->getProjectImage().getValue (index); }

    bool waitFor (const std::function<bool()>& condition) { return test::runMessageLoopUntil (condition, 5000); }

    /** A slot name sent after other messages: once it has arrived, so have they. */
    void sendMarker (const juce::String& name)
    {
        Bytes marker = { 0xF0, 0x7D, 0x1E, 0x09, 0x05 };
        marker.insert (marker.end(), name.toRawUTF8(), name.toRawUTF8() + name.length());
        marker.insert (marker.end(), { 0x00, 0xF7 });
        organ->sendRaw (marker);
        ASSERT_TRUE (waitFor ([&]
                              { return editor->getTonewheelSlotName (5) == "ALT3 -  " + name; }));
    }
};
}   // namespace

TEST_F (ReceptionEndToEnd, TheOrgansParameterAndSlotNameMessagesReachTheEditor)
{
    const double sentAt = now();
    organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 });
    organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03, 0xF7 });
    organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x09, 0x03, 0x00, 0xF7 });
    ASSERT_TRUE (waitFor ([this]
                          { return editor->getTonewheelSlotName (3) == "ALT1 -  "; }));

    EXPECT_LT (now() - sentAt, test::scaled (2000.0)) << "three messages on a local socket, with room for a loaded machine";
    EXPECT_EQ (value (5), 100.0f);
    EXPECT_EQ (value (97), 3.0f);
}

TEST_F (ReceptionEndToEnd, AStreamArrivesWholeAndInOrder)
{
    constexpr int count = 300;
    for (int i = 1; i <= count; ++i)
        organ->sendRaw (bytesOf (protocol::setFloatParameter (i % 85, (float) i)));
    sendMarker ("END");

    for (int index = 0; index < 85; ++index)
    {
        const int last = count - (count - index) % 85;   // the last i with i % 85 == index
        EXPECT_EQ (value (index), (float) last) << "parameter " << index;
    }
}

TEST_F (ReceptionEndToEnd, UnsafeMessagesChangeNothingAndTheInputGoesOn)
{
    const auto before = editor->getProjectImage().toBytes();
    Bytes tooLong = { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03 };
    tooLong.resize (3000, 0x00);
    tooLong.push_back (0xF7);
    Bytes nameWithoutEnd = { 0xF0, 0x7D, 0x1E, 0x09, 0x04 };
    nameWithoutEnd.resize (1024, 'x');
    nameWithoutEnd.push_back (0xF7);

    auto unsafe = orvane::test::malformedOrganMessages().all();
    unsafe.push_back (tooLong);
    unsafe.push_back (nameWithoutEnd);
    unsafe.push_back ({ 0xF0, 0x7D, 0x1E, 0x06, 0x01, 0xF7 });   // an echo
    unsafe.push_back ({ 0x90, 0x3C, 0x64 });                     // a note
    unsafe.push_back ({ 0xF0, 0x7D });                           // no F7: dropped by the port
    for (const auto& message : unsafe)
        organ->sendRaw (message);
    sendMarker ("AFTER");

    EXPECT_EQ (editor->getProjectImage().toBytes(), before);
    EXPECT_EQ (editor->getTonewheelSlotName (4), "ALT2 -  TONEWHEEL B3_1956");
}

TEST_F (ReceptionEndToEnd, TheEditorsParameterSendsReachTheOrganAsDataBytes)
{
    struct Case
    {
        uint8_t index;
        float value;
        float atOrgan;
    };
    const Case cases[] = { { 5, 100.0f, 100.0f }, { 84, -0.0f, -0.0f }, { 97, 2.9f, 2.0f }, { 98, 300.0f, 127.0f }, { 90, -4.0f, 0.0f } };
    for (const auto& c : cases)
    {
        Access::projectImage (*editor).setValue (c.index, c.value);
        editor->sendParameter (c.index);
    }
    ASSERT_TRUE (organ->waitForMessages ([&] (const auto& received)
                                         { return received.size() >= std::size (cases); },
                                         5000));

    for (const auto& c : cases)
        EXPECT_EQ (organ->getParameter (c.index), c.atOrgan) << "parameter " << (int) c.index;
    EXPECT_TRUE (std::signbit (organ->getParameter (84)));
    EXPECT_TRUE (organ->getAnomalies().isEmpty()) << organ->getAnomalies().joinIntoString ("\n");
}
