#include "editor/MainContentComponent.h"
#include "organ/OrganProtocol.h"
#include "resources/OrganTables.h"

#include <algorithm>

namespace protocol = orvane::protocol;

// Runs on the MIDI input thread: writes the organ's data, then tells the message thread.
void MainContentComponent::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    const auto* bytes = message.getRawData();
    const int size = message.getRawDataSize();
    if (size < 2 || bytes[0] != protocol::sysExStart)
        return;

    // F0, the buffer's positions 1.., F7. A longer message is dropped whole rather than cut:
    // none of the organ's messages comes near that length, and a cut one would pass for whole.
    if (size > (int) receiveBuffer.size() + 1)
        return;
    std::copy (bytes + 1, bytes + size - 1, receiveBuffer.begin() + 1);

    if (bytes[1] == protocol::universalNonRealTime)
    {
        handleFileDumpHandshake (message);
        return;
    }

    // While a download, store or reset is pending the data changes silently; the full refresh
    // that follows shows it.
    const auto postWhileIdle = [this] (int type, int param)
    {
        if (pendingOperation.load() == noOperation)
            post (type, param);
    };

    using Kind = protocol::OrganMessage::Kind;
    const auto received = protocol::decodeOrganMessage (bytes, size);
    switch (received.kind)
    {
        case Kind::parameter:
            projectImage.setValue (received.number, received.value);
            postWhileIdle (InternalMessage::parameterChanged, received.number);
            break;

        case Kind::operationComplete:
            // Tagged with the search whose input delivers it: CONNECT advances the search only
            // once the old input is gone, so an answer to an older search's step keeps its tag.
            post (InternalMessage::operationComplete, (int32_t) searchGeneration.load());
            break;

        case Kind::identityReply:
            handleIdentityReply (protocol::decodeIdentityReply (receiveBuffer.data()));
            break;

        case Kind::slotName:
        {
            const auto slot = (size_t) received.number;
            {
                const juce::ScopedLock sl (textLock);
                tonewheelSlotNames[slot] = juce::String (orvane::slotNamePrefixes[slot]) + received.name;
            }
            postWhileIdle (InternalMessage::slotNameChanged, received.number);
            break;
        }

        case Kind::ignored:
            break;
    }
}
