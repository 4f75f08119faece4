#pragma once

#include <juce_graphics/juce_graphics.h>

/** The colours of the panel, shared by its construction and the set-up of its widgets. */
namespace orvane::panel
{
inline const juce::Colour textColour (0xFF2D2D2D);
inline const juce::Colour headingBandColour (0xFFF8F8F8);
inline const juce::Colour fieldColour (0xFFF1F1F1);
inline const juce::Colour outlineColour (0xFFCCCCCC);
inline const juce::Colour accentColour (0xFF7BB9F8);
inline const juce::Colour listColour (0xFFFEFEFE);
}   // namespace orvane::panel
