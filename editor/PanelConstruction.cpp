#include "editor/MainContentComponent.h"

#include "resources/OrganTables.h"

MainContentComponent::MainContentComponent()
    : midiPorts (orvane::createMidiPortsFromEnvironment())
{
    readSettings();
    projectImage.setToFactoryState();
    lastDirectory = juce::File::getSpecialLocation (juce::File::currentApplicationFile).getParentDirectory();
    setSize (1024, 685);

    for (int slot = 0; slot < orvane::numSlots; ++slot)
        tonewheelSlotNames[(size_t) slot] = juce::String (orvane::slotNamePrefixes[slot]) + orvane::factorySlotNames[slot];
}
