#pragma once

#include <juce_core/juce_core.h>

namespace orvane
{
constexpr int numParameters = 99;
constexpr int numSlots = 6;          // tonewheel slots
constexpr int firstUploadSlot = 3;   // the three ALT slots take tonewheel uploads, the FAC ones never
constexpr int numModels = 4;
constexpr int numRevisions = 2;   // hardware revisions

/** The one model without the Additional Functions page: it has no parameters 85..98, so
    neither the panel, a project file nor the bulk send touches them. */
constexpr int modelWithoutAdditionalFunctions = 3;

/** The model whose Additional Functions page is shorter: it leaves out the rows marked
    hiddenOnModel2 and shows the rows with a model2Caption under that caption. */
constexpr int modelWithFewerFunctions = 2;

/** Parameters that the panel treats by their number (the page rows carry the same numbers). */
constexpr int toneControlPositionParameter = 5;   // the one slider that follows the organ's own changes
constexpr int chorusMixParameter = 31;            // carried by both the Chorus Mix and the Chorus Level slider
constexpr int tonewheelModelParameter = 97;       // its selector's items are the six slot names

/** Factory values of the 99 parameters; row r serves an organ of hardware revision r and is
    the reference for converting some parameters to and from their controls. */
extern const float defaultParameterValues[numRevisions][numParameters];

extern const char modelNames[numModels][16];
extern const char revisionNames[numRevisions][16];
extern const char slotNamePrefixes[numSlots][16];

/** The tonewheel names the six slots carry before the organ has sent its own. */
extern const char factorySlotNames[numSlots][32];

/** Table lookups guarded against identity values outside the tables (an identity reply or a
    project file can bring any number): a name outside its table is empty, and a revision
    other than 0 or 1 converts with row 0. */
juce::String modelNameFor (int modelIndex);
juce::String revisionNameFor (int hardwareRevision);
const float* defaultRowFor (int hardwareRevision);
}   // namespace orvane
