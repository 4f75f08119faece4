#include "midi/OrganOutput.h"

namespace orvane
{
void OrganOutput::send (const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (lock);
    if (port != nullptr)
        port->sendMessageNow (message);
}

bool OrganOutput::open (MidiPortSystem& ports, int index)
{
    close();
    {
        const juce::ScopedLock sl (lock);
        if (shut)
            return false;
    }
    auto opened = ports.openOutput (index);
    const bool ok = opened != nullptr;
    replace (std::move (opened));
    return ok;
}

void OrganOutput::close()
{
    replace (nullptr);
}

void OrganOutput::shutOff()
{
    {
        const juce::ScopedLock sl (lock);
        shut = true;
    }
    close();
}

bool OrganOutput::isOpen() const
{
    const juce::ScopedLock sl (lock);
    return port != nullptr;
}

void OrganOutput::replace (std::unique_ptr<MidiOutputPort> newPort)
{
    std::unique_ptr<MidiOutputPort> old;
    {
        const juce::ScopedLock sl (lock);
        old = std::exchange (port, shut ? nullptr : std::move (newPort));
    }
    // The old port is closed outside the lock, but no sender can hold it any more.
}
}   // namespace orvane
