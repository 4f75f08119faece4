// The editor's default look-and-feel: while it exists, "Arial" texts get the stand-in with
// their style; once it is gone the default it replaced is back.
#include "support/TestHarness.h"
#include "widgets/ArialTypeface.h"

#include <gtest/gtest.h>

TEST (ArialDefaultLookAndFeel, ArialTextsGetLiberationSansWithTheirStyleWhileItExists)
{
    if (orvane::arialFamilyAmong (juce::Font::findAllTypefaceNames()) != "Liberation Sans")
        GTEST_SKIP() << "Arial is installed here, or neither family is";

    auto* before = &juce::LookAndFeel::getDefaultLookAndFeel();
    {
        orvane::ArialDefaultLookAndFeel standIn;
        const juce::Font heading ("Arial", 18.0f, juce::Font::bold);
        const auto typeface = heading.getTypefacePtr();
        ASSERT_NE (typeface, nullptr);
        EXPECT_EQ (typeface->getName(), "Liberation Sans");
        EXPECT_EQ (typeface->getStyle(), "Bold");
    }

    // Once it is gone the framework's own lookup is back.
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), before);
    EXPECT_EQ (dynamic_cast<orvane::ArialResolving<juce::LookAndFeel_V4>*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
    EXPECT_NE (juce::Font ("Arial", 18.0f, juce::Font::bold).getTypefacePtr()->getName(), "Liberation Sans");
}
