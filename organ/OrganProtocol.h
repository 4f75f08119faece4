#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <optional>

/** The organ's own System Exclusive command set (F0 7D 1E command payload F7), as pure
    functions that build and decode its messages. Every message built here carries only data
    bytes below 80 between its F0 and its F7, whatever the arguments. */
namespace orvane::protocol
{
constexpr uint8_t sysExStart = 0xF0;
constexpr uint8_t sysExEnd = 0xF7;
constexpr uint8_t manufacturerId = 0x7D;
constexpr uint8_t familyId = 0x1E;
constexpr uint8_t universalNonRealTime = 0x7E;

enum Command : uint8_t
{
    setParameterFloat = 0x01,
    setParameterByte = 0x02,
    storeAll = 0x03,
    dumpRequest = 0x04,
    operationComplete = 0x05,
    identityRequest = 0x06,
    identityReply = 0x07,
    resetAll = 0x08,
    slotName = 0x09,
    bulkSend = 0x0A
};

/** What a dump request asks for: the three steps of a download, in this order. */
enum DumpPart : uint8_t
{
    firstDump = 0x7D,
    secondDump = 0x7E,
    thirdDump = 0x7C
};

/** Whole lengths (F0 to F7) of the messages the organ sends; a shorter one is not taken. */
constexpr int floatParameterLength = 12;
constexpr int byteParameterLength = 7;
constexpr int operationCompleteLength = 5;
constexpr int identityReplyLength = 11;
constexpr int slotNameMinimumLength = 7;   // F0 7D 1E 09 s 00 F7: the empty name

//==============================================================================
// Messages the editor sends

/** 01: the value's 32 bits; only the index's low 14 bits are sent. */
juce::MidiMessage setFloatParameter (int index, float value);

/** 02: parameter `index` (85..98) as one data byte, see byteFormValue. */
juce::MidiMessage setByteParameter (int index, float value);

/** The data byte of a byte-form parameter: the value truncated toward zero and held to
    0..127, so a value that a project file or a float-form message brought in never puts a
    status byte inside the message (NaN and negative values give 0, 128 and above 127). */
uint8_t byteFormValue (float value);

juce::MidiMessage storeRequest();                   // 03 00
juce::MidiMessage dumpRequestFor (DumpPart part);   // 04 r
juce::MidiMessage identityRequestMessage();         // 06 01
juce::MidiMessage resetRequest();                   // 08 00
juce::MidiMessage bulkSendBegin();                  // 0A 01
juce::MidiMessage bulkSendEnd();                    // 0A 00

//==============================================================================
// Decoding what the organ sends

/** The 14-bit parameter index of two septets, low first (bit 7 of each byte ignored). */
int decodeIndex (uint8_t low, uint8_t high);

/** The float whose bit pattern the five septets s0..s4 carry, low first; only the low four
    bits of s4 count. Any pattern passes unchanged: signs, negative zero, NaN. */
float decodeFloat (const uint8_t* septets);

/** The fields of an identity reply, read from the bytes at message offsets 4..9. */
struct IdentityReply
{
    uint8_t protocolLevel = 0;
    uint8_t model = 0;
    uint8_t revision = 0;
    uint8_t releaseMajor = 0;
    int releaseMinor = 0;   // the sum of the two bytes that carry it, 0..510
};

IdentityReply decodeIdentityReply (const uint8_t* message);

/** The name that a slot-name message carries: its bytes from offset 5 up to the first 00,
    each a Latin-1 character. Nothing when the 00 is missing before the message's last byte. */
std::optional<juce::String> decodeSlotName (const uint8_t* message, int size);

/** One message from the organ, decoded from its whole bytes (F0 to F7). Messages that the
    editor does not take come out as `ignored`: other makers, commands it only sends or does
    not know, messages shorter than their command's layout, a parameter index outside the
    parameter set, a slot above 5, a slot name without its ending 00. */
struct OrganMessage
{
    enum class Kind
    {
        ignored,
        parameter,   // `number` takes `value`
        operationComplete,
        identityReply,   // its fields: decodeIdentityReply
        slotName         // slot `number` is called `name`
    };

    Kind kind = Kind::ignored;
    int number = 0;
    float value = 0.0f;
    juce::String name;
};

OrganMessage decodeOrganMessage (const uint8_t* message, int size);
}   // namespace orvane::protocol
