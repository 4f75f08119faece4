// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

void MainContentComponent::handleFileDumpHandshake (const juce::MidiMessage&) {}
void MainContentComponent::cancelTonewheelUpload() {}
// Until their actions are built, these buttons refuse the click and switch back.
void MainContentComponent::tonewheelButtonClicked() { switchButtonOff (tonewheelButton); }
void MainContentComponent::handleTonewheelTransferStatus (int) {}
