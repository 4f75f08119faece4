#pragma once

#include "resources/OrganTables.h"

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace orvane
{
constexpr int firstByteParameter = 85;   // 85..98 travel as one data byte

/** The editor's copy of the organ's parameter set and identity: at the same time the content
    of a project file (416 bytes, little-endian, no padding). Model, revision and values are
    written by the MIDI input thread and read by the message thread, so each is an atomic. */
struct ProjectImage
{
    static constexpr uint32_t magicNumber = 0x27071963;   // also marks tonewheel files
    static constexpr uint32_t formatVersion = 1;
    static constexpr int byteSize = 416;
    static constexpr int valuesOffset = 20;

    uint32_t magic = magicNumber;
    uint32_t version = formatVersion;
    std::atomic<int32_t> modelIndex { 0 };
    std::atomic<int32_t> hardwareRevision { 0 };
    uint32_t parameterCount = numParameters;
    std::array<std::atomic<float>, numParameters> parameterValues {};

    ProjectImage();

    /** Header constants, model 0, revision 0 and row 0 of the default table. */
    void setToFactoryState();

    float getValue (int index) const { return parameterValues[(size_t) index].load(); }
    void setValue (int index, float value) { parameterValues[(size_t) index].store (value); }

    /** The 416 bytes of a project file, written field by field. */
    juce::MemoryBlock toBytes() const;
};

/** Little-endian readers for the project and tonewheel file layouts. */
uint32_t readUInt32LE (const uint8_t* bytes);
float readFloatLE (const uint8_t* bytes);
}   // namespace orvane
