#pragma once

namespace orvane
{
/** The item texts of the panel's selectors: rows of 32 bytes, each a zero-terminated text.
    A selector gets one item per non-empty row, with item id = row number + 1, so the item
    with id 1 stands for parameter value 0. */
using OptionRow = char[32];

extern const OptionRow overdriveModelOptions[8];
extern const OptionRow tonewheelModelOptions[6];
extern const OptionRow offOnOptions[2];
extern const OptionRow usbMidiModeOptions[2];
extern const OptionRow pedalsToLowerOptions[2];
extern const OptionRow analogInputRoutingOptions[2];
extern const OptionRow fxSendRoutingOptions[2];
extern const OptionRow reverbRoutingOptions[2];
extern const OptionRow expressionPedalMinOptions[2];
extern const OptionRow holdPedalModeOptions[2];
extern const OptionRow rotaryPedalModeOptions[2];
}   // namespace orvane
