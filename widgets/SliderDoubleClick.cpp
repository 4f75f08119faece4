#include "widgets/SliderDoubleClick.h"

namespace
{
bool landedInTextEditor (const juce::MouseEvent& e)
{
    return dynamic_cast<juce::TextEditor*> (e.originalComponent) != nullptr;
}
}   // namespace

void SliderDoubleClick::mouseDown (const juce::MouseEvent& e)
{
    // The later presses of a multiple click keep what the first one found.
    if (e.getNumberOfClicks() == 1)
        firstPressOnBar = ! landedInTextEditor (e);
}

void SliderDoubleClick::mouseDoubleClick (const juce::MouseEvent& e)
{
    // A second press on the bar itself reaches the slider through the framework already.
    if (! firstPressOnBar || ! landedInTextEditor (e))
        return;

    firstPressOnBar = false;

    if (auto* slider = e.originalComponent->findParentComponentOfClass<juce::Slider>())
    {
        const auto onSlider = e.getEventRelativeTo (slider);
        slider->hideTextBox (true);   // deletes the editor that took the second press
        slider->mouseDoubleClick (onSlider);
    }
}
