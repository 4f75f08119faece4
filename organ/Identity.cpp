#include "organ/Identity.h"

namespace orvane::identity
{
int refusalReason (uint8_t protocolLevel, int32_t modelIndex, int32_t hardwareRevision)
{
    if (protocolLevel < supportedProtocolLevel)
        return 2;
    if (protocolLevel > supportedProtocolLevel)
        return 1;
    if (modelIndex < 0 || modelIndex > 3 || hardwareRevision < 0 || hardwareRevision >= 2)
        return 3;
    return 0;
}

juce::String firmwareText (uint8_t a, uint8_t b1, uint8_t b2)
{
    const int n = (int) b1 + (int) b2;
    juce::String text ("rel ");
    text << (int) a << ".";
    if (n <= 25)
        text << n;
    else
        text << (n / 10) << "." << (n % 10);
    return text;
}
} // namespace orvane::identity
