#pragma once

#include <juce_core/juce_core.h>

#include <optional>

namespace orvane
{
/** The content of a file the editor opens (a project, a tonewheel file), read without ever
    blocking and never beyond `limit` + 1 bytes, so that the caller still sees a file longer
    than its format allows, whatever size the file system reported or the file grew to.
    Nothing when the name (after following links) is not a regular file (a FIFO, a device, a
    folder), cannot be opened, or a read fails part-way: a failed read is never taken for a
    shorter file. */
std::optional<juce::MemoryBlock> readRegularFile (const juce::File& file, size_t limit);
}   // namespace orvane
