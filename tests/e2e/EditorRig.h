#pragma once

// An editor on virtual ports of a folder of its own, with the organ emulator serving them and
// the editor's synchronous boxes answered: the rig that every end-to-end test of the organ
// link builds on.
#include "organ-emulator/OrganEmulator.h"
#include "organ/LinkTimings.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/MidiBytes.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>

namespace orvane::test
{
using Access = MainContentComponentTestAccess;

inline const juce::String organPort ("Halvorin Orvane MIDI Port");

// The texts of the editor's boxes that more than one test file waits for.
inline const juce::String searchingText ("  Searching for the connected device...  ");
inline const juce::String notFoundText ("  Device not found!  The firmware of the device is too old or the midi port may be in use by another application. Please, close it and retry.  ");
inline const juce::String receiveFailedText ("  Communication error!  \n  Failed to receive data.  \n  Please, reconnect to the device.  ");
inline const juce::String lostText ("  Communication error!  \n  Device lost connection.  \n  Please, reconnect to the device.  ");
inline const juce::String transmittingParametersText ("  Transmitting all parameters to the device...  ");
inline const juce::String transmittingTonewheelText ("  Transmitting tonewheel file to the device...  ");
inline const juce::String storeFailedText ("  Missing confirmation error!  \n  Failed to store data.  ");
inline const juce::String resetFailedText ("  Missing confirmation error!  \n  Failed to reset data.  ");
inline const juce::String notValidText ("  The selected file is not valid.  ");
inline const juce::String corruptedText ("  The selected file is corrupted.  ");

inline double now() { return juce::Time::getMillisecondCounterHiRes(); }

inline const emulator::Bytes identityRequest { 0xF0, 0x7D, 0x1E, 0x06, 0x01, 0xF7 };

inline bool isIdentityRequest (const emulator::Message& m) { return m.bytes == identityRequest; }

/** Answers the editor's synchronous boxes, which would otherwise hold the test inside their
    modal loops: every box is recorded with its text, its time and its place in the order of
    boxes as the editor opens it (a box may open and close again before anyone could look),
    and, unless it is one the test keeps open, clicked with its first button once its loop
    runs. */
class BoxWatcher
{
public:
    struct Seen
    {
        juce::String text;
        double timeMs;
    };

    explicit BoxWatcher (MainContentComponent& c) : component (c), state (std::make_shared<State>())
    {
        Access::messageBoxOpened (component) = [s = state] (CustomAlertWindow& box)
        {
            const auto text = s->record (box);
            if (s->keepOpen.contains (text))
                return;
            // Posted, so that it runs once the box is modal: inside a synchronous box's own
            // loop, or after an asynchronous box has entered its modal state.
            juce::MessageManager::callAsync ([s, text, open = juce::Component::SafePointer<CustomAlertWindow> (&box)]
                                             {
                if (auto* b = open.getComponent())
                    b->exitModalState (s->resultFor (text)); });
        };
    }

    ~BoxWatcher() { Access::messageBoxOpened (component) = nullptr; }

    juce::StringArray& keepOpen() { return state->keepOpen; }

    /** Ends the box of this text with what `result` returns, called while the box is open,
        in place of the first button's 1. */
    void answer (const juce::String& text, std::function<int()> result) { state->answers[text] = std::move (result); }

    /** Calls `action` as the box of this text opens, before the box takes the input. */
    void whenOpened (const juce::String& text, std::function<void()> action) { state->openActions[text] = std::move (action); }

    /** The texts of the boxes in the order they opened. */
    juce::StringArray texts() const
    {
        juce::StringArray texts;
        for (const auto& s : state->seen)
            texts.add (s.text);
        return texts;
    }

    bool sawBox (const juce::String& text) const { return timeOf (text) >= 0; }
    int timesSeen (const juce::String& text) const
    {
        return (int) std::count_if (state->seen.begin(), state->seen.end(), [&] (const Seen& s)
                                    { return s.text == text; });
    }
    double timeOf (const juce::String& text) const
    {
        for (const auto& s : state->seen)
            if (s.text == text)
                return s.timeMs;
        return -1;
    }

private:
    struct State
    {
        /** Records the box that opens, runs the test's action for it, and returns its text. */
        juce::String record (CustomAlertWindow& box)
        {
            // The box describes itself for accessibility as its title, ". " and its message.
            const auto text = box.getDescription().fromFirstOccurrenceOf (box.getName() + ". ", false, false);
            seen.push_back (Seen { text, now() });
            if (const auto action = openActions.find (text); action != openActions.end())
                action->second();
            return text;
        }

        int resultFor (const juce::String& text)
        {
            const auto answer = answers.find (text);
            return answer != answers.end() ? answer->second() : 1;
        }

        std::vector<Seen> seen;
        juce::StringArray keepOpen { searchingText };
        std::map<juce::String, std::function<int()>> answers;
        std::map<juce::String, std::function<void()>> openActions;
    };

    MainContentComponent& component;
    std::shared_ptr<State> state;
};

/** The messages the editor sent, each stamped on the thread that sent it as it went out: the
    organ's own stamps come from its reading thread, which a loaded machine may hold up. */
class SendTimes
{
public:
    struct Sent
    {
        double timeMs;
        emulator::Bytes bytes;
    };

    void add (const juce::MidiMessage& message)
    {
        const std::lock_guard<std::mutex> guard (mutex);
        sent.push_back ({ now(), test::bytesOf (message) });
    }

    std::vector<Sent> get() const
    {
        const std::lock_guard<std::mutex> guard (mutex);
        return sent;
    }

private:
    mutable std::mutex mutex;
    std::vector<Sent> sent;
};

/** An output that stamps every message in a SendTimes record, then sends it on the port it wraps. */
class StampingPort : public MidiOutputPort
{
public:
    StampingPort (std::unique_ptr<MidiOutputPort> wrapped, std::shared_ptr<SendTimes> record)
        : port (std::move (wrapped)), times (std::move (record))
    {
    }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        times->add (message);
        port->sendMessageNow (message);
    }

private:
    std::unique_ptr<MidiOutputPort> port;
    std::shared_ptr<SendTimes> times;
};

inline emulator::Options organOptions (emulator::Identity identity = {})
{
    emulator::Options options;
    options.identity = identity;
    return options;
}

/** Every link timer shortened by `factor` while it lives (the test-only factor), for a test of
    what follows a time-out rather than of its length; made before the rig, so that all the
    rig's timers start shortened. */
struct ShortLinkTimes
{
    explicit ShortLinkTimes (double f) : factor (f) { orvane::timing::setScale (factor); }
    ~ShortLinkTimes() { orvane::timing::setScale (1.0); }
    ShortLinkTimes (const ShortLinkTimes&) = delete;
    ShortLinkTimes& operator= (const ShortLinkTimes&) = delete;

    /** `ms` of the organ's figures, shortened as the timers are. */
    int ms (int organMs) const { return (int) (organMs * factor); }

    const double factor;
};

/** An editor on the virtual ports of a folder of its own, with its boxes watched. */
struct Rig
{
    test::TemporaryFolder folder;
    std::unique_ptr<emulator::OrganEmulator> organ;
    std::unique_ptr<MainContentComponent> editor;
    std::unique_ptr<BoxWatcher> boxes;
    juce::String savedHome;

    void startOrgan (emulator::Options options)
    {
        options.folder = folder.get();
        organ = std::make_unique<emulator::OrganEmulator> (std::move (options));
        ASSERT_TRUE (organ->isListening());
    }

    /** The emulator with the given faults, the editor, and CONNECT; true once connected. */
    bool startConnected (const emulator::Faults& faults = {})
    {
        auto options = organOptions();
        options.faults = faults;
        startOrgan (options);
        startEditor();
        clickConnect();
        return waitConnected();
    }

    void startEditor()
    {
        // Settings of its own: a port pair remembered by an earlier test would change the course.
        const auto home = folder.get().getChildFile ("home");
        home.createDirectory();
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        setenv ("ORVANE_VIRTUAL_MIDI", folder.get().getFullPathName().toRawUTF8(), 1);
        editor = std::make_unique<MainContentComponent>();
        boxes = std::make_unique<BoxWatcher> (*editor);
    }

    Rig() : savedHome (juce::SystemStats::getEnvironmentVariable ("HOME", {})) {}

    ~Rig()
    {
        setenv ("HOME", savedHome.toRawUTF8(), 1);
        boxes = nullptr;
        editor = nullptr;
        organ = nullptr;
        unsetenv ("ORVANE_VIRTUAL_MIDI");
    }

    juce::Button& connect() { return Access::connectButton (*editor); }

    /** Clicks CONNECT as the mouse does (asynchronously) and returns the time of the click. */
    double clickConnect()
    {
        const double t = now();
        connect().triggerClick();
        return t;
    }

    bool waitConnected (int timeoutMs = 3000)
    {
        return test::runMessageLoopUntil ([this]
                                          { return editor->isConnected(); },
                                          timeoutMs);
    }
    bool waitForBox (const juce::String& text, int timeoutMs)
    {
        return test::runMessageLoopUntil ([&]
                                          { return boxes->sawBox (text); },
                                          timeoutMs);
    }

    /** Opens the editor's output port afresh, stamping what it sends; the record of it. */
    std::shared_ptr<SendTimes> stampOutput()
    {
        auto times = std::make_shared<SendTimes>();
        auto port = editor->getMidiPorts().openOutput (Access::outIdx (*editor));
        EXPECT_NE (port, nullptr);
        if (port != nullptr)
            Access::midiOutput (*editor).replace (std::make_unique<StampingPort> (std::move (port), times));
        return times;
    }

    std::vector<emulator::Message> pingsReceived() const
    {
        std::vector<emulator::Message> pings;
        for (const auto& m : organ->getReceived())
            if (isIdentityRequest (m))
                pings.push_back (m);
        return pings;
    }
};

/** A link timer fires when it is due, and late only by what a loaded machine adds. The
    framework's timer thread counts a newly started timer down from its own last round, which
    it makes at least every 100 ms on an idle machine and later on a loaded one, so a timer may
    fire that much early (up to 300 ms allowed): the earliness is the framework's, not the
    editor's. The lateness allowed grows with the build's slowness. */
inline ::testing::AssertionResult paced (double actualMs, double expectedMs)
{
    if (actualMs >= expectedMs - 300.0 && actualMs <= expectedMs + test::scaled (600.0))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualMs << " ms where " << expectedMs << " ms was due";
}

}   // namespace orvane::test
