#include "editor/MainContentComponent.h"
#include "organ/OrganProtocol.h"

void MainContentComponent::sendToOrgan (const juce::MidiMessage& message)
{
    midiOutput.send (message);
}

void MainContentComponent::sendParameter (uint8_t index)
{
    if (index >= orvane::numParameters)
        return;

    const float value = projectImage.getValue (index);
    if (index < orvane::firstByteParameter)
        sendFloatParameter (&midiOutput, index, value);
    else if (midiOutput.isOpen())
        sendToOrgan (orvane::protocol::setByteParameter (index, value));
}

void MainContentComponent::sendFloatParameter (orvane::OrganOutput* output, int index, float value)
{
    if (output != nullptr && output->isOpen())
        output->send (orvane::protocol::setFloatParameter (index, value));
}
