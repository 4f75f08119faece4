#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A parameter slider of the panel: the framework's slider without its key handling.

    The panel's sliders take no keys: the mouse moves them and the value box takes typed
    values. The framework's slider steps its value with the arrow keys whenever it or its value
    box has the keyboard focus, and the value box of a bar slider wants the focus: a page's
    focus request, or a click on a bar, would otherwise hand the arrow keys an edit that is
    sent to the organ with nothing on screen to show where they go. Keys reach the value
    box's text editor while a value is being typed, as before. */
class ParameterSlider : public juce::Slider
{
public:
    bool keyPressed (const juce::KeyPress&) override { return false; }
};
