#include "midi/MidiPorts.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

using namespace orvane;
using Bytes = std::vector<uint8_t>;

namespace
{
/** A socket bound in the folder (through /proc for paths too long for an address), listening or not. */
int bindSocket (const juce::File& folder, const std::string& file, bool listen)
{
    const int folderFd = ::open (folder.getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY);
    const auto path = "/proc/self/fd/" + std::to_string (folderFd) + "/" + file;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy (address.sun_path, path.c_str(), sizeof (address.sun_path) - 1);
    const int fd = ::socket (AF_UNIX, SOCK_SEQPACKET, 0);
    const bool ok = ::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0
        && (! listen || ::listen (fd, 4) == 0);
    ::close (folderFd);
    EXPECT_TRUE (ok) << file;
    return fd;
}

/** The device side of one virtual port: listens, accepts one connection, sends and reads packets. */
struct Peer
{
    Peer (const juce::File& folder, const std::string& file) : listener (bindSocket (folder, file, true)) {}
    ~Peer()
    {
        closeConnection();
        ::close (listener);
    }

    bool accept (int timeoutMs = 2000)
    {
        pollfd p { listener, POLLIN, 0 };
        if (::poll (&p, 1, timeoutMs) != 1)
            return false;
        connection = ::accept (listener, nullptr, nullptr);
        return connection >= 0;
    }

    void send (const Bytes& packet) const { ASSERT_EQ (::send (connection, packet.data(), packet.size(), MSG_NOSIGNAL), (ssize_t) packet.size()); }

    Bytes receive (int timeoutMs = 2000) const
    {
        pollfd p { connection, POLLIN, 0 };
        if (::poll (&p, 1, timeoutMs) != 1)
            return { 0xde, 0xad };   // no packet in time
        Bytes buffer (70000);
        const auto n = ::recv (connection, buffer.data(), buffer.size(), 0);
        buffer.resize ((size_t) std::max<ssize_t> (n, 0));
        return buffer;
    }

    void closeConnection()
    {
        if (connection >= 0)
            ::close (std::exchange (connection, -1));
    }

    int listener, connection = -1;
};

/** Records every message with the thread it came on. */
struct Recorder : juce::MidiInputCallback
{
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> guard (lock);
        sources.push_back (source);
        messages.emplace_back (message.getRawData(), message.getRawData() + message.getRawDataSize());
        onMessageThread |= juce::MessageManager::getInstance()->isThisTheMessageThread();
        threads.insert (std::this_thread::get_id());
    }

    std::vector<Bytes> get() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return messages;
    }

    bool waitForCount (size_t count, int timeoutMs = 3000) const
    {
        return test::runMessageLoopUntil ([&]
                                          { return get().size() >= count; },
                                          timeoutMs);
    }

    mutable std::mutex lock;
    std::vector<Bytes> messages;
    std::vector<juce::MidiInput*> sources;
    std::set<std::thread::id> threads;
    bool onMessageThread = false;
};

/** Port names as one line, so that a failure shows them. */
std::string joined (const juce::StringArray& names) { return names.joinIntoString ("|").toStdString(); }

struct VirtualMidiPortsTest : ::testing::Test
{
    test::TemporaryFolder temp;
    const juce::File& folder = temp.get();
    std::unique_ptr<MidiPortSystem> ports = createVirtualMidiPorts (folder);
};
}   // namespace

TEST_F (VirtualMidiPortsTest, ListsSocketsByKindInByteOrderAndIgnoresEverythingElse)
{
    std::vector<int> sockets;
    for (const char* file : { "b.in", "a.in", "B.in", "\xc3\xa4.in", "x.out.in", "Z.out", "a.out", "s.sock", ".in" })
        sockets.push_back (bindSocket (folder, file, true));
    sockets.push_back (bindSocket (folder, "unheard.out", false));   // a socket still, only without a listener
    folder.getChildFile ("plain.in").replaceWithText ("not a socket");
    folder.getChildFile ("dir.out").createDirectory();
    folder.getChildFile ("notes.txt").replaceWithText ("");

    EXPECT_EQ (joined (ports->getInputNames()), "B|a|b|x.out|\xc3\xa4");
    EXPECT_EQ (joined (ports->getOutputNames()), "Z|a|unheard");

    // The lists are read afresh: a removed socket renumbers the ports behind it.
    ASSERT_EQ (::unlink (folder.getChildFile ("B.in").getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (joined (ports->getInputNames()), "a|b|x.out|\xc3\xa4");

    for (const int fd : sockets)
        ::close (fd);
}

TEST_F (VirtualMidiPortsTest, AMissingFolderHasNoPorts)
{
    auto missing = createVirtualMidiPorts (folder.getChildFile ("gone"));
    EXPECT_TRUE (missing->getInputNames().isEmpty());
    EXPECT_TRUE (missing->getOutputNames().isEmpty());
    Recorder recorder;
    EXPECT_EQ (missing->openInput (0, &recorder), nullptr);
    EXPECT_EQ (missing->openOutput (0), nullptr);
}

TEST_F (VirtualMidiPortsTest, PortsThatCannotBeConnectedDoNotOpen)
{
    const int unheard = bindSocket (folder, "unheard.in", false);
    const int unheardOut = bindSocket (folder, "unheard.out", false);
    Recorder recorder;
    EXPECT_EQ (ports->openInput (0, &recorder), nullptr);
    EXPECT_EQ (ports->openOutput (0), nullptr);
    EXPECT_EQ (ports->openInput (1, &recorder), nullptr);   // out of range
    EXPECT_EQ (ports->openOutput (-1), nullptr);
    ::close (unheard);
    ::close (unheardOut);
}

TEST_F (VirtualMidiPortsTest, DeliversEachPacketInOrderOnAThreadOfTheInputAfterStart)
{
    Peer peer (folder, "Organ.in");
    Recorder recorder;
    auto input = ports->openInput (0, &recorder);
    ASSERT_NE (input, nullptr);
    ASSERT_TRUE (peer.accept());

    std::vector<Bytes> sent;
    for (int i = 0; i < 200; ++i)
        sent.push_back (i % 2 == 0 ? Bytes { 0xf0, 0x7d, 0x1e, 0x01, (uint8_t) (i & 0x7f), 0x00, 1, 2, 3, 4, 5, 0xf7 }
                                   : Bytes { 0x90, (uint8_t) (i & 0x7f), 0x40 });
    for (const auto& packet : sent)
        peer.send (packet);

    test::runMessageLoopFor (50);
    EXPECT_TRUE (recorder.get().empty()) << "delivered before start()";

    input->start();
    ASSERT_TRUE (recorder.waitForCount (sent.size()));
    EXPECT_EQ (recorder.get(), sent);
    EXPECT_FALSE (recorder.onMessageThread);
    EXPECT_EQ (recorder.threads.size(), 1u);
    EXPECT_EQ (recorder.sources.front(), nullptr);
}

TEST_F (VirtualMidiPortsTest, DropsPacketsThatAreNotOneCompleteMessage)
{
    Bytes longest (65536, 0x11), tooLong (65537, 0x11);
    longest.front() = tooLong.front() = 0xf0;
    longest.back() = tooLong.back() = 0xf7;

    const struct
    {
        Bytes packet;
        bool delivered;
    } cases[] = {
        { {}, false },
        { { 0x40 }, false },   // running status
        { { 0x7f, 0x01, 0x02 }, false },
        { { 0xf0, 0x7d, 0x1e, 0x05 }, false },         // no final F7
        { { 0xf0, 0x7d, 0xf7, 0x05 }, false },         // bytes after the F7
        { { 0xf0, 0x7d, 0x90, 0x05, 0xf7 }, false },   // a status byte inside
        { { 0xf7 }, false },
        { { 0x90, 0x40 }, false },               // note on, short
        { { 0x90, 0x40, 0x7f, 0x00 }, false },   // note on, long
        { { 0x90, 0x40, 0x80 }, false },         // status byte as data
        { { 0xc0 }, false },
        { { 0xc0, 0x01, 0x02 }, false },
        { { 0xf2, 0x01 }, false },
        { { 0xf8, 0x00 }, false },
        { tooLong, false },
        { { 0x90, 0x40, 0x7f }, true },
        { { 0xb3, 0x07, 0x00 }, true },
        { { 0xd0, 0x10 }, true },
        { { 0xe0, 0x00, 0x40 }, true },
        { { 0xf1, 0x10 }, true },
        { { 0xf2, 0x01, 0x02 }, true },
        { { 0xf8 }, true },
        { { 0xfe }, true },
        { { 0xf0, 0xf7 }, true },
        { { 0xf0, 0x7d, 0x1e, 0x05, 0xf7 }, true },
        { longest, true },
    };

    Peer peer (folder, "Organ.in");
    Recorder recorder;
    auto input = ports->openInput (0, &recorder);
    ASSERT_NE (input, nullptr);
    ASSERT_TRUE (peer.accept());
    input->start();

    std::vector<Bytes> expected;
    for (const auto& c : cases)
    {
        peer.send (c.packet);
        if (c.delivered)
            expected.push_back (c.packet);
    }
    const Bytes marker { 0xf0, 0x01, 0xf7 };
    peer.send (marker);
    expected.push_back (marker);

    ASSERT_TRUE (recorder.waitForCount (expected.size()));
    const auto got = recorder.get();
    ASSERT_EQ (got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ (got[i], expected[i]) << "message " << i;
}

TEST_F (VirtualMidiPortsTest, SendsEachMessageAsOnePacketAndFailsSilentlyOnceThePeerHasGone)
{
    Peer peer (folder, "Organ.out");
    auto output = ports->openOutput (0);
    ASSERT_NE (output, nullptr);
    ASSERT_TRUE (peer.accept());

    const Bytes identityRequest { 0xf0, 0x7d, 0x1e, 0x06, 0x01, 0xf7 };
    output->sendMessageNow (juce::MidiMessage (identityRequest.data(), (int) identityRequest.size()));
    output->sendMessageNow (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
    EXPECT_EQ (peer.receive(), identityRequest);
    EXPECT_EQ (peer.receive(), (Bytes { 0x90, 60, 100 }));

    peer.closeConnection();
    for (int i = 0; i < 3; ++i)   // no SIGPIPE, no error: the message is lost as on an unplugged cable
        output->sendMessageNow (juce::MidiMessage (identityRequest.data(), (int) identityRequest.size()));
}

TEST_F (VirtualMidiPortsTest, APeerThatClosesLeavesTheInputSilentAndClosable)
{
    Peer peer (folder, "Organ.in");
    Recorder recorder;
    auto input = ports->openInput (0, &recorder);
    ASSERT_TRUE (peer.accept());
    input->start();
    peer.send ({ 0xf8 });
    ASSERT_TRUE (recorder.waitForCount (1));
    peer.closeConnection();
    test::runMessageLoopFor (20);
    input.reset();
    EXPECT_EQ (recorder.get().size(), 1u);
}

TEST_F (VirtualMidiPortsTest, DeletionWaitsForACallbackInProgressAndNoneFollows)
{
    struct Blocking : juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&) override
        {
            if (calls++ == 0)
            {
                entered.set_value();
                release.wait();
            }
            finished = true;
        }
        std::atomic<int> calls { 0 };
        std::atomic<bool> finished { false };
        std::promise<void> entered;
        std::shared_future<void> release;
    };

    Peer peer (folder, "Organ.in");
    Blocking callback;
    std::promise<void> release;
    callback.release = release.get_future().share();
    auto input = ports->openInput (0, &callback);
    ASSERT_TRUE (peer.accept());
    input->start();

    peer.send ({ 0xf8 });
    ASSERT_EQ (callback.entered.get_future().wait_for (std::chrono::seconds (3)), std::future_status::ready);
    peer.send ({ 0xfa });   // queued behind the callback in progress

    std::atomic<bool> deleted { false };
    std::thread deleter ([&]
                         { input.reset(); deleted = true; });
    std::this_thread::sleep_for (std::chrono::milliseconds (50));
    EXPECT_FALSE (deleted) << "the deletion did not wait for the callback in progress";

    release.set_value();
    deleter.join();
    EXPECT_TRUE (callback.finished);
    EXPECT_EQ (callback.calls, 1) << "a callback started after the deletion had begun";
}

TEST_F (VirtualMidiPortsTest, PortsInADeepFolderOpen)
{
    auto deep = folder;
    for (int i = 0; i < 6; ++i)
        deep = deep.getChildFile ("a-folder-name-of-twenty-five");
    ASSERT_TRUE (deep.createDirectory());
    ASSERT_GT (deep.getFullPathName().length(), 110);

    Peer peer (deep, "Halvorin Orvane MIDI Port.out");
    auto deepPorts = createVirtualMidiPorts (deep);
    ASSERT_EQ (joined (deepPorts->getOutputNames()), "Halvorin Orvane MIDI Port");
    auto output = deepPorts->openOutput (0);
    ASSERT_NE (output, nullptr);
    ASSERT_TRUE (peer.accept());
    output->sendMessageNow (juce::MidiMessage (0xf8));
    EXPECT_EQ (peer.receive(), (Bytes { 0xf8 }));
}
