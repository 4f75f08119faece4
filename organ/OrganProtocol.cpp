#include "organ/OrganProtocol.h"

#include "organ/FloatBits.h"
#include "organ/ProjectImage.h"

#include <algorithm>
#include <vector>

namespace orvane::protocol
{
namespace
{
juce::MidiMessage shortCommand (Command command, uint8_t argument)
{
    const uint8_t bytes[] = { sysExStart, manufacturerId, familyId, command, argument, sysExEnd };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}

bool isParameterIndex (int index)
{
    return juce::isPositiveAndBelow (index, numParameters);
}

OrganMessage parameter (int index, float value)
{
    if (! isParameterIndex (index))
        return {};
    return { OrganMessage::Kind::parameter, index, value, {} };
}

OrganMessage slotNameMessage (const uint8_t* message, int size)
{
    const int slot = message[4];
    if (slot >= numSlots)
        return {};
    const auto name = decodeSlotName (message, size);
    if (! name.has_value())
        return {};
    return { OrganMessage::Kind::slotName, slot, 0.0f, *name };
}
}   // namespace

juce::MidiMessage setFloatParameter (int index, float value)
{
    const uint32_t bits = floatBits (value);
    const uint8_t bytes[] = { sysExStart, manufacturerId, familyId, setParameterFloat,
                              (uint8_t) (index & 0x7F), (uint8_t) ((index >> 7) & 0x7F),
                              (uint8_t) (bits & 0x7F), (uint8_t) ((bits >> 7) & 0x7F),
                              (uint8_t) ((bits >> 14) & 0x7F), (uint8_t) ((bits >> 21) & 0x7F),
                              (uint8_t) (bits >> 28), sysExEnd };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}

juce::MidiMessage setByteParameter (int index, float value)
{
    const uint8_t bytes[] = { sysExStart, manufacturerId, familyId, setParameterByte,
                              (uint8_t) ((index - firstByteParameter) & 0x7F), byteFormValue (value), sysExEnd };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}

uint8_t byteFormValue (float value)
{
    // Compared as a float first: converting NaN or a huge value to an integer is undefined.
    if (! (value > 0.0f))
        return 0;
    if (value >= 127.0f)
        return 127;
    return (uint8_t) (int32_t) value;
}

juce::MidiMessage storeRequest() { return shortCommand (storeAll, 0x00); }
juce::MidiMessage dumpRequestFor (DumpPart part) { return shortCommand (dumpRequest, part); }
juce::MidiMessage identityRequestMessage() { return shortCommand (identityRequest, 0x01); }
juce::MidiMessage resetRequest() { return shortCommand (resetAll, 0x00); }
juce::MidiMessage bulkSendBegin() { return shortCommand (bulkSend, 0x01); }
juce::MidiMessage bulkSendEnd() { return shortCommand (bulkSend, 0x00); }

int decodeIndex (uint8_t low, uint8_t high)
{
    return (low & 0x7F) | ((high & 0x7F) << 7);
}

float decodeFloat (const uint8_t* septets)
{
    const uint32_t bits = (uint32_t) (septets[0] & 0x7F)
        | (uint32_t) (septets[1] & 0x7F) << 7
        | (uint32_t) (septets[2] & 0x7F) << 14
        | (uint32_t) (septets[3] & 0x7F) << 21
        | (uint32_t) septets[4] << 28;
    return floatFromBits (bits);
}

IdentityReply decodeIdentityReply (const uint8_t* message)
{
    return { message[4], message[5], message[6], message[7], message[8] + message[9] };
}

std::optional<juce::String> decodeSlotName (const uint8_t* message, int size)
{
    const auto* first = message + 5;
    const auto* last = message + size - 1;   // the F7: the name must end before it
    const auto* end = first < last ? std::find (first, last, 0) : last;
    if (end == last)
        return std::nullopt;

    std::vector<juce::juce_wchar> latin1 (first, end);   // Latin-1 is the first 256 code points
    return juce::String (juce::CharPointer_UTF32 (latin1.data()),
                         juce::CharPointer_UTF32 (latin1.data() + latin1.size()));
}

OrganMessage decodeOrganMessage (const uint8_t* message, int size)
{
    if (size < operationCompleteLength || message[0] != sysExStart
        || message[1] != manufacturerId || message[2] != familyId)
        return {};

    switch (message[3])
    {
        case setParameterFloat:
            if (size < floatParameterLength)
                return {};
            return parameter (decodeIndex (message[4], message[5]), decodeFloat (message + 6));

        case setParameterByte:
            if (size < byteParameterLength)
                return {};
            return parameter (firstByteParameter + message[4], (float) message[5]);

        case operationComplete:
            return { OrganMessage::Kind::operationComplete, 0, 0.0f, {} };

        case identityReply:
            if (size < identityReplyLength)
                return {};
            return { OrganMessage::Kind::identityReply, 0, 0.0f, {} };

        case slotName:
            if (size < slotNameMinimumLength)
                return {};
            return slotNameMessage (message, size);

        default:
            return {};
    }
}
}   // namespace orvane::protocol
