// Opening a project file: any bytes as a .hop file, opened while connected or not, through to
// the refreshed panel.
//
// Input: byte 0 chooses the editor's state, the rest is the file. State byte, low bits first:
//   0    connected (the opened values then wait for the bulk send behind the transmit box)
//   1-2  the current model (0..3)
//   3    the current hardware revision
//   4-5  how the extension is written: .hop, .HOP, .Hop, .hOP
//   6    a file that the reading refuses is opened through the component all the same
//
// A file that fails the reading checks gets the "corrupted" box, a synchronous box whose nested
// modal loop costs the target a framework round of 20 ms per input. Unless bit 6 asks for the
// box, such bytes go through the pure reading part only (their refusal is all OPEN does with
// them); the component opens the bytes that pass, which leads past the checks to the values
// taken and the refreshed panel.
//
// Besides what the sanitizers see: the stored values are the file's, bit for bit (nothing is
// changed on the way in); the file's identity becomes current only while not connected; the
// panel shows only values its widgets can hold; nothing is sent to the organ by the refresh.
#include "fuzz/FuzzEditor.h"
#include "organ/FloatBits.h"
#include "organ/ProjectFile.h"

namespace
{
using namespace orvane::fuzz;

const char* const extensions[] = { ".hop", ".HOP", ".Hop", ".hOP" };

void checkOpened (MainContentComponent& editor, const orvane::ProjectFileContent& file, int32_t modelBefore,
                  int32_t revisionBefore, bool connected)
{
    const auto& image = editor.getProjectImage();
    const int count = orvane::projectValueCount (file.modelIndex, modelBefore);
    for (int i = 0; i < count; ++i)
        if (orvane::floatBits (image.getValue (i)) != orvane::floatBits (file.values[(size_t) i]))
            fail ("an opened value is not the file's");

    const int32_t model = connected ? modelBefore : file.modelIndex;
    const int32_t revision = connected ? revisionBefore : file.hardwareRevision;
    if (image.modelIndex.load() != model || image.hardwareRevision.load() != revision)
        fail ("the organ identity after OPEN is not the one expected");
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;

    const uint8_t state = data[0];
    const auto content = orvane::readProjectFile (data + 1, size - 1);
    if (! content && (state & 0x40) == 0)
        return 0;

    FuzzEditor editor;
    const bool connected = (state & 1) != 0;
    Access::connected (*editor) = connected;
    auto& image = Access::projectImage (*editor);
    image.modelIndex = (state >> 1) & 3;
    image.hardwareRevision = (state >> 3) & 1;
    Access::updateAllControls (*editor);
    editor.settle();
    const int32_t modelBefore = image.modelIndex.load();
    const int32_t revisionBefore = image.hardwareRevision.load();
    const auto imageBefore = image.toBytes();

    const auto file = writeScratchFile (juce::String ("x") + extensions[(state >> 4) & 3], data + 1, size - 1);
    Access::openProjectFile (*editor, file);
    editor.settle();

    if (content)
        checkOpened (*editor, *content, modelBefore, revisionBefore, connected);
    else if (image.toBytes() != imageBefore)
        fail ("a refused project file changed the parameter set");
    if (Access::lastDirectory (*editor) != file.getParentDirectory())
        fail ("the dialogs' folder is not the opened file's");
    editor.checkPanel();

    const auto sent = editor.sent();
    checkWellFormed (sent);
    if (! sent.empty() && sent.front() != Bytes { 0xF0, 0x7D, 0x1E, 0x0A, 0x01, 0xF7 })
        fail ("OPEN sent something before the bulk send");
    return 0;
}
