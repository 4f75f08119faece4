#include "Explorer.h"

#include "SkinData.h"
#include "e2e/EditorRig.h"
#include "organ-emulator/OrganEmulator.h"
#include "organ/Identity.h"
#include "organ/LinkTimings.h"
#include "organ/ProjectFile.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/MidiBytes.h"
#include "support/TestHarness.h"

#include <algorithm>
#include <dlfcn.h>
#include <atomic>
#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace orvane::explorer
{
namespace
{
using Access = MainContentComponentTestAccess;
using Bytes = emulator::Bytes;

double now() { return juce::Time::getMillisecondCounterHiRes(); }

// The texts of the boxes that the invariants name: the rig's, and a part of the cancel's text.
using test::notFoundText;
using test::receiveFailedText;
using test::resetFailedText;
using test::searchingText;
using test::storeFailedText;
using test::transmittingParametersText;
using test::transmittingTonewheelText;
const juce::String deletedText ("The tonewheel has been deleted!");

//==============================================================================
// The events, with the names that the lists use.

const std::vector<std::string> playerEvents { "connect", "store", "reset", "open", "save", "tonewheel", "press",
                                              "wm-close", "minimise", "hide", "dialog", "wait", "fire", "slipped" };
const std::vector<std::string> delayEvents { "delay-identity", "delay-ping", "delay-dump1", "delay-dump2", "delay-dump3",
                                             "delay-store", "delay-reset", "delay-header", "delay-packet" };
const std::vector<std::string> organEvents { "refuse", "silent", "nak", "organ-cancel", "unplug", "plug", "send-reply",
                                             "send-complete", "send-ack", "send-nak", "send-cancel" };

bool isKnown (const std::string& name)
{
    for (const auto* names : { &playerEvents, &delayEvents, &organEvents })
        if (std::find (names->begin(), names->end(), name) != names->end())
            return true;
    return false;
}

//==============================================================================
// The link's messages, told apart by their bytes.

bool isFileDump (const Bytes& b, uint8_t kind) { return b.size() >= 6 && b[0] == 0xF0 && b[1] == 0x7E && b[3] == kind; }
bool isHeader (const Bytes& b) { return isFileDump (b, 0x07) && b[4] == 0x01; }
bool isDataPacket (const Bytes& b) { return isFileDump (b, 0x07) && b[4] == 0x02; }
bool isEndOfFile (const Bytes& b) { return isFileDump (b, 0x7B); }
bool isCancel (const Bytes& b) { return isFileDump (b, 0x7D); }
bool isNak (const Bytes& b) { return isFileDump (b, 0x7E); }

bool isOrganCommand (const Bytes& b, uint8_t command)
{
    return b.size() >= 5 && b[0] == 0xF0 && b[1] == 0x7D && b[2] == 0x1E && b[3] == command;
}
bool isDumpRequest (const Bytes& b, uint8_t step) { return isOrganCommand (b, 0x04) && b[4] == step; }
bool isOperationComplete (const Bytes& b) { return isOrganCommand (b, 0x05); }
bool isStoreRequest (const Bytes& b) { return isOrganCommand (b, 0x03); }
bool isResetRequest (const Bytes& b) { return isOrganCommand (b, 0x08); }

bool isAcceptedIdentityReply (const Bytes& b)
{
    return isOrganCommand (b, 0x07) && b.size() == 11
        && identity::refusalReason (b[4], (int32_t) b[5] - 3, (int32_t) b[6]) == identity::accepted;
}

constexpr std::array<uint8_t, 3> dumpSteps { 0x7D, 0x7E, 0x7C };

/** A message on the link, stamped as it went out: by the editor or by the organ. */
struct Stamped
{
    double timeMs;
    bool byEditor;
    Bytes bytes;
};

//==============================================================================
/** An output that reports every message just before it goes out, on the sending thread. */
class WatchedOutput : public MidiOutputPort
{
public:
    WatchedOutput (std::unique_ptr<MidiOutputPort> wrapped, std::function<void (const Bytes&)> report)
        : port (std::move (wrapped)), onSend (std::move (report))
    {
    }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        onSend (test::bytesOf (message));
        port->sendMessageNow (message);
    }

private:
    std::unique_ptr<MidiOutputPort> port;
    std::function<void (const Bytes&)> onSend;
};

/** A MIDI input callback that reports every message, on the input's thread, before the
    editor handles it. */
class WatchedInput : public juce::MidiInputCallback
{
public:
    WatchedInput (juce::MidiInputCallback& wrapped, std::function<void (const Bytes&)> report)
        : editor (wrapped), onReceive (std::move (report))
    {
    }

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override
    {
        onReceive (test::bytesOf (message));
        editor.handleIncomingMidiMessage (source, message);
    }

private:
    juce::MidiInputCallback& editor;
    std::function<void (const Bytes&)> onReceive;
};

/** The editor's port layer with every output and input watched. */
class WatchedPorts : public MidiPortSystem
{
public:
    WatchedPorts (std::unique_ptr<MidiPortSystem> wrapped, std::function<void (const Bytes&)> sent,
                  std::function<void (const Bytes&)> received)
        : ports (std::move (wrapped)), onSend (std::move (sent)), onReceive (std::move (received))
    {
    }

    juce::StringArray getInputNames() override { return ports->getInputNames(); }
    juce::StringArray getOutputNames() override { return ports->getOutputNames(); }
    std::unique_ptr<MidiInputPort> openInput (int index, juce::MidiInputCallback* callback) override
    {
        // Kept for the whole sequence: an input deleted later may still be calling its watcher.
        watchers.push_back (std::make_unique<WatchedInput> (*callback, onReceive));
        return ports->openInput (index, watchers.back().get());
    }
    std::unique_ptr<MidiOutputPort> openOutput (int index) override
    {
        auto port = ports->openOutput (index);
        return port == nullptr ? nullptr : std::make_unique<WatchedOutput> (std::move (port), onSend);
    }

private:
    std::unique_ptr<MidiPortSystem> ports;
    std::function<void (const Bytes&)> onSend, onReceive;
    std::vector<std::unique_ptr<WatchedInput>> watchers;
};

//==============================================================================
/** The open file dialogs of the stand-in (tests/explorer/zenity), oldest first. */
class Dialogs
{
public:
    explicit Dialogs (juce::File folder) : dir (std::move (folder)) {}

    struct Open
    {
        juce::String id;
        juce::String title;
    };

    std::vector<Open> open()
    {
        for (const auto& f : dir.findChildFiles (juce::File::findFiles, false, "open.*"))
        {
            const auto id = f.getFileExtension().substring (1);
            if (id == "new" || std::find (order.begin(), order.end(), id) != order.end())
                continue;
            order.push_back (id);
            ++opened;
        }
        std::vector<Open> result;
        for (auto it = order.begin(); it != order.end();)
        {
            const auto file = dir.getChildFile ("open." + *it);
            if (file.existsAsFile() && ! answered.contains (*it))
            {
                result.push_back ({ *it, file.loadFileAsString().trim() });
                ++it;
            }
            else if (! file.existsAsFile())
            {
                answered.removeString (*it);
                it = order.erase (it);
            }
            else
            {
                ++it;
            }
        }
        return result;
    }

    void answer (const Open& dialog, const juce::String& path)
    {
        answered.add (dialog.id);
        const auto temp = dir.getChildFile ("reply." + dialog.id + ".new");
        temp.replaceWithText (path);
        temp.moveFileTo (dir.getChildFile ("reply." + dialog.id));
    }

    /** How many dialogs have been seen to open so far. */
    int openedSoFar() const { return opened; }

private:
    juce::File dir;
    std::vector<juce::String> order;
    juce::StringArray answered;
    int opened = 0;
};

//==============================================================================
/** One sequence: the editor and the emulator, the events applied by steps that run in every
    modal loop, the records the invariants read, and the invariants. */
class Sequence : private juce::Timer, private juce::Button::Listener, private juce::ComponentListener
{
public:
    Sequence (const Settings& s, std::optional<uint64_t> seed, Events script)
        : settings (s), random (seed.value_or (0)), scripted (! seed.has_value()), events (std::move (script)),
          dialogs (folder.get().getChildFile ("dialogs"))
    {
        folder.get().getChildFile ("dialogs").createDirectory();
        writeFiles();
        startOrgan();
        startEditor();
    }

    ~Sequence() override
    {
        stopTimer();
        *alive = false;
        for (auto& d : dialogs.open())
            dialogs.answer (d, {});
        Access::messageBoxOpened (*editor) = nullptr;
        Access::connectButton (*editor).removeListener (this);
        for (auto& b : boxes)
            if (auto* box = b.box.getComponent())
                box->removeComponentListener (this);
        tearingDown = true;
        watchedEditor = nullptr;
        editor = nullptr;
        organ = nullptr;
    }

    Outcome run()
    {
        stepDue = now();
        lastTick = now();
        std::atomic<bool> finished { false };
        std::thread alarm ([this, &finished]
                           { watchForFreeze (finished); });
        startTimer (1);
        while (! done && juce::MessageManager::getInstance()->runDispatchLoopUntil (5))
        {
        }
        stopTimer();
        *alive = false;
        finished = true;
        alarmWake.notify_all();
        alarm.join();

        const std::lock_guard<std::mutex> guard (lock);
        return { applied, finding };
    }

private:
    //==========================================================================
    // Set-up

    juce::File fileFor (const juce::String& name) const { return folder.get().getChildFile (name); }

    void writeFiles()
    {
        ProjectImage project;
        writeProjectFile (project, fileFor ("project.hop"));
        fileFor ("corrupt.hop").replaceWithText ("not a project");

        Bytes wheel { 0x63, 0x19, 0x07, 0x27 };
        wheel.resize (64, 0);
        for (int i = 0; i < 8; ++i)
            wheel[(size_t) (32 + i)] = (uint8_t) ('A' + i);
        for (int i = 0; i < 3000; ++i)
            wheel.push_back ((uint8_t) (i * 37 + 11));
        fileFor ("wheels.otw").replaceWithData (wheel.data(), wheel.size());
        fileFor ("corrupt.otw").replaceWithText ("not a tonewheel");
    }

    int scaled (int organMs) const { return organMs < 0 ? emulator::never : (int) std::ceil (organMs * settings.timeScale); }

    void startOrgan()
    {
        emulator::Options options;
        options.folder = folder.get();
        faults.setDelay (emulator::Answer::fileDumpPacket, scaled (40));
        options.faults = faults;
        options.monitor = [this] (const emulator::Message& m, bool sent)
        {
            if (sent)
                organSent (m);
        };
        organ = std::make_unique<emulator::OrganEmulator> (std::move (options));
    }

    void startEditor()
    {
        const auto home = fileFor ("home");
        home.createDirectory();
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        setenv ("ORVANE_VIRTUAL_MIDI", folder.get().getFullPathName().toRawUTF8(), 1);
        setenv ("ORVANE_EXPLORER_DIALOGS", fileFor ("dialogs").getFullPathName().toRawUTF8(), 1);
        editor = std::make_unique<MainContentComponent>();
        watchedEditor = editor.get();

        auto& ports = Access::midiPorts (*editor);
        ports = std::make_unique<WatchedPorts> (
            std::move (ports), [this] (const Bytes& b)
            { editorSends (b); },
            [this] (const Bytes& b)
            {
                const std::lock_guard<std::mutex> guard (lock);
                delivered.push_back ({ now(), false, b });
            });
        Access::messageBoxOpened (*editor) = [this] (CustomAlertWindow& box)
        { boxOpened (box); };
        Access::connectButton (*editor).addListener (this);
    }

    //==========================================================================
    // Records (the sending threads write them; the message thread reads them)

    void editorSends (const Bytes& b)
    {
        auto* watched = watchedEditor.load();
        const bool isConnected = watched != nullptr && watched->isConnected();
        const std::lock_guard<std::mutex> guard (lock);
        timeline.push_back ({ now(), true, b });
        if (closeRequested)
            fail ("nothing-after-close", "the editor sent " + emulator::describe (b).toStdString() + " after the window's close request");

        if (isHeader (b))
        {
            if (transferOpen)
                fail ("one-transfer-at-a-time", "a File Dump header went out while the last transfer had neither EOF nor CANCEL");
            if (! isConnected)
                fail ("header-while-connected", "a File Dump header went out while not connected");
            transferOpen = true;
            headerSent = true;
            cancelAllowed = false;
        }
        else if (isEndOfFile (b) || isCancel (b))
        {
            if (isCancel (b) && ! cancelAllowed)
                fail ("cancel-by-player", "the editor cancelled the upload without the player's Cancel or close of the progress box, or the organ's NAK");
            transferOpen = false;
        }

        if (mustCancel && isCancel (b))
            mustCancel = false;
        else if (mustCancel && (isDataPacket (b) || isEndOfFile (b)) && ++sentAfterClose > 2)
            fail ("closed-progress-box-cancels", "the upload ran on behind the progress box that the window system closed");
    }

    // Called once the message is out, with the stamp taken before it went.
    void organSent (const emulator::Message& m)
    {
        const auto& b = m.bytes;
        const std::lock_guard<std::mutex> guard (lock);
        timeline.push_back ({ m.timeMs, false, b });
        if (isCancel (b))
            transferOpen = false;
        if (isNak (b))
            cancelAllowed = true;
    }

    /** Records the first invariant broken; later ones follow from it. Under `lock`. */
    void fail (const std::string& invariant, const std::string& detail)
    {
        if (finding || std::find (settings.ignored.begin(), settings.ignored.end(), invariant) != settings.ignored.end())
            return;
        finding = { invariant, detail };
    }

    void failNow (const std::string& invariant, const std::string& detail)
    {
        const std::lock_guard<std::mutex> guard (lock);
        fail (invariant, detail);
    }

    std::vector<Stamped> timelineSince (double t)
    {
        const std::lock_guard<std::mutex> guard (lock);
        std::vector<Stamped> since;
        for (const auto& s : timeline)
            if (s.timeMs >= t)
                since.push_back (s);
        std::stable_sort (since.begin(), since.end(), [] (const Stamped& a, const Stamped& b)
                          { return a.timeMs < b.timeMs; });
        return since;
    }

    //==========================================================================
    // Boxes: each recorded as it opens; one that goes without the player's answer or the
    // window system's act, and is not replaced by a new box, was closed by code.

    struct Box
    {
        int number;
        juce::String text;
        juce::Component::SafePointer<CustomAlertWindow> box;
        bool answered = false;
    };

    static juce::String textOf (CustomAlertWindow& box)
    {
        return box.getDescription().fromFirstOccurrenceOf (box.getName() + ". ", false, false);
    }

    void boxOpened (CustomAlertWindow& box)
    {
        const auto text = textOf (box);
        boxes.push_back ({ ++boxesOpened, text, &box });
        box.addComponentListener (this);

        if (text.contains (deletedText) && ! headerSent.load())
            failNow ("deleted-after-header", "\"The tonewheel has been deleted!\" with no header sent");
        if (text == receiveFailedText && ! downloadOfCurrentSearch())
            failNow ("timeout-of-current-link", "the receive time-out ended a download that is not the current search's");
        // A store or reset keeps its time-out across CONNECT: its box may come in a later link,
        // but only after a request of its own.
        if ((text == storeFailedText && ! requestedBefore (isStoreRequest))
            || (text == resetFailedText && ! requestedBefore (isResetRequest)))
            failNow ("timeout-of-a-request", "a store or reset time-out with no request before it: " + textOf (box).trim().toStdString());
    }

    Box* recordOf (juce::Component* box)
    {
        for (auto& b : boxes)
            if (b.box.getComponent() == box)
                return &b;
        return nullptr;
    }

    void componentBeingDeleted (juce::Component& component) override
    {
        auto* record = recordOf (&component);
        if (tearingDown || record == nullptr || record->answered)
            return;
        // Closed by code where the course has its reasons: the search box, the two transmit
        // boxes, and "Device not found!" by the download of a late reply.
        static const juce::StringArray closedByCode { searchingText, transmittingParametersText,
                                                      transmittingTonewheelText, notFoundText };
        if (closedByCode.contains (record->text))
            return;
        const int openedSoFar = boxesOpened;
        const auto text = record->text;
        juce::Component::SafePointer<MainContentComponent> alive (editor.get());
        juce::MessageManager::callAsync ([this, alive, openedSoFar, text]
                                         {
            if (alive != nullptr && boxesOpened == openedSoFar)
                failNow ("box-closed-by-code", "a box that the player had not answered was closed: \"" + text.trim().toStdString() + "\""); });
    }

    //==========================================================================
    // The current search: since the last click that switched CONNECT on.

    // The player's clicks only: the time-outs switch CONNECT off through a click of their own.
    void buttonClicked (juce::Button* button) override
    {
        if (playerClicksOnConnect == 0)
            return;
        --playerClicksOnConnect;
        lastConnectClick = now();
        connectOn = button->getToggleState();
    }

    /** Whether the editor sent a request of this kind before (its time-out may also be
        fired early, as the "fire" event does). */
    bool requestedBefore (bool (*kind) (const Bytes&))
    {
        for (const auto& s : timelineSince (0))
            if (s.byEditor && kind (s.bytes))
                return true;
        return false;
    }

    bool downloadOfCurrentSearch()
    {
        if (! connectOn)
            return false;
        for (const auto& s : timelineSince (lastConnectClick))
            if ((! s.byEditor && isAcceptedIdentityReply (s.bytes)) || (s.byEditor && isHeader (s.bytes)))
                return true;
        return false;
    }

    /** On connecting: an identity reply that the editor accepts in the current search, then
        the three dump requests in their order, and three operation-completes since the reply.
        The organ's operation-complete names no step, so the editor counts them: a second
        accepted reply during the download starts it over while the answers to the first
        requests are on their way, and those count for the new steps; an unasked one counts as
        an answer too (the editor connects early; the late data still reaches the controls). */
    void checkDownloadBeforeConnecting()
    {
        const auto since = timelineSince (lastConnectClick);
        const auto reply = std::find_if (since.begin(), since.end(), [] (const Stamped& m)
                                         { return ! m.byEditor && isAcceptedIdentityReply (m.bytes); });
        size_t step = 0;
        int answers = 0;
        for (auto it = reply; it != since.end(); ++it)
        {
            if (it->byEditor && step < dumpSteps.size() && isDumpRequest (it->bytes, dumpSteps[step]))
                ++step;
            else if (! it->byEditor && isOperationComplete (it->bytes))
                ++answers;
        }

        std::string missing;
        if (! connectOn)
            missing = "CONNECT on";
        else if (reply == since.end())
            missing = "an accepted identity reply";
        else if (step < dumpSteps.size())
            missing = "dump request " + std::to_string (step + 1) + " after the accepted identity reply";
        else if (answers < 3)
            missing = "three operation-completes after the accepted identity reply";
        if (! missing.empty())
            failNow ("connected-after-download", "connected without " + missing + " in the current search\n" + timelineAround (lastConnectClick));
    }

    /** The messages of the last second before `t` and all after it, with their times from `t`:
        what the editor sent, what the organ sent, and what the editor's input delivered. */
    std::string timelineAround (double t)
    {
        auto messages = timelineSince (t - 1000);
        std::vector<std::pair<double, std::string>> lines;
        for (const auto& m : messages)
            lines.emplace_back (m.timeMs, m.byEditor ? "editor sent: " : "organ sent: ");
        {
            const std::lock_guard<std::mutex> guard (lock);
            for (const auto& m : delivered)
                if (m.timeMs >= t - 1000)
                {
                    messages.push_back (m);
                    lines.emplace_back (m.timeMs, "editor got: ");
                }
        }
        std::vector<size_t> order (messages.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort (order.begin(), order.end(), [&] (size_t a, size_t b)
                          { return lines[a].first < lines[b].first; });
        std::ostringstream out;
        for (auto i : order)
            out << "    " << (int) std::lround (messages[i].timeMs - t) << " ms " << lines[i].second
                << emulator::describe (messages[i].bytes).toStdString() << "  " << test::hex (messages[i].bytes) << "\n";
        return out.str();
    }

    //==========================================================================
    // State as the panel and the link show it (message thread).

    CustomAlertWindow* openBox() const { return Access::messageBox (*editor); }
    bool menuOpen() const
    {
        auto* top = juce::ModalComponentManager::getInstance()->getModalComponent (0);
        return top != nullptr && dynamic_cast<CustomAlertWindow*> (top) == nullptr;
    }

    /** A timer of the link's course runs, or a download step awaits its answer. A store or
        reset whose time-out the player switched off may wait for good: an organ that never
        confirms it leaves it pending, at rest. */
    bool linkBusy() const
    {
        for (int timer : { searchTimer, receiveTimer, storeTimer, resetTimer, bulkSendTimer })
            if (Access::isTimerRunning (*editor, timer))
                return true;
        const auto pending = editor->getPendingOperation();
        return pending >= downloadStep1 && pending <= downloadStep3;
    }

    bool nothingOpen() { return openBox() == nullptr && juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0 && openDialogs().empty(); }

    /** The open file dialogs, looked up every few milliseconds (a folder listing each step
        would slow the steps down). */
    const std::vector<Dialogs::Open>& openDialogs()
    {
        if (now() - dialogsSeenAt > 3)
        {
            dialogsSeen = dialogs.open();
            dialogsSeenAt = now();
        }
        return dialogsSeen;
    }

    void answer (const Dialogs::Open& dialog, const juce::String& path)
    {
        dialogs.answer (dialog, path);
        dialogsSeenAt = 0;
    }

    bool indicatorOn()
    {
        static const auto on = juce::ImageCache::getFromMemory (SkinData::indicator_on_png, SkinData::indicator_on_pngSize);
        return Access::connectionIndicator (*editor).getImage() == on;
    }

    void checkState()
    {
        const bool isConnected = editor->isConnected();
        if (isConnected && ! wasConnected)
            checkDownloadBeforeConnecting();
        wasConnected = isConnected;

        if (const auto disagreement = panelDisagreement(); ! disagreement.empty() && ! panelCheckPosted)
        {
            // The MIDI thread stops the link's timers before the message thread hears why (a
            // refused reply, say): the state counts once what was posted before it has run.
            panelCheckPosted = true;
            juce::MessageManager::callAsync ([this, stillHere = alive]
                                             {
                if (! *stillHere)
                    return;
                panelCheckPosted = false;
                if (const auto still = panelDisagreement(); ! still.empty())
                    failNow ("panel-agrees", still); });
        }
    }

    /** At rest (nothing open, no link timer or operation), what of CONNECT's toggle, the
        indicator and `connected` disagrees; empty when they agree or the link is not at rest. */
    std::string panelDisagreement()
    {
        if (! nothingOpen() || linkBusy())
            return {};
        const bool isConnected = editor->isConnected();
        const bool toggle = Access::connectButton (*editor).getToggleState();
        const bool lit = indicatorOn();
        if (toggle == isConnected && lit == isConnected)
            return {};
        return "at rest, CONNECT " + std::string (toggle ? "on" : "off") + ", indicator " + (lit ? "on" : "off") + ", connected " + (isConnected ? "true" : "false");
    }

    /** A click that slipped under a box (its press came before the box) must open no file
        dialog while that box is open: the box holds the panel. */
    void checkNoDialogUnderBox()
    {
        if (boxAtSlip == nullptr)
            return;
        openDialogs();
        if (dialogs.openedSoFar() > dialogsAtSlip)
            failNow ("no-dialog-under-box", "a file dialog opened under the box \"" + textOf (*boxAtSlip).trim().toStdString() + "\"");
    }

    //==========================================================================
    // The steps: a timer that runs in every modal loop (the boxes', the menu's, the file
    // dialog's) takes the next step; an event that needs no time is followed at once by a
    // posted step, so that a run of them is not held to the timer's pace. (A step may not post
    // the next for good: the framework hands the posted messages out in one batch, including
    // those posted meanwhile, and the window system's events would wait behind them.)

    void timerCallback() override
    {
        if (done)
            finish();   // a click handled late may still open a dialog, a box or the menu
        else
            step();
    }

    void postStep()
    {
        juce::MessageManager::callAsync ([this, stillHere = alive]
                                         {
            if (*stillHere && ! done)
                step(); });
    }

    void step()
    {
        lastTick = now();
        checkState();
        checkNoDialogUnderBox();
        if (pendingMenuSlot >= 0)
            chooseFromMenu();
        if (now() < stepDue)
            return;

        bool goOn = false;
        {
            const std::lock_guard<std::mutex> guard (lock);
            if (! finding)
                goOn = true;
        }
        if (! goOn)
        {
            finish();
            return;
        }

        if (! settling)
        {
            std::optional<Event> next;
            if (scripted && position < events.size())
                next = events[position++];
            else if (! scripted && (int) applied.size() < settings.length)
                next = chooseAllowed();
            if (next)
            {
                {
                    const std::lock_guard<std::mutex> guard (lock);
                    applied.push_back (*next);
                }
                apply (*next);
                if (now() >= stepDue)
                    postStep();
                return;
            }
            settling = true;
            settleDeadline = now() + 30000 * settings.timeScale + test::scaled (5000);
        }
        settle();
    }

    /** Answers whatever is left open, until the link rests: nothing open and no link timer or
        operation left for a while. */
    void settle()
    {
        if (now() > settleDeadline)
        {
            failNow ("editor-answers", "the link never came to rest: " + describeState());
            finish();
            return;
        }

        if (const auto open = openDialogs(); ! open.empty())
            answer (open.front(), {});
        else if (menuOpen())
            juce::ModalComponentManager::getInstance()->getModalComponent (0)->exitModalState (0);
        else if (auto* box = openBox(); box != nullptr && (box != settlePressed.getComponent() || now() - settlePressedAt > 20))
        {
            settlePressed = box;
            settlePressedAt = now();
            pressButton (*box, -1);
        }

        if (nothingOpen() && ! linkBusy())
        {
            if (++quietTicks >= 5)
                finish();
        }
        else
        {
            quietTicks = 0;
        }
        stepDue = now() + 1;
    }

    /** Ends the sequence; a box or menu still open is ended too, so that its loop returns. */
    void finish()
    {
        done = true;
        for (auto& d : dialogs.open())
            dialogs.answer (d, {});
        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
    }

    std::string describeState()
    {
        std::ostringstream out;
        out << "box " << (openBox() != nullptr ? "\"" + textOf (*openBox()).trim().toStdString() + "\"" : "none")
            << ", modal " << juce::ModalComponentManager::getInstance()->getNumModalComponents()
            << ", dialogs " << openDialogs().size() << ", pending " << (int) editor->getPendingOperation() << ", timers";
        for (int timer = 0; timer < 6; ++timer)
            if (Access::isTimerRunning (*editor, timer))
                out << " " << timer;
        return out.str();
    }

    //==========================================================================
    // Choosing the next event from what is open.

    int pick (std::initializer_list<int> values)
    {
        std::uniform_int_distribution<size_t> d (0, values.size() - 1);
        return *(values.begin() + d (random));
    }
    bool chance (double p) { return std::uniform_real_distribution<double> (0, 1) (random) < p; }

    Event chooseAllowed()
    {
        for (;;)
            if (auto e = choose(); std::find (settings.without.begin(), settings.without.end(), e.name) == settings.without.end())
                return e;
    }

    Event choose()
    {
        if (auto* box = openBox())
        {
            // The search box is left to its course mostly; the others are answered soon.
            const bool searching = textOf (*box) == searchingText;
            if (chance (searching ? 0.05 : 0.4))
                return { "press", pick ({ 0, 1 }) };
            if (chance (0.08))
                return { pick ({ 0, 0, 1, 2 }) == 0 ? "wm-close" : (chance (0.5) ? "minimise" : "hide"), 0 };
            if (chance (0.03))
                return { "slipped", pick ({ 0, 1, 2 }) };
        }
        if (! openDialogs().empty() && chance (0.3))
            return { "dialog", pick ({ 0, 1, 1, 1, 2 }) + (chance (0.5) ? 10 : 0) };
        if (! Access::connectButton (*editor).getToggleState() && chance (0.3))
            return { "connect", 0 };

        const double r = std::uniform_real_distribution<double> (0, 1) (random);
        if (r < 0.3)
            return { "wait", pick ({ 0, 20, 50, 100, 300, 300, 600, 1500, 3500, 7000 }) };
        if (r < 0.65)
        {
            switch (pick ({ 0, 0, 0, 1, 2, 3, 3, 4, 5, 5, 5, 6 }))
            {
                case 0: return { "connect", 0 };
                case 1: return { "store", 0 };
                case 2: return { "reset", 0 };
                case 3: return { "open", 0 };
                case 4: return { "save", 0 };
                case 5: return { "tonewheel", chance (0.9) ? pick ({ 3, 4, 5 }) : 0 };
                default: return { "fire", pick ({ 0, 1, 2, 3, 4, 5 }) };
            }
        }
        if (r < 0.8)
        {
            const auto& name = delayEvents[(size_t) pick ({ 0, 0, 1, 2, 3, 4, 5, 6, 7, 8 })];
            return { name, pick ({ 0, 0, 50, 300, 700, 2000, 7000, -1 }) };
        }
        switch (pick ({ 0, 1, 2, 3, 4, 5, 6, 6, 7, 7, 8, 9, 10 }))
        {
            case 0: return { "refuse", chance (0.5) ? 0 : pick ({ 1, 2, 3 }) };
            case 1: return { "silent", pick ({ 0, 1 }) };
            case 2: return { "nak", pick ({ 0, 1, 3 }) };
            case 3: return { "organ-cancel", pick ({ 0, 1, 2, 3 }) };
            case 4: return { "unplug", 0 };
            case 5: return { "plug", 0 };
            case 6: return { "send-reply", 0 };
            case 7: return { "send-complete", 0 };
            case 8: return { "send-ack", 0 };
            case 9: return { "send-nak", 0 };
            default: return { "send-cancel", 0 };
        }
    }

    //==========================================================================
    // Applying an event.

    /** Clicks as the mouse does, unless a box holds the input: a box's modal state keeps the
        mouse from the panel, a file dialog does not. */
    bool click (juce::Button& button)
    {
        if (button.isCurrentlyBlockedByAnotherModalComponent())
            return false;
        button.triggerClick();
        return true;
    }

    static std::vector<juce::Button*> buttonsOf (CustomAlertWindow& box)
    {
        std::vector<juce::Button*> buttons;
        for (auto* child : box.getChildren())
            if (auto* button = dynamic_cast<juce::Button*> (child))
                buttons.push_back (button);
        return buttons;
    }

    /** Presses a button of the box (-1: its last), as the player does. */
    void pressButton (CustomAlertWindow& box, int index)
    {
        const auto buttons = buttonsOf (box);
        if (buttons.empty())
            return;
        auto* button = buttons[index < 0 || index >= (int) buttons.size() ? buttons.size() - 1 : (size_t) index];
        answeredByPlayer (box);
        if (textOf (box) == transmittingTonewheelText)
            cancelAllowed = true;
        button->triggerClick();
    }

    void answeredByPlayer (CustomAlertWindow& box)
    {
        if (auto* record = recordOf (&box))
            record->answered = true;
    }

    void chooseFromMenu()
    {
        if (menuOpen())
        {
            juce::ModalComponentManager::getInstance()->getModalComponent (0)->exitModalState (pendingMenuSlot);
            pendingMenuSlot = -1;
        }
        else if (now() > menuDeadline)
        {
            pendingMenuSlot = -1;
        }
    }

    void answerDialog (int arg)
    {
        const auto open = openDialogs();
        if (open.empty())
            return;
        const auto& dialog = arg >= 10 ? open.back() : open.front();
        const int kind = arg % 10;
        const bool project = dialog.title.contains ("Project");
        juce::String path;
        if (kind == 1)
            path = dialog.title.startsWith ("Save") ? fileFor ("saved.hop").getFullPathName()
                                                    : fileFor (project ? "project.hop" : "wheels.otw").getFullPathName();
        else if (kind == 2)
            path = fileFor (project ? "corrupt.hop" : "corrupt.otw").getFullPathName();
        answer (dialog, path);
    }

    /** The release of a click on OPEN, SAVE or TONEWHEEL (0, 1, 2) whose press came before the
        open box: the framework refuses presses under a box, not releases, so it reaches the
        button. */
    void slippedClick (int which)
    {
        boxAtSlip = openBox();
        openDialogs();
        dialogsAtSlip = dialogs.openedSoFar();
        juce::Button* buttons[] = { &Access::openButton (*editor), &Access::saveButton (*editor), &Access::tonewheelButton (*editor) };
        if (juce::isPositiveAndBelow (which, 3))
            buttons[which]->triggerClick();
    }

    void fireTimer (int timer)
    {
        if (! juce::isPositiveAndBelow (timer, 6) || ! Access::isTimerRunning (*editor, timer))
            return;
        // Posted: a time-out may open a box, whose loop must not run inside this step.
        juce::Component::SafePointer<MainContentComponent> alive (editor.get());
        juce::MessageManager::callAsync ([alive, timer]
                                         {
            if (auto* e = alive.getComponent(); e != nullptr && Access::isTimerRunning (*e, timer))
                Access::fireTimer (*e, timer); });
    }

    void windowSystem (const std::string& act)
    {
        auto* box = openBox();
        if (box == nullptr)
            return;
        answeredByPlayer (*box);
        const bool progress = textOf (*box) == transmittingTonewheelText;
        if (act == "wm-close")
        {
            if (progress)
            {
                const std::lock_guard<std::mutex> guard (lock);
                cancelAllowed = true;
                mustCancel = transferOpen.load();
                sentAfterClose = 0;
            }
            if (auto* peer = box->getPeer())
                peer->handleUserClosingWindow();   // what the window manager's close request reaches
        }
        else if (act == "minimise")
        {
            if (auto* peer = box->getPeer())
                peer->setMinimised (true);
        }
        else
        {
            box->setVisible (false);   // unmapped, as on a switch of the virtual desktop
        }
    }

    void setIdentity (int refusal)
    {
        emulator::Identity id;
        if (refusal == 1)
            id.protocol = 4;
        else if (refusal == 2)
            id.protocol = 6;
        else if (refusal == 3)
            id.model = 40;
        identity = id;
        organ->setIdentity (id);
    }

    void organEvent (const Event& e)
    {
        const auto delay = std::find (delayEvents.begin(), delayEvents.end(), e.name);
        if (delay != delayEvents.end())
            faults.setDelay ((emulator::Answer) (delay - delayEvents.begin()), scaled (e.arg));
        else if (e.name == "silent")
            faults.pingAnswers = faults.identityAnswers = e.arg != 0 ? 0 : -1;
        else if (e.name == "nak")
            faults.nak = { -1, e.arg, -1 };
        else if (e.name == "organ-cancel")
            faults.cancel = { (emulator::CancelFault::When) e.arg, 0, 0x06 };

        if (e.name == "refuse")
            setIdentity (e.arg);
        else if (e.name == "unplug")
            organ->unplug();
        else if (e.name == "plug")
            organ->plugIn();
        else if (e.name == "send-reply")
            organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x07, identity.protocol, identity.model, identity.revision, identity.release,
                              identity.build1, identity.build2, 0xF7 });
        else if (e.name == "send-complete")
            organ->sendRaw ({ 0xF0, 0x7D, 0x1E, 0x05, 0xF7 });
        else if (e.name == "send-ack")
            organ->sendRaw ({ 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 });
        else if (e.name == "send-nak")
            organ->sendRaw ({ 0xF0, 0x7E, 0x00, 0x7E, 0x00, 0xF7 });
        else if (e.name == "send-cancel")
            organ->sendRaw ({ 0xF0, 0x7E, 0x00, 0x7D, 0x06, 0xF7 });
        else
            organ->setFaults (faults);
    }

    void apply (const Event& e)
    {
        stepDue = now();
        if (e.name == "wait")
            stepDue += e.arg * settings.timeScale;
        else if (e.name == "connect")
            playerClicksOnConnect += click (Access::connectButton (*editor)) ? 1 : 0;
        else if (e.name == "store")
            click (Access::storeButton (*editor));
        else if (e.name == "reset")
            click (Access::resetButton (*editor));
        else if (e.name == "open")
            click (Access::openButton (*editor));
        else if (e.name == "save")
            click (Access::saveButton (*editor));
        else if (e.name == "tonewheel")
        {
            if (! click (Access::tonewheelButton (*editor)))
                return;
            pendingMenuSlot = e.arg;
            menuDeadline = now() + test::scaled (300);
        }
        else if (e.name == "press")
        {
            if (auto* box = openBox())
                pressButton (*box, e.arg);
        }
        else if (e.name == "wm-close" || e.name == "minimise" || e.name == "hide")
            windowSystem (e.name);
        else if (e.name == "dialog")
            answerDialog (e.arg);
        else if (e.name == "fire")
            fireTimer (e.arg);
        else if (e.name == "slipped")
            slippedClick (e.arg);
        else
            organEvent (e);
    }

    //==========================================================================
    /** A loop that never returns (a box that cannot be closed) holds the message thread for
        good: the sequence ends the process, through the settings' hook when there is one. */
    /** Where each thread of this process stands, printed through the debugger when it is
        installed: what a stuck message thread waits for. */
    static void printStacks()
    {
        // From the root folder: the file dialogs move the working folder into one since deleted.
        const auto command = "cd / && command -v gdb >/dev/null && timeout 60 gdb -batch -p " + std::to_string (getpid())
            + " -ex 'thread apply all bt 25' 2>/dev/null | grep -E '^(Thread|#)'";
        std::cout << "stacks of the threads:" << std::endl;
        if (std::system (command.c_str()) != 0)
            std::cout << "  (no debugger)" << std::endl;
    }

    void watchForFreeze (std::atomic<bool>& finished)
    {
        std::unique_lock<std::mutex> guard (alarmLock);
        while (! finished)
        {
            alarmWake.wait_for (guard, std::chrono::milliseconds (200));
            if (finished || now() - lastTick.load() < test::scaled (8000))
                continue;
            Events events;
            {
                const std::lock_guard<std::mutex> records (lock);
                events = applied;
            }
            printStacks();
            if (settings.onFreeze)
                settings.onFreeze (events);
            std::cout << "FINDING editor-answers: the message thread has not come back for 8 s\nREPLAY " << format (events)
                      << std::endl;
            std::_Exit (1);
        }
    }

    const Settings settings;
    std::mt19937_64 random;
    const bool scripted;
    const Events events;
    size_t position = 0;

    test::TemporaryFolder folder;
    Dialogs dialogs;
    emulator::Faults faults;
    emulator::Identity identity;
    std::unique_ptr<emulator::OrganEmulator> organ;
    std::unique_ptr<MainContentComponent> editor;
    std::atomic<MainContentComponent*> watchedEditor { nullptr };   // for the sending threads

    // Message thread.
    std::vector<Box> boxes;
    int boxesOpened = 0;
    bool tearingDown = false, settling = false, done = false, wasConnected = false, panelCheckPosted = false;
    double stepDue = 0, settleDeadline = 0, menuDeadline = 0;
    int pendingMenuSlot = -1, quietTicks = 0;
    double lastConnectClick = 0;
    bool connectOn = false;
    int playerClicksOnConnect = 0;

    // Shared with the sending threads, under `lock` (the flags are also read alone).
    std::mutex lock;
    Events applied;
    Finding finding;
    std::vector<Stamped> timeline;
    std::vector<Stamped> delivered;   // what the editor's inputs handed it
    std::atomic<bool> closeRequested { false }, transferOpen { false }, headerSent { false }, cancelAllowed { false },
        mustCancel { false };
    int sentAfterClose = 0;

    std::atomic<double> lastTick { 0 };
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);
    std::vector<Dialogs::Open> dialogsSeen;
    double dialogsSeenAt = 0;
    juce::Component::SafePointer<CustomAlertWindow> settlePressed, boxAtSlip;
    int dialogsAtSlip = 0;
    double settlePressedAt = 0;
    std::mutex alarmLock;
    std::condition_variable alarmWake;
};

Outcome runSequence (const Settings& settings, std::optional<uint64_t> seed, Events events)
{
    timing::setScale (settings.timeScale);
    Sequence sequence (settings, seed, std::move (events));
    return sequence.run();
}
}   // namespace

//==============================================================================
// The dialog stand-in first on the path, for every file dialog of the editor; and X errors
// ignored as the application ignores them: the framework installs its handler only in a
// standalone application, and Xlib's own ends the process on a request for a window that
// has just gone, which the many boxes of a sequence make likely.
void prepareProcess()
{
    const auto path = juce::String (ORVANE_EXPLORER_FOLDER) + ":" + juce::SystemStats::getEnvironmentVariable ("PATH", {});
    setenv ("PATH", path.toRawUTF8(), 1);

    using Handler = int (*) (void*, void*);
    if (auto* xlib = dlopen ("libX11.so.6", RTLD_NOW))
        if (auto* setHandler = reinterpret_cast<Handler (*) (Handler)> (dlsym (xlib, "XSetErrorHandler")))
            setHandler ([] (void*, void*)
                        { return 0; });
}

std::string format (const Events& events)
{
    std::string text;
    for (const auto& e : events)
    {
        if (! text.empty())
            text += ' ';
        text += e.name;
        if (e.arg != 0)
            text += ':' + std::to_string (e.arg);
    }
    return text;
}

std::optional<Events> parse (const std::string& text)
{
    Events events;
    std::istringstream words (text);
    for (std::string word; words >> word;)
    {
        Event e;
        const auto colon = word.find (':');
        e.name = word.substr (0, colon);
        if (colon != std::string::npos)
        {
            try
            {
                e.arg = std::stoi (word.substr (colon + 1));
            }
            catch (const std::exception&)
            {
                return std::nullopt;
            }
        }
        if (! isKnown (e.name))
            return std::nullopt;
        events.push_back (e);
    }
    return events;
}

Outcome explore (uint64_t seed, const Settings& settings) { return runSequence (settings, seed, {}); }

Outcome replay (const Events& events, const Settings& settings) { return runSequence (settings, std::nullopt, events); }

Events shrink (const Events& events, const std::function<bool (const Events&)>& fails)
{
    // Delta debugging: drop chunks, halving their size, until no single event can go.
    Events current = events;
    for (size_t chunk = std::max<size_t> (current.size() / 2, 1); chunk >= 1;)
    {
        bool dropped = false;
        for (size_t start = 0; start < current.size();)
        {
            Events candidate (current.begin(), current.begin() + (long) start);
            candidate.insert (candidate.end(), current.begin() + (long) std::min (start + chunk, current.size()), current.end());
            if (fails (candidate))
            {
                current = candidate;
                dropped = true;
            }
            else
            {
                start += chunk;
            }
        }
        if (chunk == 1 && ! dropped)
            break;
        if (! dropped || chunk > 1)
            chunk = std::max<size_t> (chunk / 2, 1);
    }
    return current;
}
}   // namespace orvane::explorer
