#include "midi/MidiPorts.h"
#include "midi/UnixSocketAddress.h"

#if JUCE_LINUX || JUCE_BSD
 #include <dirent.h>
 #include <fcntl.h>
 #include <poll.h>
 #include <sys/ioctl.h>
 #include <sys/socket.h>
 #include <sys/stat.h>
 #include <sys/un.h>
 #include <unistd.h>

 #include <algorithm>
 #include <atomic>
 #include <cerrno>
 #include <cstring>
 #include <mutex>
 #include <string>
 #include <thread>
 #include <utility>
 #include <vector>
#endif

namespace orvane
{
#if JUCE_LINUX || JUCE_BSD
namespace
{
constexpr size_t maxPacketSize = 65536;
constexpr int sendTimeoutMilliseconds = 1000;   // a peer that stops reading must not hang the editor

/** Owns one file descriptor. */
class ScopedFd
{
public:
    ScopedFd() = default;
    explicit ScopedFd (int descriptor) : fd (descriptor) {}
    ScopedFd (ScopedFd&& other) noexcept : fd (std::exchange (other.fd, -1)) {}
    ScopedFd& operator= (ScopedFd&& other) noexcept
    {
        reset (std::exchange (other.fd, -1));
        return *this;
    }
    ~ScopedFd() { reset(); }

    void reset (int descriptor = -1)
    {
        if (fd >= 0)
            ::close (fd);
        fd = descriptor;
    }

    int get() const noexcept { return fd; }
    bool isValid() const noexcept { return fd >= 0; }

private:
    int fd = -1;
};

//==============================================================================
/** The length a MIDI message must have, judged by its status byte; 0 for a System
        Exclusive message (its length is its F7) and -1 for a byte that starts no message. */
int expectedLength (uint8_t status)
{
    if (status < 0x80 || status == 0xf7)
        return -1;
    if (status == 0xf0)
        return 0;
    if (status < 0xf0)
        return (status & 0xe0) == 0xc0 ? 2 : 3;   // program change and channel pressure have one data byte
    switch (status)
    {
        case 0xf1:
        case 0xf3: return 2;
        case 0xf2: return 3;
        default: return 1;   // tune request, real-time and undefined system bytes
    }
}

/** True when the bytes are exactly one complete MIDI message, status byte first. */
bool isOneCompleteMessage (const uint8_t* data, size_t size)
{
    if (size == 0 || size > maxPacketSize)
        return false;

    const auto length = expectedLength (data[0]);
    if (length < 0)
        return false;

    const auto dataBytesEnd = length == 0 ? size - 1 : size;
    if (length == 0 ? (size < 2 || data[size - 1] != 0xf7) : size != (size_t) length)
        return false;

    return std::all_of (data + 1, data + dataBytesEnd, [] (uint8_t b)
                        { return b < 0x80; });
}

//==============================================================================
/** The port names of one kind in the folder: sockets called NAME + suffix, sorted by bytes. */
std::vector<std::string> listPorts (const juce::File& folder, const char* suffix)
{
    std::vector<std::string> names;
    const auto path = folder.getFullPathName().toStdString();
    auto* dir = ::opendir (path.c_str());
    if (dir == nullptr)
        return names;

    const auto suffixLength = std::strlen (suffix);
    while (auto* entry = ::readdir (dir))
    {
        const std::string file (entry->d_name);
        if (file.size() <= suffixLength || file.compare (file.size() - suffixLength, suffixLength, suffix) != 0)
            continue;

        struct stat info
        {
        };
        if (::stat ((path + "/" + file).c_str(), &info) == 0 && S_ISSOCK (info.st_mode))
            names.push_back (file.substr (0, file.size() - suffixLength));
    }
    ::closedir (dir);

    std::sort (names.begin(), names.end(),
               [] (const std::string& a, const std::string& b)
               { return std::strcmp (a.c_str(), b.c_str()) < 0; });
    return names;
}

juce::StringArray toStringArray (const std::vector<std::string>& names)
{
    juce::StringArray result;
    for (const auto& name : names)
        result.add (juce::String::fromUTF8 (name.c_str(), (int) name.size()));
    return result;
}

/** One connect() to the socket `file` in the folder. A path too long for a socket address
        is reached through the folder's descriptor under /proc, so deep folders work too. */
ScopedFd connectTo (const juce::File& folder, const std::string& file)
{
    ScopedFd socket (::socket (AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (! socket.isValid())
        return {};

    const auto folderPath = folder.getFullPathName().toStdString();
    sockaddr_un address;
    ScopedFd folderFd;
    if (! fillUnixAddress (address, folderPath + "/" + file))
    {
        folderFd.reset (::open (folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (! folderFd.isValid()
            || ! fillUnixAddress (address, "/proc/self/fd/" + std::to_string (folderFd.get()) + "/" + file))
            return {};
    }

    if (::connect (socket.get(), reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0)
        return {};
    return socket;
}

//==============================================================================
/** Reads packets on a thread of its own once started; each complete MIDI message goes to
        the callback. The callback lock is held for every call and the flag tested under it;
        the destructor raises the flag and then takes the lock, so it waits for a call in
        progress and none starts after it. */
class VirtualInput final : public MidiInputPort
{
public:
    VirtualInput (ScopedFd connectedSocket, ScopedFd wakeRead, ScopedFd wakeWrite, juce::MidiInputCallback* cb)
        : socket (std::move (connectedSocket)), wakeReader (std::move (wakeRead)),
          wakeWriter (std::move (wakeWrite)), callback (cb)
    {
    }

    ~VirtualInput() override
    {
        stopping = true;   // before the wait, so that no call can start once the lock is free
        {
            const std::lock_guard<std::mutex> guard (callbackLock);   // a call in progress ends
        }
        const char wake = 1;
        [[maybe_unused]] const auto written = ::write (wakeWriter.get(), &wake, 1);
        if (reader.joinable())
            reader.join();
    }

    void start() override
    {
        if (! reader.joinable())
            reader = std::thread ([this]
                                  { readPackets(); });
    }

private:
    void readPackets()
    {
        std::vector<uint8_t> buffer (maxPacketSize + 1);   // one byte more tells an over-long packet
        for (;;)
        {
            pollfd fds[2] = { { socket.get(), POLLIN, 0 }, { wakeReader.get(), POLLIN, 0 } };
            if (::poll (fds, 2, -1) < 0)
            {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents != 0)
                return;

            const auto received = ::recv (socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (received < 0)
            {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    continue;
                return;
            }
            if (received == 0 && peerHasGone())
                return;   // the input falls silent

            deliver (buffer.data(), (size_t) received);
        }
    }

    /** A read of 0 bytes is either an empty packet or the end of the connection. */
    bool peerHasGone() const
    {
        int queued = 0;
        if (::ioctl (socket.get(), FIONREAD, &queued) == 0 && queued > 0)
            return false;
        pollfd fd { socket.get(), POLLIN | POLLRDHUP, 0 };
        return ::poll (&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
    }

    void deliver (const uint8_t* data, size_t size)
    {
        if (! isOneCompleteMessage (data, size))
            return;

        const juce::MidiMessage message (data, (int) size, juce::Time::getMillisecondCounterHiRes() * 0.001);
        const std::lock_guard<std::mutex> guard (callbackLock);
        if (! stopping)
            callback->handleIncomingMidiMessage (nullptr, message);
    }

    ScopedFd socket, wakeReader, wakeWriter;
    juce::MidiInputCallback* const callback;
    std::mutex callbackLock;   // held for every call of the callback
    std::atomic<bool> stopping { false };
    std::thread reader;
};

class VirtualOutput final : public MidiOutputPort
{
public:
    explicit VirtualOutput (ScopedFd connectedSocket) : socket (std::move (connectedSocket))
    {
        const timeval timeout { sendTimeoutMilliseconds / 1000, (sendTimeoutMilliseconds % 1000) * 1000 };
        ::setsockopt (socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout));
    }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const auto size = (size_t) message.getRawDataSize();
        if (size == 0 || size > maxPacketSize)
            return;
        // Failures (the peer has gone, or stopped reading) are silent, as with an unplugged device.
        [[maybe_unused]] const auto sent = ::send (socket.get(), message.getRawData(), size, MSG_NOSIGNAL);
    }

private:
    ScopedFd socket;
};

//==============================================================================
class VirtualMidiPorts final : public MidiPortSystem
{
public:
    explicit VirtualMidiPorts (const juce::File& dir) : folder (dir) {}

    juce::StringArray getInputNames() override { return toStringArray (listPorts (folder, inputSuffix)); }
    juce::StringArray getOutputNames() override { return toStringArray (listPorts (folder, outputSuffix)); }

    std::unique_ptr<MidiInputPort> openInput (int index, juce::MidiInputCallback* callback) override
    {
        if (callback == nullptr)
            return nullptr;
        auto socket = openPort (index, inputSuffix);
        int wake[2];
        if (! socket.isValid() || ::pipe2 (wake, O_CLOEXEC) != 0)
            return nullptr;
        return std::make_unique<VirtualInput> (std::move (socket), ScopedFd (wake[0]), ScopedFd (wake[1]), callback);
    }

    std::unique_ptr<MidiOutputPort> openOutput (int index) override
    {
        auto socket = openPort (index, outputSuffix);
        return socket.isValid() ? std::make_unique<VirtualOutput> (std::move (socket)) : nullptr;
    }

private:
    static constexpr const char* inputSuffix = ".in";
    static constexpr const char* outputSuffix = ".out";

    ScopedFd openPort (int index, const char* suffix) const
    {
        const auto names = listPorts (folder, suffix);
        if (! juce::isPositiveAndBelow (index, (int) names.size()))
            return {};
        return connectTo (folder, names[(size_t) index] + suffix);
    }

    const juce::File folder;
};
}   // namespace

std::unique_ptr<MidiPortSystem> createVirtualMidiPorts (const juce::File& folder)
{
    return std::make_unique<VirtualMidiPorts> (folder);
}

#else

namespace
{
/** Systems without SOCK_SEQPACKET UNIX sockets offer virtual ports through their own MIDI service. */
class NoPorts final : public MidiPortSystem
{
public:
    juce::StringArray getInputNames() override { return {}; }
    juce::StringArray getOutputNames() override { return {}; }
    std::unique_ptr<MidiInputPort> openInput (int, juce::MidiInputCallback*) override { return nullptr; }
    std::unique_ptr<MidiOutputPort> openOutput (int) override { return nullptr; }
};
}   // namespace

std::unique_ptr<MidiPortSystem> createVirtualMidiPorts (const juce::File&)
{
    return std::make_unique<NoPorts>();
}
#endif
}   // namespace orvane
