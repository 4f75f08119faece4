#include "organ/OrganProtocol.h"
#include "resources/OrganTables.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/TestHarness.h"

#include "organ/FloatBits.h"

#include "support/MidiBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Access = MainContentComponentTestAccess;

namespace
{
using orvane::test::hex;
using orvane::test::midi;

/** A System Exclusive message of `size` bytes: `start`, then filler data bytes, then F7. */
Bytes longSysEx (Bytes start, size_t size, uint8_t filler)
{
    start.resize (size - 1, filler);
    start.push_back (0xF7);
    return start;
}

/** The editor with its posts caught on the message thread instead of reaching the panel. Each
    post records what it reports as the message thread finds it when handling the post. */
class ObservedEditor : public MainContentComponent
{
public:
    struct Post
    {
        int type;
        int param;
        float value = 0.0f;         // parameterChanged: the parameter's value when handled
        juce::String slotName {};   // slotNameChanged: the slot's name when handled

        bool operator== (const Post& other) const
        {
            return type == other.type && param == other.param && orvane::floatBits (value) == orvane::floatBits (other.value)
                && slotName == other.slotName;
        }
    };

    void handleMessage (const juce::Message& message) override
    {
        const auto* internal = dynamic_cast<const InternalMessage*> (&message);
        if (internal == nullptr)
            return;
        if (internal->type == endMarker)
        {
            endMarkerSeen = true;
            return;
        }

        Post post { internal->type, internal->param };
        if (post.type == InternalMessage::parameterChanged && juce::isPositiveAndBelow (post.param, orvane::numParameters))
            post.value = getProjectImage().getValue (post.param);
        if (post.type == InternalMessage::slotNameChanged)
            post.slotName = getTonewheelSlotName (post.param);
        posts.push_back (post);
    }

    /** Every post made so far, once the message thread has handled them all. */
    std::vector<Post> takePosts()
    {
        endMarkerSeen = false;
        postMessage (new InternalMessage (endMarker, 0));   // queued behind every earlier post
        EXPECT_TRUE (orvane::test::runMessageLoopUntil ([this]
                                                        { return endMarkerSeen; },
                                                        10000));
        return std::exchange (posts, {});
    }

    std::vector<Post> posts;   // message thread only

private:
    static constexpr int endMarker = 1000;
    bool endMarkerSeen = false;
};

using Post = ObservedEditor::Post;

class Reception : public ::testing::Test
{
protected:
    ObservedEditor editor;

    /** Hands the messages to the editor's input callback on a thread of their own, as a MIDI
        input does, and waits until it has taken them. */
    void receive (const std::vector<Bytes>& messages)
    {
        std::thread midiThread ([&]
                                {
            for (const auto& bytes : messages)
                Access::receive (editor, midi (bytes)); });
        midiThread.join();
    }

    void receive (const Bytes& message) { receive (std::vector<Bytes> { message }); }

    void setPending (PendingOperation operation) { Access::pendingOperation (editor) = operation; }
    auto& buffer() { return Access::receiveBuffer (editor); }
    juce::MemoryBlock image() const { return editor.getProjectImage().toBytes(); }
    float value (int index) const { return editor.getProjectImage().getValue (index); }

    std::vector<juce::String> slotNames() const
    {
        std::vector<juce::String> names;
        for (int slot = 0; slot < orvane::numSlots; ++slot)
            names.push_back (editor.getTonewheelSlotName (slot));
        return names;
    }

    void expectUnchangedAndSilent (const std::vector<Bytes>& messages)
    {
        const auto imageBefore = image();
        const auto namesBefore = slotNames();
        for (const auto& message : messages)
        {
            receive (message);
            EXPECT_EQ (image(), imageBefore) << hex (message);
            EXPECT_EQ (slotNames(), namesBefore) << hex (message);
            EXPECT_TRUE (editor.takePosts().empty()) << hex (message);
        }
    }
};
}   // namespace

TEST_F (Reception, OtherThanSystemExclusiveChangesNothingNotEvenTheBuffer)
{
    buffer().fill (0x55);
    const auto before = buffer();
    const juce::MidiMessage messages[] = {
        juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100),
        juce::MidiMessage::noteOff (16, 60),
        juce::MidiMessage::controllerEvent (1, 7, 127),
        juce::MidiMessage::programChange (3, 5),
        juce::MidiMessage::pitchWheel (1, 0x2000),
        juce::MidiMessage::midiClock(),
        juce::MidiMessage::midiStart(),
        juce::MidiMessage::songPositionPointer (4),
        juce::MidiMessage::quarterFrame (1, 2),
    };
    const auto imageBefore = image();
    std::thread midiThread ([&]
                            {
        for (const auto& message : messages)
            Access::receive (editor, message); });
    midiThread.join();

    EXPECT_EQ (buffer(), before);
    EXPECT_EQ (image(), imageBefore);
    EXPECT_TRUE (editor.takePosts().empty());
}

TEST_F (Reception, EverySystemExclusiveMessageIsKeptByteForByteWithoutItsEnd)
{
    const Bytes messages[] = {
        { 0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0xF7 },   // another maker
        { 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 },         // a File Dump ACK
        { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03, 0xF7 },
        { 0xF0, 0xF7 },
        longSysEx ({ 0xF0, 0x7D, 0x1E, 0x7F }, 1025, 0x33),   // the longest kept
    };
    for (const auto& message : messages)
    {
        buffer().fill (0x55);
        receive (message);
        const size_t last = message.size() - 1;
        EXPECT_EQ (buffer()[0], 0x55) << hex (message);
        EXPECT_TRUE (std::equal (message.begin() + 1, message.begin() + (long) last, buffer().begin() + 1)) << hex (message);
        EXPECT_TRUE (std::all_of (buffer().begin() + (long) last, buffer().end(), [] (uint8_t b)
                                  { return b == 0x55; }))
            << "the F7 and what follows are left alone: " << hex (message);
    }
}

TEST_F (Reception, OtherMakersAndTheOrgansEchoesChangeNothingElse)
{
    auto messages = orvane::test::foreignAndEchoedMessages();
    messages.push_back ({ 0xF0, 0x7E, 0x00, 0x7C, 0x00, 0xF7 });   // a File Dump WAIT, never taken for an organ message
    expectUnchangedAndSilent (messages);
}

TEST_F (Reception, MessagesTooLongForTheBufferAreDroppedWhole)
{
    buffer().fill (0x55);
    const auto before = buffer();
    // Would set parameter 97 if it were taken: a byte-form message padded past the buffer.
    expectUnchangedAndSilent ({ longSysEx ({ 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03 }, 1026, 0x00),
                                longSysEx ({ 0xF0, 0x7D, 0x1E, 0x09, 0x03, 'x' }, 5000, 0x00) });
    EXPECT_EQ (buffer(), before);
}

TEST_F (Reception, ParameterMessagesSetTheValueAndPostOnlyWhileNothingIsPending)
{
    struct Case
    {
        Bytes message;
        PendingOperation pending;
        int index;
        uint32_t bits;
    };
    const Case cases[] = {
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 }, noOperation, 5, 0x42C80000 },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x06, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 }, downloadStep2, 6, 0x42C80000 },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7C, 0x13, 0xF7 }, noOperation, 84, 0x3F800000 },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x7E, 0x07, 0xF7 }, noOperation, 10, 0x7FC00001 },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0xF7 }, storeOperation, 11, 0x80000000 },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03, 0xF7 }, noOperation, 97, 0x40400000 },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x0D, 0x01, 0xF7 }, resetOperation, 98, 0x3F800000 },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x00, 0x7F, 0xF7 }, downloadStep1, 85, 0x42FE0000 },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x50, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 }, noOperation, 80, 0x42C80000 },
    };
    for (const auto& c : cases)
    {
        setPending (c.pending);
        receive (c.message);
        EXPECT_EQ (orvane::floatBits (value (c.index)), c.bits) << hex (c.message);

        std::vector<Post> expected;
        if (c.pending == noOperation)
            expected.push_back ({ InternalMessage::parameterChanged, c.index, value (c.index) });
        EXPECT_EQ (editor.takePosts(), expected) << hex (c.message);
        EXPECT_EQ (editor.getPendingOperation(), c.pending);
    }
}

TEST_F (Reception, IndexesOutsideTheParameterSetWriteNothingAndPostNothing)
{
    expectUnchangedAndSilent (orvane::test::malformedOrganMessages().indexesOutsideTheParameters);
}

TEST_F (Reception, SlotNamesTakeTheirPrefixAndPostOnlyWhileNothingIsPending)
{
    const juce::juce_wchar latin1[] = { 'O', 'r', 'g', 0xE9, 0 };
    struct Case
    {
        Bytes message;
        PendingOperation pending;
        int slot;
        juce::String name;
    };
    const Case cases[] = {
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x03, 0x00, 0xF7 }, noOperation, 3, "ALT1 -  " },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x00, 'W', 'H', 'E', 'E', 'L', 0x00, 0xF7 }, noOperation, 0, "FAC1 -  WHEEL" },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x05, 'O', 'r', 'g', 0xE9, 0x00, 0xF7 }, noOperation, 5, "ALT3 -  " + juce::String (juce::CharPointer_UTF32 (latin1)) },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x02, 'a', 0x00, 'b', 0xF7 }, downloadStep3, 2, "FAC3 -  a" },
    };
    for (const auto& c : cases)
    {
        setPending (c.pending);
        receive (c.message);
        EXPECT_EQ (editor.getTonewheelSlotName (c.slot), c.name) << hex (c.message);

        std::vector<Post> expected;
        if (c.pending == noOperation)
            expected.push_back ({ InternalMessage::slotNameChanged, c.slot, 0.0f, c.name });
        EXPECT_EQ (editor.takePosts(), expected) << hex (c.message);
    }

    // The longest name that fits the buffer.
    setPending (noOperation);
    auto longest = longSysEx ({ 0xF0, 0x7D, 0x1E, 0x09, 0x04 }, 1025, 'x');
    longest[1023] = 0x00;
    receive (longest);
    EXPECT_EQ (editor.getTonewheelSlotName (4), "ALT2 -  " + juce::String::repeatedString ("x", 1018));
    EXPECT_EQ (editor.takePosts().size(), 1u);
}

TEST_F (Reception, SlotNamesForMissingSlotsOrWithoutTheirEndAreIgnored)
{
    auto messages = orvane::test::malformedOrganMessages().slotNamesForMissingSlotsOrWithoutTheirEnd;
    messages.push_back (longSysEx ({ 0xF0, 0x7D, 0x1E, 0x09, 0x04 }, 1025, 'x'));
    expectUnchangedAndSilent (messages);
}

// Each carries the search whose input delivered it, so that an older search's answer is known.
TEST_F (Reception, OperationCompleteIsPostedWhateverIsPending)
{
    Access::searchGeneration (editor) = 7;
    for (const auto pending : { noOperation, downloadStep1, downloadStep2, downloadStep3, storeOperation, resetOperation })
    {
        setPending (pending);
        receive ({ { 0xF0, 0x7D, 0x1E, 0x05, 0xF7 }, { 0xF0, 0x7D, 0x1E, 0x05, 0x01, 0x7F, 0xF7 } });
        const Post complete { InternalMessage::operationComplete, 7 };
        EXPECT_EQ (editor.takePosts(), (std::vector<Post> { complete, complete })) << pending;
        EXPECT_EQ (editor.getPendingOperation(), pending);
    }
}

TEST_F (Reception, ShortMessagesAreIgnoredAndNeverReadAnEarlierMessagesBytes)
{
    receive ({ { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 },
               { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03, 0xF7 },
               { 0xF0, 0x7D, 0x1E, 0x09, 0x03, 'O', 'L', 'D', 0x00, 0xF7 } });
    editor.takePosts();
    Access::projectImage (editor).setValue (97, 1.0f);

    // Each, read at its full layout from the buffer, would repeat the message before it.
    expectUnchangedAndSilent (orvane::test::malformedOrganMessages().shorterThanTheirLayout);
}

TEST_F (Reception, EveryPostFollowsTheWriteItReports)
{
    // The MIDI thread streams new values while the message thread handles the posts: each
    // post must find at least the value it was made for.
    constexpr int count = 400;
    std::thread midiThread ([this]
                            {
        for (int i = 1; i <= count; ++i)
        {
            const juce::String text (i);
            Bytes name = { 0xF0, 0x7D, 0x1E, 0x09, 0x04 };
            name.insert (name.end(), text.toRawUTF8(), text.toRawUTF8() + text.length());
            name.insert (name.end(), { 0x00, 0xF7 });
            Access::receive (editor, midi (name));
            Access::receive (editor, orvane::protocol::setFloatParameter (7, (float) i));
        } });
    EXPECT_TRUE (orvane::test::runMessageLoopUntil ([this]
                                                    { return editor.posts.size() >= 2 * count; },
                                                    20000));
    midiThread.join();

    const auto posts = editor.takePosts();
    ASSERT_EQ (posts.size(), (size_t) 2 * count);
    for (int i = 1; i <= count; ++i)
    {
        const auto& name = posts[(size_t) (2 * i - 2)];
        const auto& parameter = posts[(size_t) (2 * i - 1)];
        ASSERT_EQ (name.type, InternalMessage::slotNameChanged);
        EXPECT_GE (name.slotName.fromFirstOccurrenceOf ("ALT2 -  ", false, false).getIntValue(), i);
        ASSERT_EQ (parameter.param, 7);
        EXPECT_GE (parameter.value, (float) i);
    }
}
