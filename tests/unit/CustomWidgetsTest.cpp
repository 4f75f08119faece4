// The two skinned widgets (selector and message box) and the resolution of "Arial", drawn
// into images and measured through the framework's own calls.
#include "support/TestHarness.h"
#include "widgets/ArialTypeface.h"
#include "widgets/CustomAlertWindow.h"
#include "widgets/CustomComboBox.h"

#include <gtest/gtest.h>

#include <cmath>

using orvane::test::runMessageLoopFor;
using orvane::test::runMessageLoopUntil;

namespace
{
juce::Image paintIntoImage (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);
    juce::Graphics g (image);
    component.paintEntireComponent (g, true);
    return image;
}

int countDifferingPixels (const juce::Image& a, const juce::Image& b)
{
    int differing = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                ++differing;
    return differing;
}

/** Colours match within the rounding of premultiplied pixels and of edge coverage. */
::testing::AssertionResult isNear (juce::Colour actual, juce::uint32 expectedArgb)
{
    const juce::Colour expected (expectedArgb);
    const int channels[][2] = { { actual.getAlpha(), expected.getAlpha() }, { actual.getRed(), expected.getRed() }, { actual.getGreen(), expected.getGreen() }, { actual.getBlue(), expected.getBlue() } };
    for (const auto& channel : channels)
        if (std::abs (channel[0] - channel[1]) > 3)
            return ::testing::AssertionFailure() << actual.toString() << " is not " << expected.toString();
    return ::testing::AssertionSuccess();
}

/** A selector that draws nothing but its arrow, in opaque black. */
void showOnlyTheArrow (CustomComboBox& box)
{
    box.lookAndFeel->setColour (juce::ComboBox::backgroundColourId, juce::Colours::transparentBlack);
    box.lookAndFeel->setColour (juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
    box.lookAndFeel->setColour (juce::ComboBox::arrowColourId, juce::Colours::black);
}

juce::Label* labelOf (juce::ComboBox& box)
{
    for (auto* child : box.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            return label;
    return nullptr;
}
}   // namespace

TEST (CustomComboBox, LabelAndArrowFollowTheBoxWidth)
{
    struct Case
    {
        int width;
        juce::Rectangle<int> label;
        float corners[6];
    };
    const Case cases[] = {
        { 140, { 1, 1, 119, 22 }, { 125, 9, 135, 9, 130, 15 } },
        { 280, { 1, 1, 259, 22 }, { 265, 9, 275, 9, 270, 15 } },
    };

    for (const auto& c : cases)
    {
        CustomComboBox box;
        showOnlyTheArrow (box);
        box.setBounds (0, 0, c.width, 24);

        auto* label = labelOf (box);
        ASSERT_NE (label, nullptr);
        EXPECT_EQ (label->getBounds(), c.label) << c.width;

        juce::Image expected (juce::Image::ARGB, c.width, 24, true);
        {
            juce::Graphics g (expected);
            juce::Path arrow;
            arrow.addTriangle (c.corners[0], c.corners[1], c.corners[2], c.corners[3], c.corners[4], c.corners[5]);
            g.setColour (juce::Colours::black);
            g.fillPath (arrow);
        }
        EXPECT_EQ (countDifferingPixels (paintIntoImage (box), expected), 0) << c.width;
    }
}

TEST (CustomComboBox, FaceIsFilledAndOutlinedOnItsOuterPixels)
{
    CustomComboBox box;
    box.lookAndFeel->setColour (juce::ComboBox::backgroundColourId, juce::Colour (0xFF3060C0));
    box.lookAndFeel->setColour (juce::ComboBox::outlineColourId, juce::Colour (0xFFE0A020));
    box.setBounds (0, 0, 140, 24);
    const auto image = paintIntoImage (box);

    // Mid-height on the left and right edges and mid-width on the top and bottom rows the
    // 1-pixel outline covers whole pixels; just inside lies the fill.
    for (const auto& p : { juce::Point<int> (0, 12), juce::Point<int> (139, 12), juce::Point<int> (60, 0),
                           juce::Point<int> (60, 23) })
        EXPECT_TRUE (isNear (image.getPixelAt (p.x, p.y), 0xFFE0A020)) << p.toString();
    for (const auto& p : { juce::Point<int> (1, 12), juce::Point<int> (60, 1), juce::Point<int> (110, 20) })
        EXPECT_TRUE (isNear (image.getPixelAt (p.x, p.y), 0xFF3060C0)) << p.toString();
}

TEST (CustomComboBox, ArrowFadesWhenTheBoxOrAParentIsDisabled)
{
    struct Case
    {
        const char* name;
        bool boxEnabled;
        bool parentEnabled;
        juce::uint32 arrow;
    };
    const Case cases[] = {
        { "enabled", true, true, 0x99000000 },
        { "box disabled", false, true, 0x2E000000 },   // 153 x 0.3 = 45.9 -> 46
        { "parent disabled", true, false, 0x2E000000 },
    };

    for (const auto& c : cases)
    {
        juce::Component parent;
        CustomComboBox box;
        box.lookAndFeel->setColour (juce::ComboBox::backgroundColourId, juce::Colours::transparentBlack);
        box.lookAndFeel->setColour (juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
        parent.setBounds (0, 0, 140, 24);
        parent.addAndMakeVisible (box);
        box.setBounds (0, 0, 140, 24);
        box.setEnabled (c.boxEnabled);
        parent.setEnabled (c.parentEnabled);

        // A pixel that lies wholly inside the arrow.
        EXPECT_EQ (paintIntoImage (box).getPixelAt (130, 10).getARGB(), c.arrow) << c.name;
    }
}

TEST (CustomComboBox, PopupItemsTakeTheirHeightFromTheFontAlone)
{
    struct Case
    {
        float fontHeight;
        bool separator;
        int standardHeight;
        int width;
        int height;
    };
    const Case cases[] = {
        { 15.0f, false, 22, -1, 20 },   // 19.5 -> 20
        { 15.0f, false, 0, -1, 20 },
        { 15.0f, false, 40, -1, 20 },   // a taller standard height does not win
        { 25.0f, false, 22, -1, 32 },   // 32.5 -> 32, half to even
        { 15.0f, true, 22, 50, 11 },
        { 15.0f, true, 0, 50, 10 },
    };

    const juce::String text ("Tonewheel Set 1");
    for (const auto& c : cases)
    {
        CBLookAndFeel look;
        look.popupMenuFont = juce::Font ("Arial", c.fontHeight, juce::Font::plain);
        int width = 0, height = 0;
        look.getIdealPopupMenuItemSize (text, c.separator, c.standardHeight, width, height);

        const int expectedWidth = c.width >= 0 ? c.width
                                               : (int) std::ceil (look.popupMenuFont.getStringWidthFloat (text)) + 2 * c.height;
        EXPECT_EQ (height, c.height) << c.fontHeight << (c.separator ? " separator" : "") << " standard " << c.standardHeight;
        EXPECT_EQ (width, expectedWidth) << c.fontHeight << (c.separator ? " separator" : "") << " standard " << c.standardHeight;
    }
}

TEST (CustomComboBox, FontWrittenAfterPlacingReachesTheLabelWhenAddedToAParent)
{
    juce::Component parent;
    CustomComboBox box;
    CustomComboBox neverSized;
    box.setBounds (10, 10, 140, 24);
    box.lookAndFeel->comboBoxFont = juce::Font ("Arial", 15.0f, juce::Font::plain);
    neverSized.lookAndFeel->comboBoxFont = juce::Font ("Arial", 15.0f, juce::Font::plain);

    parent.addAndMakeVisible (box);
    parent.addAndMakeVisible (neverSized);

    ASSERT_NE (labelOf (box), nullptr);
    EXPECT_EQ (labelOf (box)->getFont().getHeight(), 15.0f);
    EXPECT_EQ (labelOf (box)->getBounds(), juce::Rectangle<int> (1, 1, 119, 22));
    ASSERT_NE (labelOf (neverSized), nullptr);
    EXPECT_TRUE (labelOf (neverSized)->getBounds().isEmpty());
}

TEST (CustomComboBox, GainingTheFocusDoesNotRepaint)
{
    struct CountingBox : CustomComboBox
    {
        void paint (juce::Graphics& g) override
        {
            ++paints;
            CustomComboBox::paint (g);
        }
        int paints = 0;
    };

    juce::Component window;
    CountingBox box;
    window.setBounds (100, 100, 200, 60);
    window.addAndMakeVisible (box);
    box.setBounds (20, 20, 140, 24);
    window.addToDesktop (0);
    window.setVisible (true);
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return box.paints > 0; },
                                      5000));
    runMessageLoopFor (100);

    box.paints = 0;
    box.focusGained (juce::Component::focusChangedDirectly);
    runMessageLoopFor (200);
    EXPECT_EQ (box.paints, 0);

    // Losing it still repaints, which shows that a repaint would have been seen.
    box.focusLost (juce::Component::focusChangedDirectly);
    EXPECT_TRUE (runMessageLoopUntil ([&]
                                      { return box.paints > 0; },
                                      5000));
}

// That each widget deletes its look is left to the leak detectors, as the framework forbids a
// reference to a look that outlives it: LeakSanitizer (make test-asan) and the framework's own
// detector (make test-debug) report a look that this case's process leaves behind.
TEST (CustomWidgets, EachWidgetOwnsItsLook)
{
    CustomComboBox box, other;
    CustomAlertWindow alert ("Orvane Editor"), otherAlert ("Orvane Editor");

    EXPECT_EQ (&box.getLookAndFeel(), box.lookAndFeel);
    EXPECT_EQ (&alert.getLookAndFeel(), alert.lookAndFeel);

    box.lookAndFeel->popupMenuFont = juce::Font (25.0f);
    box.lookAndFeel->setColour (juce::PopupMenu::backgroundColourId, juce::Colours::red);
    alert.lookAndFeel->font = juce::Font (30.0f);
    alert.lookAndFeel->setColour (juce::TextButton::buttonColourId, juce::Colours::red);

    EXPECT_EQ (other.lookAndFeel->popupMenuFont.getHeight(), juce::Font().getHeight());
    EXPECT_NE (other.getLookAndFeel().findColour (juce::PopupMenu::backgroundColourId), juce::Colours::red);
    EXPECT_EQ (otherAlert.lookAndFeel->font.getHeight(), juce::Font().getHeight());
    EXPECT_NE (otherAlert.getLookAndFeel().findColour (juce::TextButton::buttonColourId), juce::Colours::red);
}

TEST (CustomAlertWindow, SizesFollowTheFont)
{
    struct Case
    {
        juce::Font font;
        int buttonHeight;
        float buttonText;
        float title;
    };
    const Case cases[] = {
        { juce::Font ("Arial", 20.0f, juce::Font::plain), 28, 16.0f, 22.0f },
        { juce::Font ("Arial", 17.0f, juce::Font::plain), 23, 13.6f, 18.7f },   // 23.8 truncated
        { juce::Font ("Arial", 15.0f, juce::Font::plain), 21, 12.0f, 16.5f },
        { juce::Font(), 19, 11.2f, 15.4f },   // never written: the framework's default font
    };

    for (const auto& c : cases)
    {
        AWLookAndFeel look;
        look.font = c.font;
        juce::TextButton button ("OK");
        const auto name = juce::String (c.font.getHeight());

        EXPECT_EQ (look.getAlertWindowButtonHeight(), c.buttonHeight) << name;
        EXPECT_FLOAT_EQ (look.getTextButtonFont (button, 99).getHeight(), c.buttonText) << name;
        EXPECT_EQ (look.getTextButtonFont (button, 99).getTypefaceName(), c.font.getTypefaceName()) << name;
        EXPECT_FLOAT_EQ (look.getAlertWindowTitleFont().getHeight(), c.title) << name;
        EXPECT_TRUE (look.getAlertWindowTitleFont().isBold()) << name;
        EXPECT_EQ (look.getAlertWindowMessageFont(), c.font) << name;
        EXPECT_EQ (look.getAlertWindowFont(), c.font) << name;
    }
}

TEST (CustomAlertWindow, FaceCoversTheBoxAndTheOutlineItsOuterPixels)
{
    CustomAlertWindow box ("Orvane Editor");
    box.setColour (juce::AlertWindow::backgroundColourId, juce::Colour (0xF8FFFFFF));
    box.setColour (juce::AlertWindow::outlineColourId, juce::Colour (0xFF000000));
    box.setMessage ("Searching for the organ");
    ASSERT_GT (box.getWidth(), 10);
    ASSERT_GT (box.getHeight(), 10);
    EXPECT_FALSE (box.isOpaque());

    const auto image = paintIntoImage (box);
    const int right = box.getWidth() - 1, bottom = box.getHeight() - 1;
    for (const auto& p : { juce::Point<int> (0, 0), juce::Point<int> (right, 0), juce::Point<int> (0, bottom),
                           juce::Point<int> (right, bottom), juce::Point<int> (right / 2, bottom) })
        EXPECT_TRUE (isNear (image.getPixelAt (p.x, p.y), 0xFF000000)) << p.toString();
    for (const auto& p : { juce::Point<int> (1, 1), juce::Point<int> (right - 1, bottom - 1) })
        EXPECT_TRUE (isNear (image.getPixelAt (p.x, p.y), 0xF8FFFFFF)) << p.toString();
}

TEST (ArialTypeface, StandInIsArialElseLiberationSans)
{
    struct Case
    {
        juce::StringArray installed;
        const char* expected;
    };
    const Case cases[] = {
        { { "DejaVu Sans", "Arial", "Liberation Sans" }, "Arial" },
        { { "DejaVu Sans", "Liberation Sans" }, "Liberation Sans" },
        { { "DejaVu Sans", "arial", "Liberation Sans Narrow" }, "" },   // families match exactly
        { {}, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (orvane::arialFamilyAmong (c.installed), juce::String (c.expected)) << c.installed.joinIntoString (", ");
}

/** Runs with a resolving look-and-feel as the application's default, as the editor does. */
class ArialThroughTheDefaultLook : public ::testing::Test
{
protected:
    void SetUp() override
    {
        orvane::useAsDefaultLookAndFeel (&look);
        family = orvane::arialFamilyAmong (juce::Font::findAllTypefaceNames());
    }

    void TearDown() override
    {
        orvane::useAsDefaultLookAndFeel (nullptr);
    }

    orvane::ArialResolving<juce::LookAndFeel_V4> look;
    juce::String family;
};

TEST_F (ArialThroughTheDefaultLook, ArialKeepsItsStyles)
{
    if (family.isEmpty())
        GTEST_SKIP() << "neither Arial nor Liberation Sans is installed";

    struct Case
    {
        int style;
        const char* face;
    };
    const Case cases[] = { { juce::Font::plain, "Regular" }, { juce::Font::bold, "Bold" }, { juce::Font::italic, "Italic" }, { juce::Font::bold | juce::Font::italic, "Bold Italic" } };
    for (const auto& c : cases)
    {
        const auto typeface = juce::Font ("Arial", 20.0f, c.style).getTypefacePtr();
        ASSERT_NE (typeface, nullptr) << c.face;
        EXPECT_EQ (typeface->getName(), family) << c.face;
        EXPECT_EQ (typeface->getStyle(), juce::String (c.face));
    }

    const juce::String title ("Orvane Editor");
    EXPECT_GT (juce::Font ("Arial", 22.0f, juce::Font::bold).getStringWidthFloat (title),
               juce::Font ("Arial", 22.0f, juce::Font::plain).getStringWidthFloat (title) + 1.0f);
}

TEST_F (ArialThroughTheDefaultLook, OtherFontsAreLeftToTheFramework)
{
    EXPECT_EQ (orvane::findArialSubstitute (juce::Font ("DejaVu Sans", 20.0f, juce::Font::bold)), nullptr);
    EXPECT_EQ (orvane::findArialSubstitute (juce::Font (20.0f)), nullptr);

    const auto defaultFace = juce::Font (20.0f).getTypefacePtr();
    ASSERT_NE (defaultFace, nullptr);
    EXPECT_TRUE (juce::Font::findAllTypefaceNames().contains (defaultFace->getName()));
}
