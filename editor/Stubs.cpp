// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

void MainContentComponent::handleFileDumpHandshake (const juce::MidiMessage&) {}
void MainContentComponent::cancelTonewheelUpload() {}
