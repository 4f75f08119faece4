#include "organ/OrganProtocol.h"

#include <cstring>

namespace orvane::protocol
{
juce::MidiMessage setFloatParameter (int index, float value)
{
    uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));
    const uint8_t bytes[] = { 0xF0, 0x7D, 0x1E, 0x01,
                              (uint8_t) (index & 0x7F), (uint8_t) ((index >> 7) & 0x7F),
                              (uint8_t) (bits & 0x7F), (uint8_t) ((bits >> 7) & 0x7F),
                              (uint8_t) ((bits >> 14) & 0x7F), (uint8_t) ((bits >> 21) & 0x7F),
                              (uint8_t) (bits >> 28), 0xF7 };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}

juce::MidiMessage setByteParameter (int index, float value)
{
    const uint8_t bytes[] = { 0xF0, 0x7D, 0x1E, 0x02, (uint8_t) (index - 85), (uint8_t) (int32_t) value, 0xF7 };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}
} // namespace orvane::protocol
