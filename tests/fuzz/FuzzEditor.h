#pragma once

// What the fuzz targets that drive a whole editor share: the framework started once per
// process, one fresh editor per input with a recording output, the message thread run until
// nothing is pending, the synchronous boxes answered, and the checks that every input must pass.
#include "support/MainContentComponentTestAccess.h"
#include "support/MidiBytes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orvane::fuzz
{
using Access = MainContentComponentTestAccess;
using test::Bytes;
using test::bytesOf;
using test::midi;

/** Starts the framework on this thread, which becomes the message thread, with a home folder
    and an empty virtual MIDI port folder of the process's own (so no system port is opened and
    no settings of the user's are read). The targets' LLVMFuzzerInitialize, defined with it,
    calls it. */
void startFramework();

/** A file of the given name in the process's scratch folder, holding the given bytes. */
juce::File writeScratchFile (const juce::String& name, const void* data, size_t size);

/** Stops the process with a message that libFuzzer reports as a finding. */
[[noreturn]] void fail (const char* what);

/** An editor for one input: not connected, nothing pending, no upload run yet, and a recording
    port as its output. Its synchronous boxes are answered as soon as they take the focus. */
class FuzzEditor
{
public:
    FuzzEditor();
    ~FuzzEditor();

    MainContentComponent& operator*() { return *editor; }
    MainContentComponent* operator->() { return editor.get(); }

    /** The answer that two-button boxes ("Yes" 1 / "No" 0) get; one-button boxes get 1. */
    void answerQuestionsWith (int result) { questionAnswer = result; }

    /** Every message sent to the organ so far, in order. */
    std::vector<Bytes> sent() const { return record->get(); }

    /** Runs the message thread until nothing is pending; a finding when it never settles. */
    void settle();

    /** The panel after a refresh: every slider shows a finite value inside its range, every
        selector an item it has or none. */
    void checkPanel();

private:
    std::unique_ptr<MainContentComponent> editor;
    std::shared_ptr<test::SentMessages> record;
    int questionAnswer = 1;

    struct BoxAnswerer;
    std::unique_ptr<BoxAnswerer> answerer;
};

/** Every message is one whole MIDI message, and a System Exclusive one carries only data
    bytes below 80 between its F0 and its F7. */
void checkWellFormed (const std::vector<Bytes>& messages);

/** Splits bytes into the MIDI messages that an input port delivers: a status byte starts a
    message, which takes the data bytes its kind asks for; a System Exclusive message runs up to
    its F7 (one is added where another status byte or the end cuts it short); stray data bytes
    are dropped, as a port drops them. */
std::vector<juce::MidiMessage> splitIntoMessages (const uint8_t* data, size_t size);
}   // namespace orvane::fuzz
