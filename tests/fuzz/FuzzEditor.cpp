#include "fuzz/FuzzEditor.h"
#include "support/PanelChecks.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

// The framework's own step of its Linux message loop: handles one pending message or event and
// says whether there was one. Declared here since the framework keeps it out of its headers.
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace orvane::fuzz
{
namespace
{
/** The process's own home and virtual-port folders, removed at exit. */
struct ScratchFolders
{
    ScratchFolders()
    {
        char pattern[] = "/tmp/orvane-fuzz-XXXXXX";
        if (mkdtemp (pattern) == nullptr)
            fail ("no scratch folder");
        root = pattern;
        std::filesystem::create_directory (root / "ports");
        setenv ("HOME", root.c_str(), 1);
        setenv ("ORVANE_VIRTUAL_MIDI", (root / "ports").c_str(), 1);
    }

    ~ScratchFolders()
    {
        std::error_code ignored;
        std::filesystem::remove_all (root, ignored);
    }

    std::filesystem::path root;
};

/** The text of a box's first button, or none for a box without buttons. */
juce::String firstButtonText (juce::Component& box)
{
    for (auto* child : box.getChildren())
        if (auto* button = dynamic_cast<juce::Button*> (child))
            return button->getButtonText();
    return {};
}
}   // namespace

}   // namespace orvane::fuzz

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    orvane::fuzz::startFramework();
    return 0;
}

namespace orvane::fuzz
{
void startFramework()
{
    static ScratchFolders folders;
    // Never shut down: at exit the framework's own statics may already be gone, and libFuzzer
    // ends the process from within its run.
    static auto* framework = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (framework);
}

juce::File writeScratchFile (const juce::String& name, const void* data, size_t size)
{
    const auto file = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (name);
    if (! file.replaceWithData (data, size))
        fail ("the scratch file cannot be written");
    return file;
}

void fail (const char* what)
{
    std::fprintf (stderr, "FINDING: %s\n", what);
    std::fflush (stderr);
    std::abort();
}

/** Answers the editor's synchronous boxes, whose nested modal loops would otherwise hold the
    target for good: a box takes the keyboard focus when it opens, and the framework reports
    that change inside the box's own loop. The asynchronous boxes (no button, or "Cancel": the
    search, the transmission and the upload progress) stay open; the editor closes them. */
struct FuzzEditor::BoxAnswerer : public juce::FocusChangeListener
{
    explicit BoxAnswerer (FuzzEditor& e) : owner (e) { juce::Desktop::getInstance().addFocusChangeListener (this); }
    ~BoxAnswerer() override { juce::Desktop::getInstance().removeFocusChangeListener (this); }

    void globalFocusChanged (juce::Component*) override
    {
        auto* box = owner.editor != nullptr ? Access::messageBox (*owner.editor) : nullptr;
        if (box == nullptr || ! box->isCurrentlyModal (false))
            return;
        const auto first = firstButtonText (*box);
        if (first.isEmpty() || first == "Cancel")
            return;
        box->exitModalState (box->getNumButtons() == 2 ? owner.questionAnswer : 1);
    }

    FuzzEditor& owner;
};

FuzzEditor::FuzzEditor()
    : editor (std::make_unique<MainContentComponent>()),
      record (Access::recordOutput (*editor)),
      answerer (std::make_unique<BoxAnswerer> (*this))
{
}

FuzzEditor::~FuzzEditor()
{
    editor = nullptr;
    settle();   // what the editor's going leaves queued (box callbacks, focus changes)
    answerer = nullptr;
}

void FuzzEditor::settle()
{
    // A panel that keeps posting updates to itself never runs dry; everything the editor posts
    // for one input is handled in far fewer steps than this. (A storm of posts that the
    // framework hands over within one step never returns from it: libFuzzer's time-out reports
    // that one.)
    constexpr int maxSteps = 20000;
    for (int step = 0; step < maxSteps; ++step)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            return;
    fail ("the message thread never settles: something keeps posting to it");
}

void FuzzEditor::checkPanel()
{
    const auto faults = test::widgetsShowingWhatTheyCannotHold (*editor);
    if (! faults.isEmpty())
    {
        std::fprintf (stderr, "%s\n", faults.joinIntoString ("\n").toRawUTF8());
        fail ("the panel shows values its widgets cannot hold");
    }
}

void checkWellFormed (const std::vector<Bytes>& messages)
{
    for (const auto& m : messages)
    {
        if (m.size() < 2 || m.front() != 0xF0 || m.back() != 0xF7)
            fail ("a message to the organ is not a whole System Exclusive message");
        for (size_t i = 1; i + 1 < m.size(); ++i)
            if (m[i] >= 0x80)
                fail ("a message to the organ carries a status byte inside");
    }
}

std::vector<juce::MidiMessage> splitIntoMessages (const uint8_t* data, size_t size)
{
    std::vector<juce::MidiMessage> messages;
    size_t i = 0;
    while (i < size)
    {
        const uint8_t status = data[i];
        if (status == 0xF0)
        {
            Bytes sysEx { status };
            for (++i; i < size && data[i] < 0x80; ++i)
                sysEx.push_back (data[i]);
            if (i < size && data[i] == 0xF7)
                ++i;
            sysEx.push_back (0xF7);
            messages.emplace_back (sysEx.data(), (int) sysEx.size());
            continue;
        }

        // Data bytes without a status, an F7 without its F0 and the undefined status bytes
        // start no message.
        if (status < 0x80 || status == 0xF7 || status == 0xF4 || status == 0xF5 || status == 0xF9 || status == 0xFD)
        {
            ++i;
            continue;
        }

        const size_t length = (size_t) juce::MidiMessage::getMessageLengthFromFirstByte (status);
        if (i + length > size)
            break;
        bool whole = true;
        for (size_t k = 1; k < length; ++k)
            whole = whole && data[i + k] < 0x80;
        if (! whole)
        {
            ++i;
            continue;
        }
        messages.emplace_back (data + i, (int) length);
        i += length;
    }
    return messages;
}
}   // namespace orvane::fuzz
