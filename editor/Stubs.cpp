// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

void MainContentComponent::sliderValueChanged (juce::Slider*) {}
void MainContentComponent::comboBoxChanged (juce::ComboBox*) {}
void MainContentComponent::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&) {}
void MainContentComponent::handleFileDumpHandshake (const juce::MidiMessage&) {}
void MainContentComponent::handleIdentityReply (const uint8_t*) {}
void MainContentComponent::connectButtonClicked() {}
void MainContentComponent::searchStep() {}
void MainContentComponent::receiveTimeout() {}
void MainContentComponent::watchdogTimeout() {}
void MainContentComponent::cancelSearch() {}
void MainContentComponent::handleOperationComplete() {}
void MainContentComponent::showDeviceCheckError (int) {}
void MainContentComponent::setConnected (bool) {}
void MainContentComponent::renameTonewheelSlotItem (int) {}
void MainContentComponent::updateControlForParameter (int) {}
void MainContentComponent::updateAllControls() {}
void MainContentComponent::showSection (int, bool) {}
void MainContentComponent::sectionOrSubPageClicked (juce::Button*) {}
float MainContentComponent::paramToSliderValue (int) { return 0.0f; }
float MainContentComponent::sliderToParamValue (int, float v) { return v; }
void MainContentComponent::readSettings() {}
void MainContentComponent::writeSettings() {}
int MainContentComponent::showMessageBox (const juce::String&, const juce::String&, const juce::String&, int,
                                          const juce::String&, int, void (*) (int, void*)) { return 0; }
void MainContentComponent::closeMessageBox() {}
void MainContentComponent::messageBoxCallback (int, void*) {}
