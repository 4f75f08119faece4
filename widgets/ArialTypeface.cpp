#include "widgets/ArialTypeface.h"

namespace orvane
{
namespace
{
const juce::String arialName ("Arial");
const juce::String liberationSansName ("Liberation Sans");
}   // namespace

juce::String arialFamilyAmong (const juce::StringArray& installedFamilies)
{
    for (const auto& family : { arialName, liberationSansName })
        if (installedFamilies.contains (family))
            return family;

    return {};
}

juce::Typeface::Ptr findArialSubstitute (const juce::Font& font)
{
    if (font.getTypefaceName() != arialName)
        return nullptr;

    // The installed fonts are scanned once; a thread-safe static keeps the answer.
    static const juce::String family = arialFamilyAmong (juce::Font::findAllTypefaceNames());

    if (family.isEmpty() || family == arialName)
        return nullptr;

    juce::Font substitute (font);
    substitute.setTypefaceName (family);
    return juce::Typeface::createSystemTypefaceFor (substitute);
}

void useAsDefaultLookAndFeel (juce::LookAndFeel* lookAndFeel)
{
    juce::LookAndFeel::setDefaultLookAndFeel (lookAndFeel);
    juce::Typeface::clearTypefaceCache();
}
}   // namespace orvane
