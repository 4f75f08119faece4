#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>

namespace orvane::test
{
/** The widgets below `parent` that show what they cannot hold, one line each: a slider whose
    value is not finite or lies outside its range, a selector whose item is not one of its own.
    Empty when every widget is sound. */
inline juce::StringArray widgetsShowingWhatTheyCannotHold (juce::Component& parent)
{
    juce::StringArray faults;
    for (auto* child : parent.getChildren())
    {
        if (auto* slider = dynamic_cast<juce::Slider*> (child))
        {
            const double value = slider->getValue();
            if (! std::isfinite (value) || value < slider->getMinimum() || value > slider->getMaximum())
                faults.add ("slider " + slider->getComponentID() + " shows " + juce::String (value) + " outside "
                            + juce::String (slider->getMinimum()) + ".." + juce::String (slider->getMaximum()));
        }
        if (auto* comboBox = dynamic_cast<juce::ComboBox*> (child))
            if (! juce::isPositiveAndBelow (comboBox->getSelectedItemIndex() + 1, comboBox->getNumItems() + 1))
                faults.add ("selector " + comboBox->getComponentID() + " shows item "
                            + juce::String (comboBox->getSelectedItemIndex()));
        faults.addArray (widgetsShowingWhatTheyCannotHold (*child));
    }
    return faults;
}
}   // namespace orvane::test
