// The panel's controls and the parameter set: user edits are stored and sent at once; the
// organ's changes move only the controls that follow it between two full refreshes.
#include "editor/MainContentComponent.h"

#include "organ/ParameterMapping.h"
#include "resources/OrganTables.h"
#include "resources/OverdrivePresets.h"

#include <cstdlib>

namespace
{
int parameterIndexOf (const juce::Component& control)
{
    return std::atoi (control.getComponentID().toRawUTF8());
}
}   // namespace

float MainContentComponent::paramToSliderValue (int index)
{
    return orvane::paramToSliderValue (index, projectImage.parameterValues,
                                       orvane::defaultRowFor (projectImage.hardwareRevision.load()));
}

void MainContentComponent::showSliderValue (juce::Slider& slider, double displayValue)
{
    // The stored parameter keeps whatever the organ or the file said; only what the slider
    // is given is made finite and brought into its range.
    slider.setValue (orvane::shownSliderValue (displayValue, slider.getMinimum(), slider.getMaximum()),
                     juce::dontSendNotification);
}

float MainContentComponent::sliderToParamValue (int index, float v)
{
    // Both chorus sliders drive parameters 31 and 34, whichever of them moved.
    orvane::ChorusSliders chorus;
    if (auto* chorusMix = findSlidersForParameter (orvane::chorusMixParameter).getFirst())
        chorus = { chorusMix->getValue(), chorusLevelSlider.getValue() };

    return orvane::sliderToParamValue (index, v, chorus, orvane::defaultRowFor (projectImage.hardwareRevision.load()));
}

void MainContentComponent::sliderValueChanged (juce::Slider* slider)
{
    const auto targets = orvane::sliderTargetsFor (parameterIndexOf (*slider));
    const auto v = (float) slider->getValue();

    // Every value is stored before the first send.
    for (int parameter : targets.stored)
        projectImage.setValue (parameter, sliderToParamValue (parameter, v));

    for (int parameter : targets.sent)
        sendFloatParameter (&midiOutput, parameter, projectImage.getValue (parameter));
}

void MainContentComponent::comboBoxChanged (juce::ComboBox* comboBox)
{
    const int index = parameterIndexOf (*comboBox);
    const int item = comboBox->getSelectedItemIndex();

    if (index == orvane::classicOverdriveModelParameter || index == orvane::rockOverdriveModelParameter)
    {
        // An Overdrive Model selector writes its preset into seven parameters, sending each
        // right after storing it. Only the changed selector (the one shown) is read; without
        // a selection there is no preset to write.
        if (! juce::isPositiveAndBelow (item, orvane::numOverdrivePresets))
            return;

        for (int k = 0; k < orvane::overdrivePresetSize; ++k)
        {
            projectImage.setValue (index + k, orvane::overdrivePresets[item][k]);
            sendParameter ((uint8_t) (index + k));
        }
        return;
    }

    // The Additional Functions selectors: the value is the item's position.
    if (index < orvane::firstByteParameter || index >= orvane::numParameters || item < 0)
        return;

    projectImage.setValue (index, (float) item);
    sendParameter ((uint8_t) index);
}

void MainContentComponent::showChoice (int index)
{
    if (auto* comboBox = findComboBoxForParameter (index))
    {
        const int position = orvane::selectorPositionFor (projectImage.getValue (index));
        comboBox->setSelectedId (comboBox->getItemId (position), juce::dontSendNotification);   // id 0: none
    }
}

void MainContentComponent::updateControlForParameter (int index)
{
    if (index == orvane::toneControlPositionParameter)
    {
        if (auto* toneControl = findSlidersForParameter (index).getFirst())
            showSliderValue (*toneControl, projectImage.getValue (index));
    }
    else if (index >= orvane::firstByteParameter && index < orvane::numParameters)
    {
        showChoice (index);
    }
}

void MainContentComponent::renameTonewheelSlotItem (int slot)
{
    auto* tonewheelModel = findComboBoxForParameter (orvane::tonewheelModelParameter);
    const int itemId = slot + 1;
    if (tonewheelModel == nullptr || ! juce::isPositiveAndBelow (slot, orvane::numSlots)
        || tonewheelModel->indexOfItemId (itemId) < 0)
        return;

    // Renaming leaves the shown text as it was, and a selector whose text is no longer its
    // item's counts as showing none; choosing the renamed item again, unheard by the
    // listeners, shows the new name and keeps it selected.
    const bool selected = tonewheelModel->getSelectedId() == itemId;
    tonewheelModel->changeItemText (itemId, getTonewheelSlotName (slot));
    if (selected)
        tonewheelModel->setSelectedId (itemId, juce::dontSendNotification);
}
