// The organ emulator as a program: serves an Orvane organ on virtual MIDI ports so that the
// editor can be run and tried without the instrument. Prints every message in both directions.
// Lines typed on standard input: "send F0 7D 1E 05 F7" (any bytes, sent as one packet on the
// organ's port), "param 5 nan" (a parameter changed on the organ, reported to the editor),
// "identity 6,3,0,1,2,0" (the identity of every later reply), "unplug", "plug", "quit".

#include "organ-emulator/OrganEmulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <poll.h>
#include <unistd.h>

using namespace orvane::emulator;

namespace
{
const char* const usage = R"(usage: organ-emulator [FOLDER [PORT NAME]] [options]

FOLDER defaults to $ORVANE_VIRTUAL_MIDI; PORT NAME to "Halvorin Orvane MIDI Port".

  --identity P,M,R,A,B1,B2   identity reply bytes (default 5,3,0,1,2,0)
  --device-id N              device ID of the File Dump handshakes (default 0)
  --delay KIND=MS|never      answer late or never; KIND is identity, ping, dump1, dump2,
                             dump3, store, reset, header or packet
  --ping-answers N           stop answering pings after N answers
  --identity-answers N       stop answering identity requests (not pings) after N answers
  --nak PACKET:TIMES[:CODE]  refuse the transfer's packet (0 = first, -1 = every) TIMES times
  --nak-header CODE          refuse the File Dump header with a NAK carrying CODE
  --cancel WHEN[:K]:CODE     cancel a File Dump transfer with CODE; WHEN is header,
                             packet (after K packets) or eof
  --unplug-after K[:MS]      vanish after the transfer's packet K, come back MS later
  --answer-on NAME           answer on the port pair NAME instead of the asking one
  --decoy NAME[:silent]      offer another port pair, answering or silent
  --param INDEX=VALUE        start with parameter INDEX (0..98) at VALUE, a float that may
                             also be nan, inf or -inf; repeatable
Numbers may be decimal or 0x-prefixed hexadecimal.

Typed on standard input: send HEX..., param INDEX VALUE, identity P,M,R,A,B1,B2 (the
identity of every later reply, so that a reconnection can be refused), unplug, plug, quit.
)";

volatile std::sig_atomic_t quitRequested = 0;

int number (const juce::String& text)
{
    const auto t = text.trim();
    return t.startsWithIgnoreCase ("0x") ? t.substring (2).getHexValue32() : t.getIntValue();
}

/** A parameter index and value ("5", "nan"): the value as the C library reads a float, so
    nan, inf, -inf and negative numbers are taken; false for anything else. */
bool parseParameter (const juce::String& indexText, const juce::String& valueText, std::pair<int, float>& parameter)
{
    const auto index = indexText.trim();
    const auto value = valueText.trim().toStdString();
    char* end = nullptr;
    const float v = std::strtof (value.c_str(), &end);
    if (! index.containsOnly ("0123456789") || index.isEmpty() || value.empty() || *end != 0)
        return false;
    parameter = { index.getIntValue(), v };
    return juce::isPositiveAndBelow (parameter.first, numParameters);
}

/** Six numbers separated by commas: the bytes p, m, r, a, b1, b2 of the identity reply. */
bool parseIdentity (const juce::String& text, Identity& identity)
{
    const auto fields = juce::StringArray::fromTokens (text, ",", "");
    if (fields.size() != 6)
        return false;
    uint8_t* bytes[] = { &identity.protocol, &identity.model, &identity.revision,
                         &identity.release, &identity.build1, &identity.build2 };
    for (int f = 0; f < 6; ++f)
        *bytes[f] = (uint8_t) number (fields[f]);
    return true;
}

bool parseDelay (const juce::String& option, Faults& faults)
{
    static const std::pair<const char*, Answer> kinds[] = {
        { "identity", Answer::identity },
        { "ping", Answer::ping },
        { "dump1", Answer::dumpStep1 },
        { "dump2", Answer::dumpStep2 },
        { "dump3", Answer::dumpStep3 },
        { "store", Answer::store },
        { "reset", Answer::reset },
        { "header", Answer::fileDumpHeader },
        { "packet", Answer::fileDumpPacket },
    };
    const auto kind = option.upToFirstOccurrenceOf ("=", false, false);
    const auto value = option.fromFirstOccurrenceOf ("=", false, false);
    for (const auto& [name, answer] : kinds)
        if (kind == name)
        {
            faults.setDelay (answer, value == "never" ? never : number (value));
            return true;
        }
    return false;
}

bool parseArguments (const juce::StringArray& args, Options& options)
{
    juce::StringArray positional;
    auto& faults = options.faults;
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (! arg.startsWith ("--"))
        {
            positional.add (arg);
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const auto value = args[++i];
        auto fields = juce::StringArray::fromTokens (value, ",:", "");

        if (arg == "--identity")
        {
            if (! parseIdentity (value, options.identity))
                return false;
        }
        else if (arg == "--device-id")
            options.deviceId = (uint8_t) number (value);
        else if (arg == "--delay")
        {
            if (! parseDelay (value, faults))
                return false;
        }
        else if (arg == "--ping-answers")
            faults.pingAnswers = number (value);
        else if (arg == "--identity-answers")
            faults.identityAnswers = number (value);
        else if (arg == "--nak" && fields.size() >= 2)
            faults.nak = { number (fields[0]), number (fields[1]), fields.size() > 2 ? number (fields[2]) : -1 };
        else if (arg == "--nak-header")
            faults.headerNakCode = number (value);
        else if (arg == "--cancel" && fields.size() >= 2)
        {
            const auto& when = fields[0];
            faults.cancel.errorCode = (uint8_t) number (fields[fields.size() - 1]);
            if (when == "header")
                faults.cancel.when = CancelFault::When::onHeader;
            else if (when == "eof")
                faults.cancel.when = CancelFault::When::afterEndOfFile;
            else if (when == "packet" && fields.size() == 3)
            {
                faults.cancel.when = CancelFault::When::afterPacket;
                faults.cancel.packet = number (fields[1]);
            }
            else
                return false;
        }
        else if (arg == "--unplug-after")
            faults.unplug = { number (fields[0]), fields.size() > 1 ? number (fields[1]) : never };
        else if (arg == "--answer-on")
            faults.answerOnPort = value;
        else if (arg == "--param")
        {
            std::pair<int, float> parameter;
            if (! parseParameter (value.upToFirstOccurrenceOf ("=", false, false),
                                  value.fromFirstOccurrenceOf ("=", false, false), parameter))
                return false;
            options.parameters.push_back (parameter);
        }
        else if (arg == "--decoy")
            options.decoys.push_back ({ value.upToLastOccurrenceOf (":silent", false, false), ! value.endsWith (":silent") });
        else
            return false;
    }

    const auto folder = positional.size() > 0 ? positional[0]
                                              : juce::SystemStats::getEnvironmentVariable ("ORVANE_VIRTUAL_MIDI", {});
    if (folder.isEmpty() || positional.size() > 2)
        return false;
    options.folder = juce::File::getCurrentWorkingDirectory().getChildFile (folder);
    if (positional.size() == 2)
        options.portName = positional[1];
    return true;
}

void print (const Message& m, bool sent)
{
    static std::mutex lineLock;   // received and sent messages are printed from two threads
    const std::lock_guard<std::mutex> guard (lineLock);
    static const auto start = m.timeMs;
    const auto line = juce::String (m.timeMs - start, 1).paddedLeft (' ', 10) + " ms  "
        + (sent ? "-> " : "<- ") + m.port + "  " + describe (m.bytes) + "  "
        + (m.bytes.size() > 48 ? toHex (Bytes (m.bytes.begin(), m.bytes.begin() + 48)) + " ... ("
                   + juce::String ((int) m.bytes.size()) + " bytes)"
                               : toHex (m.bytes));
    std::cout << line << std::endl;
}

void handleCommand (const juce::String& line, OrganEmulator& organ)
{
    const auto command = line.trim();
    if (command == "quit")
        quitRequested = 1;
    else if (command == "unplug")
        organ.unplug();
    else if (command == "plug")
        organ.plugIn();
    else if (command.startsWith ("send "))
    {
        Bytes bytes;
        for (const auto& token : juce::StringArray::fromTokens (command.substring (5), " ", ""))
            if (token.isNotEmpty())
                bytes.push_back ((uint8_t) token.getHexValue32());
        organ.sendRaw (bytes);
    }
    else if (command.startsWith ("param "))
    {
        const auto fields = juce::StringArray::fromTokens (command.substring (6), " ", "");
        std::pair<int, float> parameter;
        if (fields.size() == 2 && parseParameter (fields[0], fields[1], parameter))
            organ.sendParameter (parameter.first, parameter.second);
        else
            std::cout << "usage: param INDEX VALUE (INDEX 0..98, VALUE a float, nan, inf or -inf)" << std::endl;
    }
    else if (command.startsWith ("identity "))
    {
        Identity identity;
        if (parseIdentity (command.substring (9), identity))
            organ.setIdentity (identity);
        else
            std::cout << "usage: identity P,M,R,A,B1,B2" << std::endl;
    }
    else if (command.isNotEmpty())
        std::cout << "commands: send HEX..., param INDEX VALUE, identity P,M,R,A,B1,B2, unplug, plug, quit" << std::endl;
}
}   // namespace

int main (int argc, char** argv)
{
    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    Options options;
    if (args.contains ("--help") || ! parseArguments (args, options))
    {
        std::fputs (usage, args.contains ("--help") ? stdout : stderr);
        return args.contains ("--help") ? 0 : 2;
    }
    options.monitor = print;

    std::signal (SIGINT, [] (int)
                 { quitRequested = 1; });
    std::signal (SIGTERM, [] (int)
                 { quitRequested = 1; });

    OrganEmulator organ (options);
    if (! organ.isListening())
    {
        std::cerr << organ.getAnomalies().joinIntoString ("\n") << std::endl;
        return 1;
    }
    std::cout << "Serving \"" << options.portName << "\" in " << options.folder.getFullPathName()
              << " (Ctrl-C to stop)" << std::endl;

    std::string pending;
    bool stdinOpen = true;
    while (! quitRequested)
    {
        pollfd in { STDIN_FILENO, POLLIN, 0 };
        if (! stdinOpen || ::poll (&in, 1, 200) <= 0)
        {
            if (! stdinOpen)
                ::usleep (200 * 1000);
            continue;
        }
        char chunk[256];
        const auto n = ::read (STDIN_FILENO, chunk, sizeof (chunk));
        if (n <= 0)
        {
            stdinOpen = false;   // keep serving without commands
            continue;
        }
        pending.append (chunk, (size_t) n);
        for (auto end = pending.find ('\n'); end != std::string::npos; end = pending.find ('\n'))
        {
            handleCommand (juce::String (pending.substr (0, end)), organ);
            pending.erase (0, end + 1);
        }
    }
    return 0;
}
