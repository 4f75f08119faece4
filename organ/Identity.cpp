#include "organ/Identity.h"

#include "resources/OrganTables.h"

namespace orvane::identity
{
int refusalReason (uint8_t protocolLevel, int32_t modelIndex, int32_t hardwareRevision)
{
    if (protocolLevel < supportedProtocolLevel)
        return firmwareOutOfDate;
    if (protocolLevel > supportedProtocolLevel)
        return editorOutOfDate;
    if (! juce::isPositiveAndBelow (modelIndex, numModels) || ! juce::isPositiveAndBelow (hardwareRevision, numRevisions))
        return unsupportedModel;
    return accepted;
}

int32_t modelIndexOf (const protocol::IdentityReply& reply) { return (int32_t) reply.model - 3; }

juce::String firmwareText (const protocol::IdentityReply& reply)
{
    const int n = reply.releaseMinor;
    juce::String text ("rel ");
    text << (int) reply.releaseMajor << ".";
    if (n <= 25)
        text << n;
    else
        text << (n / 10) << "." << (n % 10);
    return text;
}
}   // namespace orvane::identity
