#pragma once

#include <juce_core/juce_core.h>

namespace orvane
{
/** Factory values of the 99 parameters; row r serves an organ of hardware revision r and is
    the reference for converting some parameters to and from their controls. */
extern const float defaultParameterValues[2][99];

extern const char modelNames[4][16];
extern const char revisionNames[2][16];
extern const char slotNamePrefixes[6][16];

/** The tonewheel names the six slots carry before the organ has sent its own. */
extern const char factorySlotNames[6][32];

/** Table lookups guarded against identity values outside the tables (an identity reply or a
    project file can bring any number): a name outside its table is empty, and a revision
    other than 0 or 1 converts with row 0. */
juce::String modelNameFor (int modelIndex);
juce::String revisionNameFor (int hardwareRevision);
const float* defaultRowFor (int hardwareRevision);
} // namespace orvane
