#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Makes a real double-click on a bar slider return it to its double-click value.

    A bar slider's value box is the framework's editable label laid over the whole bar: the
    first click of a double-click opens its text editor, and the second click lands in that
    editor, so the slider itself never sees the double-click. Added to a slider as a mouse
    listener for all its nested children, this object notices a double-click whose first press
    fell on the bar and whose second fell into the editor that the first one opened; it closes
    the editor unchanged and lets the slider handle the double-click as its own. A single click
    still opens the value for typing, a drag still moves the bar, and a double-click inside an
    editor that was already open still selects a word. One object serves every slider. */
class SliderDoubleClick : public juce::MouseListener
{
public:
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;

private:
    bool firstPressOnBar = false;
};
