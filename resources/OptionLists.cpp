#include "resources/OptionLists.h"

namespace orvane
{
// Row r selects row r of the overdrive presets.
const OptionRow overdriveModelOptions[8] = {
    "STANDARD CLASSIC",
    "STANDARD ROCK",
    "NRS CLASSIC",
    "NRS ROCK",
    "CLASSIC 1.2",
    "ROCK 1.2",
    "ANALOG",
    "CRUNCH",
};

// Only the texts the items are created with: the organ's slot names replace them.
const OptionRow tonewheelModelOptions[6] = {
    "TONEWHEEL '30",
    "TONEWHEEL '50",
    "TONEWHEEL '70",
    "TONEWHEEL BC_1936",
    "TONEWHEEL B3_1956",
    "TONEWHEEL A100_1961",
};

const OptionRow offOnOptions[2] = { "OFF", "ON" };
const OptionRow usbMidiModeOptions[2] = { "EXPANDER", "SEQUENCER" };
const OptionRow pedalsToLowerOptions[2] = { "SPLIT", "LAYER" };
const OptionRow analogInputRoutingOptions[2] = { "PRE EFX", "POST EFX" };
const OptionRow fxSendRoutingOptions[2] = { "WHOLE ORGAN", "UPPER MANUAL" };
const OptionRow reverbRoutingOptions[2] = { "POST ROTARY", "PRE ROTARY" };
const OptionRow expressionPedalMinOptions[2] = { "MUTE", "NORMAL" };
const OptionRow holdPedalModeOptions[2] = { "INT & EXT", "EXTERNAL" };
const OptionRow rotaryPedalModeOptions[2] = { "TOGGLE", "MOMENTARY" };
}   // namespace orvane
