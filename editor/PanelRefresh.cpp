// The full refresh: every control from the stored organ state, without notification, so
// nothing is sent to the organ.
#include "editor/MainContentComponent.h"

#include "organ/ParameterMapping.h"
#include "resources/OrganTables.h"
#include "resources/OverdrivePresets.h"

void MainContentComponent::updateAllControls()
{
    for (int slot = 0; slot < orvane::numSlots; ++slot)
        renameTonewheelSlotItem (slot);

    uploadMenu.clear();
    for (int slot = orvane::firstUploadSlot; slot < orvane::numSlots; ++slot)
        uploadMenu.addItem (slot, "Upload to " + getTonewheelSlotName (slot), true, false);

    refreshSliders();

    // The overdrive model is found back from the first and seventh of its seven parameters.
    for (int first : { orvane::classicOverdriveModelParameter, orvane::rockOverdriveModelParameter })
        if (auto* overdriveModel = findComboBoxForParameter (first))
        {
            const int row = orvane::findOverdrivePreset (projectImage.getValue (first), projectImage.getValue (first + 6));
            overdriveModel->setSelectedId (overdriveModel->getItemId (row), juce::dontSendNotification);
        }

    // Last, since switching away from the Additional Functions page shows another page.
    auto& functionsButton = sectionButtons[orvane::additionalFunctionsSection];
    if (projectImage.modelIndex.load() == orvane::modelWithoutAdditionalFunctions)
    {
        functionsButton.setVisible (false);
        if (currentSection == orvane::additionalFunctionsSection)
            sectionButtons[orvane::toneGeneratorSection].setToggleState (true, juce::sendNotification);
        return;
    }

    functionsButton.setVisible (true);
    for (int index = orvane::firstByteParameter; index < orvane::numParameters; ++index)
        showChoice (index);
}

void MainContentComponent::refreshSliders()
{
    for (int r = 0; r < orvane::numSectionRows; ++r)
        for (int column = 0; column < orvane::sectionRows[(size_t) r].columns(); ++column)
            if (auto* slider = sliderForRow (r, column); slider != nullptr && slider != &chorusLevelSlider)
                showSliderValue (*slider, paramToSliderValue (orvane::sectionRows[(size_t) r].parameterOfColumn (column)));

    // Chorus Level from the Mix that the slider shows after clamping and snapping, so that
    // the pair gives back the stored parameter 31.
    if (auto* chorusMix = findSlidersForParameter (orvane::chorusMixParameter).getFirst())
        showSliderValue (chorusLevelSlider,
                         orvane::chorusLevelSliderValue (projectImage.getValue (orvane::chorusMixParameter), chorusMix->getValue(),
                                                         orvane::defaultRowFor (projectImage.hardwareRevision.load())));
}
