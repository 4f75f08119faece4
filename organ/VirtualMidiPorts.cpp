#include "organ/MidiPorts.h"

namespace orvane
{
namespace
{
    class NoPorts final : public MidiPortSystem
    {
    public:
        juce::StringArray getInputNames() override { return {}; }
        juce::StringArray getOutputNames() override { return {}; }
        std::unique_ptr<MidiInputPort> openInput (int, juce::MidiInputCallback*) override { return nullptr; }
        std::unique_ptr<MidiOutputPort> openOutput (int) override { return nullptr; }
    };
} // namespace

std::unique_ptr<MidiPortSystem> createVirtualMidiPorts (const juce::File&)
{
    return std::make_unique<NoPorts>();
}
} // namespace orvane
