#pragma once

#include "organ/FileDump.h"

#include <juce_core/juce_core.h>

#include <cstdint>
#include <optional>

/** The tonewheel file (.OTW): a 64-byte head (magic, 28 unused bytes, the 32-byte name) and
    the payload that goes to the organ in File Dump packets, at most 1 MiB in all. */
namespace orvane::tonewheel
{
constexpr int nameOffset = 32;
constexpr int headSize = 64;

/** True for a name ending in ".otw" in any case; false without an extension. */
bool hasTonewheelExtension (const juce::File& file);

struct Contents
{
    filedump::NameField name {};
    const uint8_t* payload = nullptr;   // points into the bytes given to readContents
    int payloadSize = 0;
};

/** The name and payload of a file's bytes, or nothing for a corrupted file: a wrong magic,
    more than 1 MiB, or too short to hold the head. */
std::optional<Contents> readContents (const void* data, size_t size);
}   // namespace orvane::tonewheel
