// Loading a tonewheel file for an upload: any bytes as an .otw file, its checks, the warning
// answered, and the upload fields filled and the header sent.
//
// Input: byte 0 chooses, low bits first:
//   0-1  the slot (3 + value % 3)
//   2    the answer to the warning: "Yes" or "No"
//   3    the file is made as large as the limit allows, give or take: the input's bytes, then
//        zero bytes up to 1,048,574 + (bits 4-5) bytes, so the sizes on both sides of the limit
//        are tried
//   6    a file that the reading refuses is loaded through the component all the same
// and the rest is the file.
//
// A file that fails the checks gets the "corrupted" box, a synchronous box whose nested modal
// loop costs the target a framework round of 20 ms per input. Unless bit 6 asks for the box,
// such bytes go through the pure reading part only (their refusal is all the load does with
// them). The bytes that pass are loaded through the component, whose warning is answered as
// byte 0 says (20 ms per input).
//
// Besides what the sanitizers see: after "Yes" the fields hold the file's name and payload and
// the header announces the payload's length for the chosen slot; after "No" nothing is sent.
#include "fuzz/FuzzEditor.h"

#include <cstring>

namespace
{
using namespace orvane::fuzz;
namespace filedump = orvane::filedump;

void checkFilled (MainContentComponent& editor, const orvane::tonewheel::Contents& file, int slot,
                  const std::vector<Bytes>& sent)
{
    if (Access::uploadState (editor) != headerSent || Access::bytesRemaining (editor) != file.payloadSize
        || Access::fileDumpName (editor) != file.name
        || std::memcmp (Access::uploadBuffer (editor), file.payload, (size_t) file.payloadSize) != 0)
        fail ("the upload fields are not the file's");

    const auto header = filedump::header (filedump::typeForSlot (slot), (uint32_t) file.payloadSize, file.name);
    if (sent.size() != 1 || sent.front() != bytesOf (header))
        fail ("the header sent is not the file's");
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;

    const uint8_t choice = data[0];
    Bytes bytes (data + 1, data + size);
    if ((choice & 8) != 0)
        bytes.resize (std::max (bytes.size(), (size_t) filedump::maxTonewheelFileSize - 2 + ((choice >> 4) & 3)));

    const auto contents = orvane::tonewheel::readContents (bytes.data(), bytes.size());
    if (! contents && (choice & 0x40) == 0)
        return 0;

    FuzzEditor editor;
    Access::connected (*editor) = true;
    const bool yes = (choice & 4) != 0;
    editor.answerQuestionsWith (yes ? 1 : 0);
    const int slot = 3 + (choice & 3) % 3;

    const auto file = writeScratchFile ("x.otw", bytes.data(), bytes.size());
    Access::uploadTonewheelFile (*editor, slot, file);
    editor.settle();

    const auto sent = editor.sent();
    checkWellFormed (sent);
    if (contents && yes)
        checkFilled (*editor, *contents, slot, sent);
    else if (! sent.empty() || Access::uploadState (*editor) != uploadFinished)
        fail ("the upload went on after a refused file or \"No\"");
    return 0;
}
