#include "editor/MainContentComponent.h"
#include "organ/FileDump.h"

#include <functional>

// MIDI input thread only. Changes no field, so a second call resends the same packet.
void MainContentComponent::sendTonewheelPacket()
{
    if (! midiOutput.isOpen())
        return;

    // The chunk must lie inside the upload buffer, whatever the upload fields hold.
    const auto* first = uploadBuffer.get();
    const auto* lastStart = first + orvane::filedump::maxTonewheelFileSize - chunkSize;
    if (uploadCursor == nullptr || std::less<> {}(uploadCursor, first) || std::less<> {}(lastStart, uploadCursor))
        return;

    if (const auto packet = orvane::filedump::dataPacket (packetNumber, uploadCursor, chunkSize))
        midiOutput.send (*packet);
}
