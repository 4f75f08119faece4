#include "organ-emulator/OrganEmulator.h"

#include "midi/UnixSocketAddress.h"

#include "resources/OrganTables.h"

#include <juce_events/juce_events.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace orvane::emulator
{
namespace
{
constexpr size_t maxPacketSize = 65536;
constexpr uint32_t maxTonewheelPayload = 1048576 - 64;
constexpr int sendTimeoutMs = 1000;

// The organ's error codes in a File Dump CANCEL.
constexpr uint8_t headerSizeWrong = 0, tonewheelNumberWrong = 1, tonewheelSizeWrong = 2;

/** A socket or pipe end, closed when the last holder lets go. */
struct Fd
{
    explicit Fd (int descriptor) : fd (descriptor) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close (fd);
    }
    Fd (const Fd&) = delete;
    Fd& operator= (const Fd&) = delete;
    const int fd;
};
using FdPtr = std::shared_ptr<Fd>;

bool isSysEx (const Bytes& b) { return ! b.empty() && b.front() == 0xf0; }

bool startsWith (const Bytes& b, std::initializer_list<uint8_t> prefix)
{
    return b.size() >= prefix.size() && std::equal (prefix.begin(), prefix.end(), b.begin());
}

/** Whether the bytes are exactly one complete MIDI message; the reason when not. */
juce::String checkOneMessage (const Bytes& b)
{
    if (b.empty())
        return "empty packet";
    if (b[0] < 0x80)
        return "packet without a status byte first";
    if (b[0] == 0xf0)
    {
        if (b.size() < 2 || b.back() != 0xf7)
            return "System Exclusive message without its final F7";
        if (std::any_of (b.begin() + 1, b.end() - 1, [] (uint8_t x)
                         { return x >= 0x80; }))
            return "byte of 80 or above inside a System Exclusive message";
        return {};
    }
    if (b[0] == 0xf7)
        return "end of System Exclusive without its start";
    const auto length = b[0] < 0xf0 ? ((b[0] & 0xe0) == 0xc0 ? 2u : 3u)
                                    : (b[0] == 0xf2 ? 3u : (b[0] == 0xf1 || b[0] == 0xf3) ? 2u
                                                                                          : 1u);
    if (b.size() != length || std::any_of (b.begin() + 1, b.end(), [] (uint8_t x)
                                           { return x >= 0x80; }))
        return "channel or system message of the wrong form";
    return {};
}

uint32_t floatBits (float value)
{
    uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));
    return bits;
}

float floatFromBits (uint32_t bits)
{
    float value;
    std::memcpy (&value, &bits, sizeof (value));
    return value;
}

Bytes floatParameterMessage (int index, float value)
{
    const auto b = floatBits (value);
    return { 0xf0, 0x7d, 0x1e, 0x01, (uint8_t) (index & 0x7f), (uint8_t) ((index >> 7) & 0x7f),
             (uint8_t) (b & 0x7f), (uint8_t) ((b >> 7) & 0x7f), (uint8_t) ((b >> 14) & 0x7f),
             (uint8_t) ((b >> 21) & 0x7f), (uint8_t) (b >> 28), 0xf7 };
}

Bytes byteParameterMessage (int index, float value)
{
    // The organ keeps selector items 0..127; a value that is no number sends item 0.
    const auto d = std::isnan (value) ? 0 : (int) juce::jlimit (0.0f, 127.0f, value);
    return { 0xf0, 0x7d, 0x1e, 0x02, (uint8_t) (index - firstByteParameter), (uint8_t) d, 0xf7 };
}

Bytes parameterMessage (int index, float value)
{
    return index < firstByteParameter ? floatParameterMessage (index, value) : byteParameterMessage (index, value);
}

Bytes slotNameMessage (int slot, const juce::String& name)
{
    Bytes m { 0xf0, 0x7d, 0x1e, 0x09, (uint8_t) slot };
    for (auto c : name)
        m.push_back (c > 0 && c < 0x80 ? (uint8_t) c : (uint8_t) '?');
    m.push_back (0x00);
    m.push_back (0xf7);
    return m;
}

const Bytes operationComplete { 0xf0, 0x7d, 0x1e, 0x05, 0xf7 };

/** The 7-in-8 decoding of a File Dump data packet's bytes; false when it is not canonical
        (a group without data, or high bits set for bytes that the group lacks). */
bool decodeSevenInEight (const uint8_t* data, size_t size, Bytes& out)
{
    for (size_t group = 0; group < size; group += 8)
    {
        const auto count = std::min<size_t> (7, size - group - 1);
        if (count == 0)
            return false;
        const auto high = data[group];
        if ((high & ((1u << (7 - count)) - 1)) != 0)
            return false;
        for (size_t i = 0; i < count; ++i)
            out.push_back ((uint8_t) (data[group + 1 + i] | (((high >> (6 - i)) & 1) << 7)));
    }
    return true;
}

}   // namespace

juce::String toHex (const Bytes& bytes)
{
    return juce::String::toHexString (bytes.data(), (int) bytes.size()).toUpperCase();
}

juce::String describe (const Bytes& b)
{
    if (startsWith (b, { 0xf0, 0x7d, 0x1e }) && b.size() > 4)
    {
        switch (b[3])
        {
            case 0x01: return "set parameter (float form)";
            case 0x02: return "set parameter (byte form)";
            case 0x03: return "store";
            case 0x04: return "dump request";
            case 0x05: return "operation complete";
            case 0x06: return "identity request";
            case 0x07: return "identity reply";
            case 0x08: return "reset";
            case 0x09: return "tonewheel slot name";
            case 0x0a: return b.size() > 4 && b[4] == 1 ? "bulk send begin" : "bulk send end";
            default: return "unknown organ command";
        }
    }
    if (startsWith (b, { 0xf0, 0x7e }) && b.size() > 4)
    {
        if (b[3] == 0x07)
            return b[4] == 0x01 ? "File Dump header" : b[4] == 0x02 ? "File Dump data packet"
                                                                    : "File Dump message";
        switch (b[3])
        {
            case 0x7f: return "ACK";
            case 0x7e: return "NAK";
            case 0x7d: return "CANCEL";
            case 0x7c: return "WAIT";
            case 0x7b: return "EOF";
            default: return "universal message";
        }
    }
    return checkOneMessage (b).isEmpty() ? "MIDI message" : "malformed packet";
}

//==============================================================================
struct OrganEmulator::Impl
{
    struct PortPair
    {
        PortOptions options;
        FdPtr listenIn, listenOut;
        std::vector<FdPtr> inputs, outputs;   // the editor's inputs (we write) and outputs (we read)
    };

    struct Scheduled
    {
        int pair = -1;   // where the packets go
        std::vector<Bytes> packets;
        std::function<void()> action;   // run instead, without the lock
    };

    explicit Impl (Options o) : options (std::move (o)), faults (options.faults), identity (options.identity)
    {
        pairs.push_back ({ { options.portName, true, true, true }, {}, {}, {}, {} });
        for (const auto& decoy : options.decoys)
            pairs.push_back ({ decoy, {}, {}, {}, {} });

        const auto* row = defaultRowFor (identity.revision);
        std::copy (row, row + numParameters, parameters.begin());
        for (const auto& [index, value] : options.parameters)
            if (juce::isPositiveAndBelow (index, numParameters))
                parameters[(size_t) index] = value;
        for (int s = 0; s < numSlots; ++s)
            slotNames[(size_t) s] = factorySlotNames[s];

        options.folder.createDirectory();
        int wake[2];
        if (::pipe2 (wake, O_CLOEXEC | O_NONBLOCK) == 0)
        {
            wakeRead = std::make_shared<Fd> (wake[0]);
            wakeWrite = std::make_shared<Fd> (wake[1]);
        }
        {
            const std::lock_guard<std::mutex> guard (lock);
            plugInLocked();
        }
        ioThread = std::thread ([this]
                                { serveConnections(); });
        senderThread = std::thread ([this]
                                    { sendScheduled(); });
    }

    ~Impl()
    {
        {
            const std::lock_guard<std::mutex> guard (lock);
            stopping = true;
            unplugLocked();
        }
        scheduleChanged.notify_all();
        wakeIoThread();
        ioThread.join();
        senderThread.join();
    }

    //==============================================================================
    // Sockets

    std::string socketPath (const PortPair& pair, bool input) const
    {
        return options.folder.getChildFile (pair.options.name + (input ? ".in" : ".out")).getFullPathName().toStdString();
    }

    FdPtr listenOn (const std::string& path)
    {
        sockaddr_un address;
        if (! fillUnixAddress (address, path))
        {
            anomalies.add ("socket path too long: " + juce::String (path));
            return nullptr;
        }
        // Non-blocking: a connection that a packet's record took first leaves the I/O thread's
        // accept with nothing to wait for.
        auto socket = std::make_shared<Fd> (::socket (AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        ::unlink (path.c_str());   // a stale socket file of an earlier run
        if (socket->fd < 0
            || ::bind (socket->fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0
            || ::listen (socket->fd, 16) != 0)
        {
            anomalies.add ("cannot listen on " + juce::String (path) + ": " + juce::String (std::strerror (errno)));
            return nullptr;
        }
        return socket;
    }

    void plugInLocked()
    {
        if (plugged || stopping)
            return;
        plugged = true;
        listening = true;
        for (auto& pair : pairs)
        {
            if (pair.options.offerInput)
                listening &= (pair.listenIn = listenOn (socketPath (pair, true))) != nullptr;
            if (pair.options.offerOutput)
                listening &= (pair.listenOut = listenOn (socketPath (pair, false))) != nullptr;
        }
        wakeIoThread();
    }

    void unplugLocked()
    {
        if (! plugged)
            return;
        plugged = false;
        for (auto& pair : pairs)
        {
            for (auto* listener : { &pair.listenIn, &pair.listenOut })
                if (*listener != nullptr)
                    ::unlink (socketPath (pair, listener == &pair.listenIn).c_str());
            pair.listenIn.reset();
            pair.listenOut.reset();
            for (auto* connections : { &pair.inputs, &pair.outputs })
            {
                for (auto& c : *connections)
                    ::shutdown (c->fd, SHUT_RDWR);   // hangs up at once, also while a thread still holds it
                connections->clear();
            }
        }
        wakeIoThread();
    }

    void wakeIoThread()
    {
        if (wakeWrite != nullptr)
        {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write (wakeWrite->fd, &byte, 1);
        }
    }

    enum class Role
    {
        wake,
        listenIn,
        listenOut,
        input,
        output
    };
    struct Watched
    {
        FdPtr fd;
        Role role;
        int pair;
    };

    std::vector<Watched> watchList()
    {
        const std::lock_guard<std::mutex> guard (lock);
        std::vector<Watched> list { { wakeRead, Role::wake, -1 } };
        for (int p = 0; p < (int) pairs.size(); ++p)
        {
            const auto& pair = pairs[(size_t) p];
            if (pair.listenIn != nullptr)
                list.push_back ({ pair.listenIn, Role::listenIn, p });
            if (pair.listenOut != nullptr)
                list.push_back ({ pair.listenOut, Role::listenOut, p });
            for (const auto& c : pair.inputs)
                list.push_back ({ c, Role::input, p });
            for (const auto& c : pair.outputs)
                list.push_back ({ c, Role::output, p });
        }
        return list;
    }

    /** The I/O thread: accepts connections, reads the editor's packets, notices hang-ups. */
    void serveConnections()
    {
        std::vector<uint8_t> buffer (maxPacketSize + 1);
        for (;;)
        {
            const auto watched = watchList();
            std::vector<pollfd> fds;
            for (const auto& w : watched)
                fds.push_back ({ w.fd->fd, POLLIN, 0 });

            if (::poll (fds.data(), (nfds_t) fds.size(), -1) < 0 && errno != EINTR)
                return;

            for (size_t i = 0; i < fds.size(); ++i)
            {
                if (fds[i].revents == 0)
                    continue;
                const auto& w = watched[i];
                switch (w.role)
                {
                    case Role::wake:
                    {
                        char drain[64];
                        while (::read (w.fd->fd, drain, sizeof (drain)) > 0)
                        {
                        }
                        const std::lock_guard<std::mutex> guard (lock);
                        if (stopping)
                            return;
                        break;
                    }
                    case Role::listenIn:
                    case Role::listenOut:
                        accept (w);
                        break;
                    case Role::input:
                    case Role::output:
                        readFrom (w, buffer);
                        break;
                }
            }
        }
    }

    void accept (const Watched& w)
    {
        const std::lock_guard<std::mutex> guard (lock);
        auto& pair = pairs[(size_t) w.pair];
        const bool isInput = w.role == Role::listenIn;
        if ((isInput ? pair.listenIn : pair.listenOut) == w.fd)   // not unplugged meanwhile
            acceptWaitingLocked (pair, isInput);
    }

    /** Takes every connection waiting on the pair's listening socket of that side. */
    void acceptWaitingLocked (PortPair& pair, bool input)
    {
        const auto& listener = input ? pair.listenIn : pair.listenOut;
        if (listener == nullptr)
            return;
        for (int fd; (fd = ::accept4 (listener->fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
        {
            const timeval timeout { sendTimeoutMs / 1000, (sendTimeoutMs % 1000) * 1000 };
            ::setsockopt (fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout));
            (input ? pair.inputs : pair.outputs).push_back (std::make_shared<Fd> (fd));
            changed();
        }
    }

    /** The pairs whose input the editor holds open now. A round of the I/O thread serves the
        sockets one after another, so a connect or a hang-up that came before the packet being
        read may still wait further down the round: it is taken here first. */
    juce::StringArray openInputs()
    {
        const std::lock_guard<std::mutex> guard (lock);
        juce::StringArray names;
        for (auto& pair : pairs)
        {
            acceptWaitingLocked (pair, true);
            pair.inputs.erase (std::remove_if (pair.inputs.begin(), pair.inputs.end(), [] (const FdPtr& c)
                                               { return hasHungUp (c->fd); }),
                               pair.inputs.end());
            if (! pair.inputs.empty())
                names.add (pair.options.name);
        }
        return names;
    }

    void readFrom (const Watched& w, std::vector<uint8_t>& buffer)
    {
        const auto received = ::recv (w.fd->fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;

        if (received > 0 || (received == 0 && ! hasHungUp (w.fd->fd)))
        {
            Bytes packet (buffer.begin(), buffer.begin() + received);
            if (w.role == Role::output)
                handlePacket (w.pair, std::move (packet));
            else
                noteAnomaly ("the editor wrote on its input " + pairs[(size_t) w.pair].options.name);
            return;
        }

        const std::lock_guard<std::mutex> guard (lock);
        auto& list = w.role == Role::input ? pairs[(size_t) w.pair].inputs : pairs[(size_t) w.pair].outputs;
        list.erase (std::remove (list.begin(), list.end(), w.fd), list.end());
        changed();
    }

    static bool hasHungUp (int fd)
    {
        int queued = 0;
        if (::ioctl (fd, FIONREAD, &queued) == 0 && queued > 0)
            return false;
        pollfd p { fd, POLLIN | POLLRDHUP, 0 };
        return ::poll (&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
    }

    //==============================================================================
    // Records

    void changed()
    {
        ++changeCount;
        recordsChanged.notify_all();
    }

    void noteAnomaly (const juce::String& text)
    {
        const std::lock_guard<std::mutex> guard (lock);
        anomalies.add (text);
        changed();
    }

    //==============================================================================
    // The organ

    void handlePacket (int pairIndex, Bytes packet)
    {
        Message message { juce::Time::getMillisecondCounterHiRes(), pairs[(size_t) pairIndex].options.name, std::move (packet), openInputs() };
        if (options.monitor)
            options.monitor (message, false);

        const std::lock_guard<std::mutex> guard (lock);
        received.push_back (message);
        changed();

        const auto& bytes = message.bytes;
        const auto problem = checkOneMessage (bytes);
        if (problem.isNotEmpty())
            anomalies.add (problem + " on " + message.port + ": " + toHex (bytes));
        else if (pairs[(size_t) pairIndex].options.answers && isSysEx (bytes))
        {
            if (startsWith (bytes, { 0xf0, 0x7d, 0x1e }))
                handleOrganCommand (pairIndex, message);
            else if (startsWith (bytes, { 0xf0, 0x7e }))
                handleFileDump (pairIndex, message);
        }
    }

    void expectLength (const Message& m, size_t length)
    {
        if (m.bytes.size() != length)
            anomalies.add ("wrong length for " + describe (m.bytes) + ": " + toHex (m.bytes));
    }

    void handleOrganCommand (int pairIndex, const Message& m)
    {
        const auto& b = m.bytes;
        if (b.size() < 5)
        {
            anomalies.add ("organ message without a command: " + toHex (b));
            return;
        }
        switch (b[3])
        {
            case 0x01:
                expectLength (m, 12);
                if (b.size() == 12)
                {
                    const int index = b[4] | (b[5] << 7);
                    const uint32_t bits = (uint32_t) b[6] | ((uint32_t) b[7] << 7) | ((uint32_t) b[8] << 14)
                        | ((uint32_t) b[9] << 21) | ((uint32_t) b[10] << 28);
                    if (index < numParameters)
                        parameters[(size_t) index] = floatFromBits (bits);
                    else
                        anomalies.add ("parameter index out of range: " + toHex (b));
                }
                break;
            case 0x02:
                expectLength (m, 7);
                if (b.size() == 7 && firstByteParameter + b[4] < numParameters)
                    parameters[(size_t) (firstByteParameter + b[4])] = (float) b[5];
                else if (b.size() == 7)
                    anomalies.add ("parameter index out of range: " + toHex (b));
                break;
            case 0x03:
                expectLength (m, 6);
                answer (pairIndex, Answer::store, m.timeMs, { operationComplete });
                break;
            case 0x04:
                expectLength (m, 6);
                answerDumpRequest (pairIndex, m);
                break;
            case 0x06:
                expectLength (m, 6);
                answerIdentityRequest (pairIndex, m);
                break;
            case 0x08:
            {
                expectLength (m, 6);
                const auto* row = defaultRowFor (identity.revision);
                std::copy (row, row + numParameters, parameters.begin());
                auto packets = allParameters();
                packets.push_back (operationComplete);
                answer (pairIndex, Answer::reset, m.timeMs, std::move (packets));
                break;
            }
            case 0x0a:
                expectLength (m, 6);
                break;
            default:
                anomalies.add ("command the organ does not take: " + toHex (b));
                break;
        }
    }

    std::vector<Bytes> allParameters() const
    {
        std::vector<Bytes> packets;
        for (int i = 0; i < numParameters; ++i)
            packets.push_back (parameterMessage (i, parameters[(size_t) i]));
        return packets;
    }

    void answerIdentityRequest (int pairIndex, const Message& m)
    {
        const bool isPing = downloadDone;
        const int limit = isPing ? faults.pingAnswers : faults.identityAnswers;
        auto& answered = isPing ? pingsAnswered : identitiesAnswered;
        if (limit >= 0 && answered >= limit)
            return;
        ++answered;
        const auto& id = identity;
        answer (pairIndex, isPing ? Answer::ping : Answer::identity, m.timeMs,
                { { 0xf0, 0x7d, 0x1e, 0x07, id.protocol, id.model, id.revision, id.release, id.build1, id.build2, 0xf7 } });
    }

    /** Step 1 sends parameters 0..84 in float form, step 2 parameters 85..98 in byte form,
        step 3 the six slot names; each ends with operation complete. */
    void answerDumpRequest (int pairIndex, const Message& m)
    {
        std::vector<Bytes> packets;
        Answer kind;
        switch (m.bytes[4])
        {
            case 0x7d:
                kind = Answer::dumpStep1;
                downloadDone = false;
                for (int i = 0; i < firstByteParameter; ++i)
                    packets.push_back (floatParameterMessage (i, parameters[(size_t) i]));
                break;
            case 0x7e:
                kind = Answer::dumpStep2;
                for (int i = firstByteParameter; i < numParameters; ++i)
                    packets.push_back (byteParameterMessage (i, parameters[(size_t) i]));
                break;
            case 0x7c:
                kind = Answer::dumpStep3;
                downloadDone = true;
                for (int s = 0; s < numSlots; ++s)
                    packets.push_back (slotNameMessage (s, slotNames[(size_t) s]));
                break;
            default:
                anomalies.add ("unknown dump request: " + toHex (m.bytes));
                return;
        }
        packets.push_back (operationComplete);
        answer (pairIndex, kind, m.timeMs, std::move (packets));
    }

    //==============================================================================
    // File Dump reception

    Bytes handshake (uint8_t kind, uint8_t number) const
    {
        return { 0xf0, 0x7e, options.deviceId, kind, (uint8_t) (number & 0x7f), 0xf7 };
    }

    void organCancels (int pairIndex, Answer kind, double time, uint8_t code)
    {
        transfer.cancelledByOrgan = true;
        transferActive = false;
        answer (pairIndex, kind, time, { handshake (0x7d, code) });
    }

    void handleFileDump (int pairIndex, const Message& m)
    {
        const auto& b = m.bytes;
        if (b.size() < 6)
        {
            anomalies.add ("short universal message: " + toHex (b));
            return;
        }
        if (b[3] == 0x07 && b[4] == 0x01)
            receiveHeader (pairIndex, m);
        else if (b[3] == 0x07 && b[4] == 0x02)
            receivePacket (pairIndex, m);
        else if (b[3] == 0x7b)
            receiveEndOfFile (pairIndex, m);
        else if (b[3] == 0x7d)
        {
            expectLength (m, 6);
            transfer.cancelledByEditor = true;
            transferActive = false;
        }
        else
            anomalies.add ("universal message the organ does not take: " + toHex (b));
    }

    void receiveHeader (int pairIndex, const Message& m)
    {
        const auto& b = m.bytes;
        transfer = {};
        transfer.headerReceived = true;
        transferActive = false;
        nakCountForPacket = 0;
        if (b.size() != 47)
        {
            anomalies.add ("File Dump header of the wrong size: " + toHex (b));
            organCancels (pairIndex, Answer::fileDumpHeader, m.timeMs, headerSizeWrong);
            return;
        }
        std::copy (b.begin() + 6, b.begin() + 10, transfer.type.begin());
        transfer.declaredLength = (uint32_t) b[10] | ((uint32_t) b[11] << 7) | ((uint32_t) b[12] << 14) | ((uint32_t) b[13] << 21);
        std::copy (b.begin() + 14, b.begin() + 46, transfer.name.begin());

        const auto& t = transfer.type;
        if (t[0] != 'A' || t[1] != 'C' || t[2] < '1' || t[2] > '3' || t[3] != 0)
            organCancels (pairIndex, Answer::fileDumpHeader, m.timeMs, tonewheelNumberWrong);
        else if (transfer.declaredLength > maxTonewheelPayload)
            organCancels (pairIndex, Answer::fileDumpHeader, m.timeMs, tonewheelSizeWrong);
        else if (faults.cancel.when == CancelFault::When::onHeader)
            organCancels (pairIndex, Answer::fileDumpHeader, m.timeMs, faults.cancel.errorCode);
        else if (faults.headerNakCode >= 0)
        {
            ++transfer.naksSent;
            answer (pairIndex, Answer::fileDumpHeader, m.timeMs, { handshake (0x7e, (uint8_t) faults.headerNakCode) });
        }
        else
        {
            transferActive = true;
            answer (pairIndex, Answer::fileDumpHeader, m.timeMs, { handshake (0x7f, 0) });
        }
    }

    /** Checks a data packet's frame, count, checksum and encoding; the reason when it fails. */
    static juce::String checkPacket (const Bytes& b, Bytes& decoded)
    {
        if (b.size() < 11)
            return "data packet too short";
        const size_t encoded = (size_t) b[6] + 1;
        if (b.size() != 9 + encoded)
            return "data packet whose count does not match its length";
        uint8_t sum = 0;
        for (size_t i = 1; i < 7 + encoded; ++i)
            sum ^= b[i];
        if (sum != b[7 + encoded])
            return "data packet with a wrong checksum";
        if (! decodeSevenInEight (b.data() + 7, encoded, decoded))
            return "data packet with a broken 7-in-8 encoding";
        return {};
    }

    void receivePacket (int pairIndex, const Message& m)
    {
        const auto& b = m.bytes;
        const auto number = b[5];
        if (! transferActive)
        {
            anomalies.add ("data packet outside a transfer: " + toHex (b));
            return;
        }

        Bytes decoded;
        auto problem = checkPacket (b, decoded);
        const auto expected = (uint8_t) (transfer.packetsAccepted & 0x7f);
        if (problem.isEmpty() && number != expected)
            problem = "data packet " + juce::String (number) + " where " + juce::String (expected) + " was due";
        if (problem.isNotEmpty())
        {
            anomalies.add (problem + ": " + toHex (b));
            ++transfer.naksSent;
            answer (pairIndex, Answer::fileDumpPacket, m.timeMs, { handshake (0x7e, number) });
            return;
        }

        const auto packetIndex = transfer.packetsAccepted;
        const auto& nak = faults.nak;
        if ((nak.packet < 0 || nak.packet == packetIndex) && nakCountForPacket < nak.times)
        {
            ++nakCountForPacket;
            ++transfer.naksSent;
            answer (pairIndex, Answer::fileDumpPacket, m.timeMs,
                    { handshake (0x7e, nak.code >= 0 ? (uint8_t) nak.code : number) });
            return;
        }
        if (faults.cancel.when == CancelFault::When::afterPacket && faults.cancel.packet == packetIndex)
        {
            organCancels (pairIndex, Answer::fileDumpPacket, m.timeMs, faults.cancel.errorCode);
            return;
        }
        if (transfer.payload.size() + decoded.size() > transfer.declaredLength)
        {
            anomalies.add ("more data than the header announced: " + toHex (b));
            organCancels (pairIndex, Answer::fileDumpPacket, m.timeMs, tonewheelSizeWrong);
            return;
        }

        transfer.payload.insert (transfer.payload.end(), decoded.begin(), decoded.end());
        ++transfer.packetsAccepted;
        nakCountForPacket = 0;

        if (faults.unplug.afterPacket == packetIndex)
        {
            unplugLocked();
            if (faults.unplug.replugAfterMs != never)
                schedule (m.timeMs + faults.unplug.replugAfterMs, { -1, {}, [this]
                                                                    { plugIn(); } });
            return;
        }
        answer (pairIndex, Answer::fileDumpPacket, m.timeMs, { handshake (0x7f, number) });
    }

    void receiveEndOfFile (int pairIndex, const Message& m)
    {
        expectLength (m, 6);
        if (! transferActive)
        {
            anomalies.add ("EOF outside a transfer: " + toHex (m.bytes));
            return;
        }
        transfer.endOfFileReceived = true;
        transferActive = false;
        transfer.complete = transfer.payload.size() == transfer.declaredLength;

        if (! transfer.complete)
            organCancels (pairIndex, Answer::fileDumpPacket, m.timeMs, tonewheelSizeWrong);
        else if (faults.cancel.when == CancelFault::When::afterEndOfFile)
            organCancels (pairIndex, Answer::fileDumpPacket, m.timeMs, faults.cancel.errorCode);
        else
        {
            const auto slot = (size_t) (transfer.type[2] - 0x2e);   // AC1..AC3 are slots 3..5
            const auto* name = reinterpret_cast<const char*> (transfer.name.data());
            slotNames[slot] = juce::String (name, (size_t) (std::find (transfer.name.begin(), transfer.name.end(), 0) - transfer.name.begin()));
        }
    }

    //==============================================================================
    // Answers

    /** Schedules the packets for the asking port pair (or the fault's port), after the delay
        set for their kind. */
    void answer (int pairIndex, Answer kind, double receivedAt, std::vector<Bytes> packets)
    {
        const auto delay = faults.delayMs[(size_t) kind];
        if (delay == never)
            return;
        if (faults.answerOnPort.isNotEmpty())
        {
            const auto it = std::find_if (pairs.begin(), pairs.end(),
                                          [this] (const PortPair& p)
                                          { return p.options.name == faults.answerOnPort; });
            pairIndex = it != pairs.end() ? (int) (it - pairs.begin()) : -1;
        }
        if (pairIndex >= 0)
            schedule (receivedAt + delay, { pairIndex, std::move (packets), {} });
    }

    void schedule (double due, Scheduled item)
    {
        queue.emplace (std::make_pair (due, nextSequence++), std::move (item));
        scheduleChanged.notify_all();
    }

    /** The sender thread: sends each scheduled answer when it is due, in order. */
    void sendScheduled()
    {
        std::unique_lock<std::mutex> guard (lock);
        while (! stopping)
        {
            if (queue.empty())
            {
                scheduleChanged.wait (guard);
                continue;
            }
            const auto wait = queue.begin()->first.first - juce::Time::getMillisecondCounterHiRes();
            if (wait > 0)
            {
                scheduleChanged.wait_for (guard, std::chrono::microseconds ((int64_t) (wait * 1000.0)));
                continue;
            }
            auto item = std::move (queue.begin()->second);
            queue.erase (queue.begin());

            if (item.action)
            {
                guard.unlock();
                item.action();
                guard.lock();
                continue;
            }
            const auto connections = pairs[(size_t) item.pair].inputs;
            const auto port = pairs[(size_t) item.pair].options.name;
            guard.unlock();
            for (auto& packet : item.packets)
                transmit (connections, port, std::move (packet));
            guard.lock();
        }
    }

    void transmit (const std::vector<FdPtr>& connections, const juce::String& port, Bytes packet)
    {
        // Stamped before it goes out, so that no reader can have it before its time.
        const double sentAt = juce::Time::getMillisecondCounterHiRes();
        for (const auto& c : connections)
            ::send (c->fd, packet.data(), packet.size(), MSG_NOSIGNAL);

        Message message { sentAt, port, std::move (packet), {} };
        if (options.monitor)
            options.monitor (message, true);
        const std::lock_guard<std::mutex> guard (lock);
        sent.push_back (std::move (message));
        changed();
    }

    void sendNow (const Bytes& packet, const juce::String& portName)
    {
        std::vector<FdPtr> connections;
        juce::String port = portName.isEmpty() ? options.portName : portName;
        {
            const std::lock_guard<std::mutex> guard (lock);
            for (const auto& pair : pairs)
                if (pair.options.name == port)
                    connections = pair.inputs;
        }
        transmit (connections, port, packet);
    }

    void plugIn()
    {
        const std::lock_guard<std::mutex> guard (lock);
        plugInLocked();
        changed();
    }

    //==============================================================================
    const Options options;

    mutable std::mutex lock;   // guards everything below
    std::condition_variable scheduleChanged;
    mutable std::condition_variable recordsChanged;
    uint64_t changeCount = 0;

    Faults faults;
    Identity identity;
    std::array<float, numParameters> parameters {};
    std::array<juce::String, numSlots> slotNames;
    FileDumpTransfer transfer;
    bool transferActive = false;
    int nakCountForPacket = 0;
    bool downloadDone = false;
    int pingsAnswered = 0;
    int identitiesAnswered = 0;

    std::vector<PortPair> pairs;
    bool plugged = false, listening = false, stopping = false;
    std::map<std::pair<double, uint64_t>, Scheduled> queue;
    uint64_t nextSequence = 0;

    std::vector<Message> received, sent;
    juce::StringArray anomalies;

    FdPtr wakeRead, wakeWrite;
    std::thread ioThread, senderThread;
};

//==============================================================================
OrganEmulator::OrganEmulator (Options options) : impl (std::make_unique<Impl> (std::move (options))) {}
OrganEmulator::~OrganEmulator() = default;

bool OrganEmulator::isListening() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->listening;
}

void OrganEmulator::setFaults (const Faults& faults)
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->faults = faults;
}

Faults OrganEmulator::getFaults() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->faults;
}

void OrganEmulator::setIdentity (const Identity& identity)
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->identity = identity;
}

float OrganEmulator::getParameter (int index) const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->parameters.at ((size_t) index);
}

void OrganEmulator::setParameter (int index, float value)
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->parameters.at ((size_t) index) = value;
}

juce::String OrganEmulator::getSlotName (int slot) const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->slotNames.at ((size_t) slot);
}

void OrganEmulator::setSlotName (int slot, const juce::String& name)
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->slotNames.at ((size_t) slot) = name;
}

FileDumpTransfer OrganEmulator::getFileDump() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->transfer;
}

void OrganEmulator::sendRaw (const Bytes& packet, const juce::String& port) { impl->sendNow (packet, port); }

void OrganEmulator::sendParameter (int index, float value)
{
    setParameter (index, value);
    impl->sendNow (parameterMessage (index, value), {});
}

void OrganEmulator::unplug()
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->unplugLocked();
    impl->changed();
}

void OrganEmulator::plugIn() { impl->plugIn(); }

int OrganEmulator::getConnectionCount (const juce::String& port, bool inputs) const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    for (const auto& pair : impl->pairs)
        if (pair.options.name == port)
            return (int) (inputs ? pair.inputs : pair.outputs).size();
    return 0;
}

std::vector<Message> OrganEmulator::getReceived() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->received;
}

std::vector<Message> OrganEmulator::getSent() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->sent;
}

juce::StringArray OrganEmulator::getAnomalies() const
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    return impl->anomalies;
}

void OrganEmulator::clearRecords()
{
    const std::lock_guard<std::mutex> guard (impl->lock);
    impl->received.clear();
    impl->sent.clear();
    impl->anomalies.clear();
}

bool OrganEmulator::waitUntil (const std::function<bool()>& condition, int timeoutMs) const
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
    const bool onMessageThread = messageManager != nullptr && messageManager->isThisTheMessageThread();

    for (;;)
    {
        std::unique_lock<std::mutex> guard (impl->lock);
        const auto seen = impl->changeCount;
        guard.unlock();

        if (condition())
            return true;
        const auto left = deadline - juce::Time::getMillisecondCounterHiRes();
        if (left <= 0)
            return condition();

        if (onMessageThread)
            messageManager->runDispatchLoopUntil (juce::jmin (5, (int) left + 1));
        else
        {
            guard.lock();
            // Woken by the emulator's own changes; other conditions are looked at every 5 ms.
            impl->recordsChanged.wait_for (guard, std::chrono::milliseconds (juce::jmin<int64_t> (5, (int64_t) left + 1)),
                                           [&]
                                           { return impl->changeCount != seen; });
        }
    }
}

bool OrganEmulator::waitForMessages (const std::function<bool (const std::vector<Message>&)>& predicate, int timeoutMs) const
{
    return waitUntil ([&]
                      { return predicate (getReceived()); },
                      timeoutMs);
}
}   // namespace orvane::emulator
