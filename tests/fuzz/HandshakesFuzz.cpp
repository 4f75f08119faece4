// The File Dump handshakes of a tonewheel upload: an upload of a small payload started as the
// user starts it (after the warning), then ACK, NAK, CANCEL and other messages from the organ,
// the user's Cancel in the progress box, and the posted progress, done and abort handled on the
// message thread in between.
//
// Input: bytes 0-1 the payload size (0..1199, little-endian), byte 2 the slot (3 + byte % 3),
// then one step per two bytes (op, value). The low three bits of op choose the step:
//   0 ACK, 1 NAK, 2 CANCEL, 3 WAIT, 4 EOF (each F0 7E dd kind value F7, dd = op >> 3),
//   5 another File Dump message (F0 7E dd value F7), 6 the user presses Cancel in the open
//   progress box, 7 the message thread handles what has been posted so far.
//
// Besides what the sanitizers see: the packets sent, resends left out, are exactly the payload's
// chunks in order, nothing but identity requests follows EOF, and EOF comes only after the
// last chunk.
#include "fuzz/FuzzEditor.h"

#include <algorithm>

namespace
{
using namespace orvane::fuzz;
namespace filedump = orvane::filedump;

constexpr int maxPayload = 1200;

bool isDataPacket (const Bytes& m) { return m.size() > 5 && m[1] == 0x7E && m[3] == 0x07 && m[4] == 0x02; }
bool isEndOfFile (const Bytes& m) { return m == Bytes { 0xF0, 0x7E, 0x00, 0x7B, 0x00, 0xF7 }; }
bool isIdentityRequest (const Bytes& m) { return m == Bytes { 0xF0, 0x7D, 0x1E, 0x06, 0x01, 0xF7 }; }

void checkTransfer (const std::vector<Bytes>& sent, const uint8_t* payload, int payloadSize)
{
    int chunks = 0;
    bool endOfFile = false;
    const Bytes* previousPacket = nullptr;
    for (const auto& m : sent)
    {
        if (endOfFile && ! isIdentityRequest (m))
            fail ("something but an identity request was sent after EOF");
        if (isEndOfFile (m))
        {
            if (chunks * filedump::maxChunkSize < payloadSize)
                fail ("EOF before the last chunk");
            endOfFile = true;
        }
        if (! isDataPacket (m))
            continue;
        if (previousPacket != nullptr && *previousPacket == m)
            continue;   // a resend after a NAK

        const int offset = chunks * filedump::maxChunkSize;
        if (offset >= payloadSize)
            fail ("a packet beyond the payload");
        const int n = std::min (filedump::maxChunkSize, payloadSize - offset);
        if (m != bytesOf (*filedump::dataPacket ((uint8_t) chunks, payload + offset, n)))
            fail ("a packet is not the payload's next chunk");
        ++chunks;
        previousPacket = &m;
    }
}

void pressCancel (FuzzEditor& editor)
{
    if (auto* box = Access::messageBox (*editor))
        if (box->isCurrentlyModal (false) && box->getNumButtons() == 1)
            box->exitModalState (2);
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;

    static uint8_t payload[maxPayload];
    const int payloadSize = (data[0] | (data[1] << 8)) % maxPayload;
    for (int i = 0; i < payloadSize; ++i)
        payload[i] = (uint8_t) (i * 151 + data[2]);

    FuzzEditor editor;
    Access::connected (*editor) = true;
    orvane::tonewheel::Contents contents;
    contents.payload = payload;
    contents.payloadSize = payloadSize;
    Access::beginUpload (*editor, 3 + data[2] % 3, contents);

    for (size_t i = 3; i + 1 < size; i += 2)
    {
        const uint8_t op = data[i];
        const uint8_t value = data[i + 1] & 0x7F;
        const uint8_t device = op >> 3;
        static constexpr uint8_t kinds[] = { 0x7F, 0x7E, 0x7D, 0x7C, 0x7B };
        switch (op & 7)
        {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            {
                const Bytes m { 0xF0, 0x7E, device, kinds[op & 7], value, 0xF7 };
                Access::receive (*editor, midi (m));
                break;
            }
            case 5:
            {
                const Bytes m { 0xF0, 0x7E, device, value, 0xF7 };
                Access::receive (*editor, midi (m));
                break;
            }
            case 6:
                pressCancel (editor);
                editor.settle();
                break;
            default: editor.settle(); break;
        }
    }
    editor.settle();

    const auto sent = editor.sent();
    checkWellFormed (sent);
    checkTransfer (sent, payload, payloadSize);
    return 0;
}
