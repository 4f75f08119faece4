#include "organ/TonewheelFile.h"
#include "organ/ProjectImage.h"

#include <algorithm>

namespace orvane::tonewheel
{
bool hasTonewheelExtension (const juce::File& file)
{
    return file.getFileExtension().toUpperCase() == ".OTW";
}

std::optional<Contents> readContents (const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*> (data);

    // A short file still ends up as "corrupted" here, but no byte past its end is read.
    uint32_t magic = 0;
    for (size_t i = 0; i < 4 && i < size; ++i)
        magic |= (uint32_t) bytes[i] << (8 * i);

    if (magic != ProjectImage::magicNumber || size > (size_t) filedump::maxTonewheelFileSize || size < (size_t) headSize)
        return std::nullopt;

    Contents contents;
    std::copy (bytes + nameOffset, bytes + headSize, contents.name.begin());
    contents.payload = bytes + headSize;
    contents.payloadSize = (int) (size - headSize);
    return contents;
}
}   // namespace orvane::tonewheel
