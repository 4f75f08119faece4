#include <SkinData.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
struct SkinImage
{
    const char* name;
    const char* data;
    int size;
    int width;
    int height;
    bool alpha;
};

#define SKIN_IMAGE(symbol, width, height, alpha)                                    \
 {                                                                                  \
  #symbol, SkinData::symbol##_png, SkinData::symbol##_pngSize, width, height, alpha \
 }
#define SKIN_BUTTON(symbol, width, height)                                                             \
 SKIN_IMAGE (symbol##_normal, width, height, false), SKIN_IMAGE (symbol##_over, width, height, false), \
     SKIN_IMAGE (symbol##_down, width, height, false)

const SkinImage skinImages[] = {
    SKIN_IMAGE (backdrop, 1024, 748, false),
    SKIN_BUTTON (topbar_open, 104, 78),
    SKIN_BUTTON (topbar_save, 104, 78),
    SKIN_BUTTON (topbar_connect, 104, 78),
    SKIN_BUTTON (topbar_store, 104, 78),
    SKIN_BUTTON (topbar_reset, 104, 78),
    SKIN_BUTTON (topbar_tonewheel, 104, 78),
    SKIN_BUTTON (section_tonegenerator, 201, 40),
    SKIN_BUTTON (section_vibratochorus, 201, 40),
    SKIN_BUTTON (section_overdrive, 201, 40),
    SKIN_BUTTON (section_rotary, 201, 40),
    SKIN_BUTTON (section_reverb, 201, 40),
    SKIN_BUTTON (section_additional, 201, 40),
    SKIN_BUTTON (subpage_main, 85, 29),
    SKIN_BUTTON (subpage_drawbar, 85, 29),
    SKIN_BUTTON (subpage_classic, 85, 29),
    SKIN_BUTTON (subpage_rock, 85, 29),
    SKIN_BUTTON (subpage_common, 85, 29),
    SKIN_IMAGE (icon_tonegenerator, 88, 70, true),
    SKIN_IMAGE (icon_vibratochorus, 88, 70, true),
    SKIN_IMAGE (icon_overdrive, 88, 70, true),
    SKIN_IMAGE (icon_rotary, 88, 70, true),
    SKIN_IMAGE (icon_reverb, 88, 70, true),
    SKIN_IMAGE (icon_additional, 88, 70, true),
    SKIN_IMAGE (indicator_off, 35, 18, true),
    SKIN_IMAGE (indicator_on, 35, 18, true),
};

#undef SKIN_BUTTON
#undef SKIN_IMAGE

juce::Image load (const SkinImage& entry)
{
    return juce::ImageCache::getFromMemory (entry.data, entry.size);
}

const SkinImage& find (const juce::String& name)
{
    for (const auto& entry : skinImages)
        if (name == entry.name)
            return entry;
    ADD_FAILURE() << "no skin image " << name;
    return skinImages[0];
}

juce::uint32 argb (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getARGB();
}

// True when some pixel of the area lies within a small distance of the colour (opaque ink of
// a glyph or caption; anti-aliased edges lie farther off).
bool hasInk (const juce::Image& image, juce::Colour colour, juce::Rectangle<int> area)
{
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = image.getPixelAt (x, y);
            if (p.getAlpha() == 255 && std::abs (p.getRed() - colour.getRed()) <= 6
                && std::abs (p.getGreen() - colour.getGreen()) <= 6 && std::abs (p.getBlue() - colour.getBlue()) <= 6)
                return true;
        }
    return false;
}

bool hasInk (const juce::Image& image, juce::Colour colour)
{
    return hasInk (image, colour, image.getBounds());
}

const juce::Colour accentBlue { 0xFF2578E6 };
}   // namespace

TEST (SkinImages, EveryImageIsAnEightBitPngOfItsSizeAndFormat)
{
    for (const auto& entry : skinImages)
    {
        SCOPED_TRACE (entry.name);
        // IHDR: bit depth at byte 24, colour type at byte 25 (2 RGB, 6 RGB with alpha).
        ASSERT_GT (entry.size, 26);
        const auto* bytes = reinterpret_cast<const unsigned char*> (entry.data);
        EXPECT_EQ (bytes[24], 8);
        EXPECT_EQ (bytes[25], entry.alpha ? 6 : 2);

        const auto image = load (entry);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), entry.width);
        EXPECT_EQ (image.getHeight(), entry.height);
        EXPECT_EQ (image.hasAlphaChannel(), entry.alpha);
        EXPECT_EQ (image.getFormat(), entry.alpha ? juce::Image::ARGB : juce::Image::RGB);
    }
}

TEST (SkinImages, BackdropHasTheTopBarColumnRulesAndAHiddenTail)
{
    const auto image = load (find ("backdrop"));
    ASSERT_TRUE (image.isValid());

    // The whole top bar is plain black: no mark anywhere in it.
    for (int y = 0; y < 78; ++y)
        for (int x = 0; x < 1024; ++x)
            ASSERT_EQ (argb (image, x, y), 0xFF000000u) << x << ", " << y;

    struct Probe
    {
        int x, y;
        juce::uint32 colour;
    };
    const Probe probes[] = {
        { 0, 78, 0xFFF8F8F8 },
        { 199, 78, 0xFFF8F8F8 },
        { 100, 684, 0xFFF8F8F8 },
        { 200, 78, 0xFFCCCCCC },
        { 200, 400, 0xFFCCCCCC },
        { 200, 747, 0xFFCCCCCC },
        { 201, 78, 0xFFFFFFFF },
        { 1023, 684, 0xFFFFFFFF },
        { 600, 162, 0xFFFFFFFF },
        { 600, 164, 0xFFFFFFFF },
        { 231, 163, 0xFFCCCCCC },
        { 600, 163, 0xFFCCCCCC },
        { 1009, 163, 0xFFCCCCCC },
        { 230, 163, 0xFFFFFFFF },
        { 1010, 163, 0xFFFFFFFF },
        { 201, 163, 0xFFFFFFFF },
    };
    for (const auto& p : probes)
        EXPECT_EQ (argb (image, p.x, p.y), p.colour) << p.x << ", " << p.y;

    for (int y = 685; y < 748; ++y)
        for (int x = 0; x < 1024; ++x)
            ASSERT_EQ (argb (image, x, y), argb (image, x, 684)) << x << ", " << y;
}

TEST (SkinImages, ButtonStatesShowTheirGroundAndInk)
{
    struct Look
    {
        const char* prefix;
        juce::Point<int> groundProbe;
        juce::uint32 normal, over, down;   // ground colours by state
        juce::Colour ink;                  // glyph or caption colour in normal and over; blue when down
        juce::Rectangle<int> inkArea;      // the top-bar captions stay white: only the glyph counts
    };
    const Look looks[] = {
        { "topbar_", { 1, 1 }, 0xFF000000, 0xFF2D2D2D, 0xFF2D2D2D, juce::Colour (0xFF7E8081), { 0, 0, 104, 46 } },
        { "section_", { 1, 1 }, 0xFFF8F8F8, 0xFFE2E2E2, 0xFFE2E2E2, juce::Colour (0xFF2E2E2E), { 0, 0, 200, 39 } },
        { "subpage_", { 80, 4 }, 0xFFF8F8F8, 0xFFE2E2E2, 0xFFE2E2E2, juce::Colour (0xFF2D2D2D), { 0, 0, 85, 29 } },
    };

    for (const auto& entry : skinImages)
    {
        const juce::String name (entry.name);
        for (const auto& look : looks)
        {
            if (! name.startsWith (look.prefix))
                continue;
            SCOPED_TRACE (entry.name);
            const auto image = load (entry);
            ASSERT_TRUE (image.isValid());
            const bool down = name.endsWith ("_down");
            const auto ground = down ? look.down : name.endsWith ("_over") ? look.over
                                                                           : look.normal;
            EXPECT_EQ (argb (image, look.groundProbe.x, look.groundProbe.y), ground);
            EXPECT_EQ (hasInk (image, accentBlue, look.inkArea), down);
            EXPECT_EQ (hasInk (image, look.ink, look.inkArea), ! down);
        }
    }
}

TEST (SkinImages, TopBarCaptionsAreWhite)
{
    for (const auto& entry : skinImages)
    {
        if (! juce::String (entry.name).startsWith ("topbar_"))
            continue;
        EXPECT_TRUE (hasInk (load (entry), juce::Colours::white)) << entry.name;
    }
}

TEST (SkinImages, SectionButtonsAndTabsCarryTheirRules)
{
    for (const auto& entry : skinImages)
    {
        const juce::String name (entry.name);
        SCOPED_TRACE (entry.name);
        if (name.startsWith ("section_"))
        {
            const auto image = load (entry);
            for (int y = 0; y < 40; ++y)
                EXPECT_EQ (argb (image, 200, y), 0xFFCCCCCCu) << "right edge, row " << y;
            for (int x = 0; x < 201; ++x)
                EXPECT_EQ (argb (image, x, 39), 0xFFCCCCCCu) << "bottom edge, column " << x;
        }
        else if (name.startsWith ("subpage_"))
        {
            const auto image = load (entry);
            EXPECT_EQ (argb (image, 0, 0), 0xFFFFFFFFu);   // outside the slanted edge
            EXPECT_EQ (argb (image, 84, 14), 0xFFCCCCCCu);
            EXPECT_EQ (argb (image, 50, 0), 0xFFCCCCCCu);
            EXPECT_EQ (argb (image, 50, 28), 0xFFCCCCCCu);   // lies on the header rule of the panel
        }
    }
}

TEST (SkinImages, IconsAndIndicatorsAreInkOnATransparentGround)
{
    struct Case
    {
        const char* name;
        juce::Colour ink;
    };
    const Case cases[] = {
        { "icon_tonegenerator", accentBlue },
        { "icon_vibratochorus", accentBlue },
        { "icon_overdrive", accentBlue },
        { "icon_rotary", accentBlue },
        { "icon_reverb", accentBlue },
        { "icon_additional", accentBlue },
        { "indicator_off", juce::Colour (0xFF323232) },
        { "indicator_on", juce::Colour (0xFFFFA800) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto image = load (find (c.name));
        ASSERT_TRUE (image.isValid());
        const int right = image.getWidth() - 1, bottom = image.getHeight() - 1;
        for (auto corner : { juce::Point<int> (0, 0), { right, 0 }, { 0, bottom }, { right, bottom } })
            EXPECT_EQ (image.getPixelAt (corner.x, corner.y).getAlpha(), 0) << corner.toString();
        EXPECT_TRUE (hasInk (image, c.ink));
    }
}
