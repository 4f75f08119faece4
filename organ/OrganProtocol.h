#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>

/** The organ's own System Exclusive command set (F0 7D 1E command payload F7), as pure
    functions that build and decode its messages. */
namespace orvane::protocol
{
juce::MidiMessage setFloatParameter (int index, float value);
juce::MidiMessage setByteParameter (int index, float value);
} // namespace orvane::protocol
