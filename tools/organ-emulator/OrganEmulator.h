#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

/** Test equipment: an Orvane organ that serves the editor's virtual MIDI ports. It listens on
    NAME.in and NAME.out in a folder, accepts the editor's connections, reads its messages packet
    by packet from the .out connections and answers on every connected .in connection, all on
    threads of its own, like a device on a cable. It keeps the organ's parameter set, slot names
    and the last File Dump transfer, records every message in both directions with a timestamp,
    and misbehaves on demand (late or missing answers, refusals, unplugging, raw packets).

    Include it as "organ-emulator/OrganEmulator.h" (target organ_emulator). */
namespace orvane::emulator
{
using Bytes = std::vector<uint8_t>;

constexpr int numParameters = 99;
constexpr int firstByteParameter = 85;
constexpr int numSlots = 6;
constexpr int never = -1;   // as a delay: the answer is never sent

/** What the organ answers to an identity request: F0 7D 1E 07 p m r a b1 b2 F7. */
struct Identity
{
    uint8_t protocol = 5, model = 3, revision = 0, release = 1, build1 = 2, build2 = 0;
};

/** The kinds of answer whose delay can be set. An identity request counts as a ping once the
    organ has answered a third dump request, until the next first dump request. */
enum class Answer
{
    identity,
    ping,
    dumpStep1,
    dumpStep2,
    dumpStep3,
    store,
    reset,
    fileDumpHeader,
    fileDumpPacket
};
constexpr int numAnswerKinds = 9;

/** When the organ cancels a File Dump transfer with an error code instead of its handshake. */
struct CancelFault
{
    enum class When
    {
        never,
        onHeader,
        afterPacket,
        afterEndOfFile
    };
    When when = When::never;
    int packet = 0;   // afterPacket: the transfer's packet (0 = first) that is answered with CANCEL
    uint8_t errorCode = 0;
};

/** Refusals of well-formed data packets: the packet is answered with NAK `times` times before
    it is taken. The NAK carries `code` in its packet-number position when set, else the packet
    number. */
struct NakFault
{
    int packet = -1;   // the transfer's packet (0 = first), or -1 for every packet
    int times = 0;
    int code = -1;
};

/** Vanishing mid-transfer: after the given data packet arrives the organ unplugs (no answer,
    connections closed, socket files removed) and plugs in again `replugAfterMs` later. */
struct UnplugFault
{
    int afterPacket = -1;   // -1: never
    int replugAfterMs = never;
};

struct Faults
{
    std::array<int, numAnswerKinds> delayMs {};   // per Answer; `never` drops the answer
    int pingAnswers = -1;                         // pings answered before the organ falls silent; -1 all
    int identityAnswers = -1;                     // identity requests (not pings) answered likewise
    NakFault nak;
    int headerNakCode = -1;   // the File Dump header is refused with a NAK carrying it; -1 never
    CancelFault cancel;
    UnplugFault unplug;
    juce::String answerOnPort;   // answers go there instead of to the asking port

    void setDelay (Answer kind, int ms) { delayMs[(size_t) kind] = ms; }
};

/** A port pair that the emulator offers. Decoys have other names; a silent one records what
    it receives and answers nothing. */
struct PortOptions
{
    juce::String name;
    bool answers = true;
    bool offerInput = true;    // NAME.in
    bool offerOutput = true;   // NAME.out
};

/** One message on the link, as the emulator saw it. */
struct Message
{
    double timeMs = 0;   // juce::Time::getMillisecondCounterHiRes(): as read, or just before sending
    juce::String port;   // the port pair's name
    Bytes bytes;
    /** Received messages: the port pairs whose input (.in) the editor held open as the message
        was read, which tells the pair that a search step tried. */
    juce::StringArray openInputs;
};

struct Options
{
    juce::File folder;
    juce::String portName { "Halvorin Orvane MIDI Port" };
    std::vector<PortOptions> decoys;
    Identity identity;
    uint8_t deviceId = 0;   // the organ's device ID in its File Dump handshakes
    Faults faults;
    /** Parameters (index 0..98, any float: NaN and the infinities included) that replace the
        factory values before the first download; other indexes are ignored. */
    std::vector<std::pair<int, float>> parameters;

    /** Called on an emulator thread for every message received (sent false) and sent (sent
        true); the command-line emulator prints them. */
    std::function<void (const Message&, bool sent)> monitor;
};

/** The File Dump transfer in progress, or the last one. */
struct FileDumpTransfer
{
    bool headerReceived = false;
    std::array<uint8_t, 4> type {};
    uint32_t declaredLength = 0;
    std::array<uint8_t, 32> name {};
    Bytes payload;   // decoded bytes of the accepted packets
    int packetsAccepted = 0;
    int naksSent = 0;
    bool endOfFileReceived = false;
    bool cancelledByEditor = false;
    bool cancelledByOrgan = false;
    bool complete = false;   // EOF received with the declared length
};

/** A short human-readable description of a message of the organ's link ("identity request"). */
juce::String describe (const Bytes& bytes);
juce::String toHex (const Bytes& bytes);

class OrganEmulator
{
public:
    /** Creates the folder when needed and starts listening. */
    explicit OrganEmulator (Options options);

    /** Stops its threads, closes every connection and removes its socket files. */
    ~OrganEmulator();

    /** False when a socket could not be created (see getAnomalies()). */
    bool isListening() const;

    //==============================================================================
    void setFaults (const Faults& faults);
    Faults getFaults() const;
    void setIdentity (const Identity& identity);

    float getParameter (int index) const;
    void setParameter (int index, float value);
    juce::String getSlotName (int slot) const;
    void setSlotName (int slot, const juce::String& name);

    FileDumpTransfer getFileDump() const;

    //==============================================================================
    /** Sends one packet as it stands (garbage, over-long or truncated messages included) on
        every .in connection of the port pair, by default the organ's own. */
    void sendRaw (const Bytes& packet, const juce::String& port = {});

    /** Sets a parameter (0..98) and reports it as the organ does when its own panel changes
        it: the set-parameter message in float form for 0..84, in byte form for 85..98. */
    void sendParameter (int index, float value);

    /** Closes every connection and removes the socket files, as pulling the cable does. */
    void unplug();
    /** Listens again after an unplug. */
    void plugIn();

    /** Open connections on a port pair: those of the editor's inputs (.in) or outputs (.out). */
    int getConnectionCount (const juce::String& port, bool inputs) const;

    //==============================================================================
    std::vector<Message> getReceived() const;
    std::vector<Message> getSent() const;
    /** Messages that broke the link's rules (not one complete message, a byte of 80 or above
        inside a System Exclusive message, a command of the wrong length, ...). */
    juce::StringArray getAnomalies() const;
    void clearRecords();

    /** Waits until the condition holds or the time passes, and returns its last value. On the
        message thread it keeps the message loop running meanwhile. */
    bool waitUntil (const std::function<bool()>& condition, int timeoutMs) const;
    /** Waits until the messages received so far satisfy the predicate. */
    bool waitForMessages (const std::function<bool (const std::vector<Message>&)>& predicate, int timeoutMs) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
}   // namespace orvane::emulator
