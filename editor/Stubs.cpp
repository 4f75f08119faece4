// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

void MainContentComponent::sliderValueChanged (juce::Slider*) {}
void MainContentComponent::comboBoxChanged (juce::ComboBox*) {}
void MainContentComponent::handleFileDumpHandshake (const juce::MidiMessage&) {}
void MainContentComponent::renameTonewheelSlotItem (int) {}
void MainContentComponent::updateControlForParameter (int) {}
void MainContentComponent::updateAllControls() {}
float MainContentComponent::paramToSliderValue (int) { return 0.0f; }
float MainContentComponent::sliderToParamValue (int, float v) { return v; }
void MainContentComponent::cancelTonewheelUpload() {}
