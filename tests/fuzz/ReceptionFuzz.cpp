// The whole reception path of the editor: the input's bytes split into the MIDI messages that
// a port delivers, handed to the editor's MIDI input callback, and what that posts handled on
// the message thread as the running editor handles it (panel widgets, boxes, the download
// steps), then a full refresh of the panel.
//
// Input: byte 0 chooses the state the messages meet, byte 1 the size of an upload's payload,
// the rest are the MIDI bytes. State byte, low bits first:
//   0-2  the pending operation (0..5; 6 and 7 give none)
//   3-4  the upload: none yet, header sent, sending packets (one ACK taken), or finished
//   5    connected
//   6    the message thread handles the posts after every message, not only after the last
//   7    no output open
//
// The callback is called on the message thread here, not on a MIDI input thread of its own,
// so that an input always runs the same course; the threads' sharing is the concern of the
// ThreadSanitizer tests.
#include "fuzz/FuzzEditor.h"

#include <array>

namespace
{
using namespace orvane::fuzz;

enum UploadStage
{
    noUpload,
    headerStage,
    packetStage,
    finishedStage
};

const Bytes ack { 0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7 };

void receive (FuzzEditor& editor, const Bytes& bytes)
{
    Access::receive (*editor, midi (bytes));
}

/** An upload of `payloadSize` bytes brought to the given stage the way the organ brings it. */
void prepareUpload (FuzzEditor& editor, UploadStage stage, int payloadSize)
{
    if (stage == noUpload)
        return;

    static std::array<uint8_t, 1024> payload = []
    {
        std::array<uint8_t, 1024> bytes {};
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = (uint8_t) (i * 37 + 11);
        return bytes;
    }();

    orvane::tonewheel::Contents contents;
    std::copy_n (payload.begin(), contents.name.size(), contents.name.begin());
    contents.payload = payload.data();
    contents.payloadSize = payloadSize;
    Access::beginUpload (*editor, 3, contents);

    if (stage == packetStage)
        receive (editor, ack);
    for (int i = 0; stage == finishedStage && i < 20 && Access::uploadState (*editor) != uploadFinished; ++i)
        receive (editor, ack);
    editor.settle();
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;

    const uint8_t state = data[0];
    FuzzEditor editor;
    prepareUpload (editor, (UploadStage) ((state >> 3) & 3), data[1] * 4);

    Access::pendingOperation (*editor) = (PendingOperation) ((state & 7) % 6);
    Access::connected (*editor) = (state & 0x20) != 0;
    if ((state & 0x80) != 0)
        Access::midiOutput (*editor).close();

    for (const auto& message : splitIntoMessages (data + 2, size - 2))
    {
        Access::receive (*editor, message);
        if ((state & 0x40) != 0)
            editor.settle();
    }
    editor.settle();
    editor.checkPanel();

    // The full refresh that ends a download shows whatever the organ reported meanwhile.
    Access::updateAllControls (*editor);
    editor.settle();
    editor.checkPanel();

    checkWellFormed (editor.sent());
    return 0;
}
