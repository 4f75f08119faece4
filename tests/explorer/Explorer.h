#pragma once

// The explorer of the link's course: seeded random orders of the player's, the window system's
// and the organ's events, applied at random moments to the real editor on the organ emulator's
// virtual ports, with the link's invariants checked after every step.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::explorer
{
/** One event: a name and, for most, a number ("wait:300", "tonewheel:4", "connect"). Times
    (waits, the organ's delays) are in the organ's own milliseconds, scaled when applied. */
struct Event
{
    std::string name;
    int arg = 0;

    bool operator== (const Event& other) const { return name == other.name && arg == other.arg; }
};
using Events = std::vector<Event>;

/** Sets the process up for sequences: the file dialog stand-in, X errors ignored. */
void prepareProcess();

/** The list in the syntax that --replay takes: the events separated by blanks. */
std::string format (const Events& events);

/** The events of a --replay text; nothing when a word is not one of them. */
std::optional<Events> parse (const std::string& text);

struct Settings
{
    double timeScale = 0.01;            // the link's time-outs and paces, and every time of an event
    int length = 24;                    // events of a random sequence
    std::vector<std::string> ignored;   // invariants left unchecked
    std::vector<std::string> without;   // events that random sequences leave out
    /** Called from another thread with the events applied when the message thread is stuck
        for good; the process ends after it. */
    std::function<void (const Events&)> onFreeze;
};

/** What a sequence broke: the invariant's name and what was seen; empty when nothing. */
struct Finding
{
    std::string invariant;
    std::string detail;

    explicit operator bool() const { return ! invariant.empty(); }
};

struct Outcome
{
    Events events;   // the events applied, in order
    Finding finding;
};

/** Walks a random sequence that the seed chooses, step by step from what the editor shows,
    on a fresh editor and organ emulator, then answers every box and dialog left open and lets
    the link come to rest. Runs on the message thread. */
Outcome explore (uint64_t seed, const Settings& settings);

/** Applies the given events in order, then comes to rest as explore() does. */
Outcome replay (const Events& events, const Settings& settings);

/** The shortest sublist found for which `fails` holds (delta debugging: chunks dropped, then
    single events). */
Events shrink (const Events& events, const std::function<bool (const Events&)>& fails);
}   // namespace orvane::explorer
