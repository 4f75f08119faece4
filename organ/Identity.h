#pragma once

#include "organ/OrganProtocol.h"

#include <juce_core/juce_core.h>

#include <cstdint>

/** Decisions on the organ's identity reply, free of any window or port. */
namespace orvane::identity
{
/** The organ's protocol level that this editor speaks. */
constexpr uint8_t supportedProtocolLevel = 5;

/** Why an organ is refused, as the identity check reports it and its message box shows it. */
enum Refusal : int
{
    accepted = 0,
    editorOutOfDate = 1,     // the organ speaks a newer protocol level
    firmwareOutOfDate = 2,   // the organ speaks an older one
    unsupportedModel = 3     // the model or hardware revision is not one of the tables'
};

/** The Refusal for an identity reply. A model byte below 3 (a negative model index) is refused
    as an unsupported model, so no model table is ever indexed with it. */
int refusalReason (uint8_t protocolLevel, int32_t modelIndex, int32_t hardwareRevision);

/** "rel " + the first release number a + "." + the second n (the sum of the reply's two
    bytes b1 + b2), written as n when n <= 25 and as n / 10 "." n % 10 above. */
juce::String firmwareText (const protocol::IdentityReply& reply);

/** The model index that the reply's model byte names: the bytes 3..6 are the models 0..3, any
    other byte gives an index outside them. */
int32_t modelIndexOf (const protocol::IdentityReply& reply);
}   // namespace orvane::identity
