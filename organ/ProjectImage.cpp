#include "organ/ProjectImage.h"

#include "organ/FloatBits.h"

#include "resources/OrganTables.h"

namespace orvane
{
namespace
{
void writeUInt32LE (uint8_t* dest, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        dest[i] = (uint8_t) (value >> (8 * i));
}
}   // namespace

ProjectImage::ProjectImage()
{
    setToFactoryState();
}

void ProjectImage::setToFactoryState()
{
    magic = magicNumber;
    version = formatVersion;
    modelIndex = 0;
    hardwareRevision = 0;
    parameterCount = numParameters;
    for (int i = 0; i < numParameters; ++i)
        setValue (i, defaultParameterValues[0][i]);
}

juce::MemoryBlock ProjectImage::toBytes() const
{
    juce::MemoryBlock block ((size_t) byteSize, true);
    auto* out = static_cast<uint8_t*> (block.getData());
    writeUInt32LE (out + 0, magic);
    writeUInt32LE (out + 4, version);
    writeUInt32LE (out + 8, (uint32_t) modelIndex.load());
    writeUInt32LE (out + 12, (uint32_t) hardwareRevision.load());
    writeUInt32LE (out + 16, parameterCount);
    for (int i = 0; i < numParameters; ++i)
        writeUInt32LE (out + valuesOffset + 4 * i, floatBits (getValue (i)));
    return block;
}

uint32_t readUInt32LE (const uint8_t* bytes)
{
    return (uint32_t) bytes[0] | ((uint32_t) bytes[1] << 8) | ((uint32_t) bytes[2] << 16)
        | ((uint32_t) bytes[3] << 24);
}

float readFloatLE (const uint8_t* bytes)
{
    return floatFromBits (readUInt32LE (bytes));
}
}   // namespace orvane
