// The organ message decoders and the file readers, as pure functions: the input is at the same
// time a message from the organ, a File Dump handshake, a project file and a tonewheel file.
// Besides what the sanitizers see, every decoded field must lie where its tables can take it,
// and what the editor builds from the input's first bytes must decode back to the same value.
#include "organ/FileDump.h"
#include "organ/FloatBits.h"
#include "organ/Identity.h"
#include "organ/OrganProtocol.h"
#include "organ/ProjectFile.h"
#include "organ/TonewheelFile.h"
#include "resources/OrganTables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
namespace protocol = orvane::protocol;

[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "FINDING: %s\n", what);
    std::abort();
}

void checkSysEx (const juce::MidiMessage& message)
{
    const auto* bytes = message.getRawData();
    const int size = message.getRawDataSize();
    if (size < 2 || bytes[0] != 0xF0 || bytes[size - 1] != 0xF7)
        fail ("a built message is not a whole System Exclusive message");
    for (int i = 1; i < size - 1; ++i)
        if (bytes[i] >= 0x80)
            fail ("a built message carries a status byte inside");
}

void decodeOrganMessage (const uint8_t* data, int size)
{
    using Kind = protocol::OrganMessage::Kind;
    const auto decoded = protocol::decodeOrganMessage (data, size);
    switch (decoded.kind)
    {
        case Kind::parameter:
            if (! juce::isPositiveAndBelow (decoded.number, orvane::numParameters))
                fail ("a parameter index outside the parameter set was taken");
            break;

        case Kind::slotName:
            if (! juce::isPositiveAndBelow (decoded.number, orvane::numSlots))
                fail ("a slot outside the six was taken");
            break;

        case Kind::identityReply:
        {
            // What the identification does with a reply: the refusal test, then the tables.
            const auto reply = protocol::decodeIdentityReply (data);
            const int32_t model = orvane::identity::modelIndexOf (reply);
            const int32_t revision = reply.revision;
            if (orvane::identity::refusalReason (reply.protocolLevel, model, revision) == orvane::identity::accepted)
            {
                orvane::modelNameFor (model);
                orvane::revisionNameFor (revision);
                orvane::defaultRowFor (revision);
            }
            orvane::identity::firmwareText (reply);
            break;
        }

        case Kind::operationComplete:
        case Kind::ignored:
            break;
    }
}

void readHandshake (const uint8_t* data, int size)
{
    // The reception hands over only System Exclusive messages whose byte 1 is 7E.
    if (size < 2 || data[0] != 0xF0 || data[1] != protocol::universalNonRealTime)
        return;
    orvane::filedump::readHandshake (juce::MidiMessage (data, size));
}

void readProjectFile (const uint8_t* data, size_t size)
{
    const auto content = orvane::readProjectFile (data, size);
    if (! content)
        return;

    orvane::ProjectImage image;
    for (bool takeIdentity : { false, true })
        orvane::applyProjectFile (*content, image, takeIdentity);
    if (image.toBytes().getSize() != (size_t) orvane::ProjectImage::byteSize)
        fail ("a project image is not 416 bytes");
}

void readTonewheelFile (const uint8_t* data, size_t size)
{
    const auto contents = orvane::tonewheel::readContents (data, size);
    if (! contents)
        return;
    if (contents->payload != data + orvane::tonewheel::headSize || (size_t) contents->payloadSize + 64 != size)
        fail ("a tonewheel payload is not the file's bytes after its head");
    if (std::memcmp (contents->name.data(), data + orvane::tonewheel::nameOffset, contents->name.size()) != 0)
        fail ("a tonewheel name is not the file's bytes 32..63");
}

/** The editor's own messages for values taken from the input's first bytes. */
void buildMessages (const uint8_t* data, size_t size)
{
    if (size < 6)
        return;

    uint32_t bits = 0;
    std::memcpy (&bits, data, sizeof (bits));
    const float value = orvane::floatFromBits (bits);
    const int index = data[4] | (data[5] << 8);

    const auto floatForm = protocol::setFloatParameter (index, value);
    checkSysEx (floatForm);
    const auto floatBack = protocol::decodeOrganMessage (floatForm.getRawData(), floatForm.getRawDataSize());
    if ((index & 0x3FFF) < orvane::numParameters
        && (floatBack.number != (index & 0x3FFF) || orvane::floatBits (floatBack.value) != bits))
        fail ("a float-form parameter does not decode to what was sent");

    const int byteIndex = orvane::firstByteParameter + data[4] % (orvane::numParameters - orvane::firstByteParameter);
    const auto byteForm = protocol::setByteParameter (byteIndex, value);
    checkSysEx (byteForm);
    const auto byteBack = protocol::decodeOrganMessage (byteForm.getRawData(), byteForm.getRawDataSize());
    if (byteBack.number != byteIndex || byteBack.value != (float) protocol::byteFormValue (value))
        fail ("a byte-form parameter does not decode to what was sent");

    const int chunk = (int) std::min<size_t> (size, (size_t) orvane::filedump::maxChunkSize);
    if (const auto packet = orvane::filedump::dataPacket (data[0], data, chunk))
        checkSysEx (*packet);
    else
        fail ("no data packet for a chunk of 1..104 bytes");

    orvane::filedump::NameField name {};
    std::copy_n (data, std::min (size, name.size()), name.begin());
    checkSysEx (orvane::filedump::header (orvane::filedump::typeForSlot (3 + data[1] % 3), bits, name));
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const int messageSize = (int) std::min<size_t> (size, 1 << 20);
    decodeOrganMessage (data, messageSize);
    readHandshake (data, messageSize);
    readProjectFile (data, size);
    readTonewheelFile (data, size);
    buildMessages (data, size);
    return 0;
}
