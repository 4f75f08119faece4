#pragma once

#include <juce_core/juce_core.h>

namespace orvane
{
/** The texts of the organ's File Dump error codes 0..5. */
extern const char* const deviceErrorTexts[6];

/** The text for an error code; a code outside the table gets a text naming the code. */
juce::String deviceErrorTextFor (int code);
}   // namespace orvane
