// skin-generator: draws every image of the editor's skin and writes them as PNG files.
//
// The art is vector: glyphs are paths on a 24-unit design grid, drawn anti-aliased with the
// framework's software renderer at the size each image needs; text is set in Liberation Sans
// loaded from its font files, so the output does not depend on the fonts the machine offers.
// Images without transparency are written as RGB PNGs, the icons and indicators as RGBA.
//
// Regenerate the committed images after changing the art (from the repository root):
//   cmake --build <dir> --target skin-generator && <dir>/tools/skin-generator/skin-generator resources/skin

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <vector>

namespace
{
using namespace juce;

//==============================================================================
namespace Palette
{
const Colour black { 0xFF000000 };
const Colour white { 0xFFFFFFFF };
const Colour topBarOver { 0xFF2D2D2D };
const Colour glyphGrey { 0xFF7E8081 };
const Colour accentBlue { 0xFF2578E6 };
const Colour column { 0xFFF8F8F8 };
const Colour highlight { 0xFFE2E2E2 };
const Colour rule { 0xFFCCCCCC };
const Colour sectionText { 0xFF2E2E2E };
const Colour tabText { 0xFF2D2D2D };
const Colour indicatorOff { 0xFF323232 };
const Colour indicatorOn { 0xFFFFA800 };
}   // namespace Palette

enum class State
{
    normal,
    over,
    down
};

struct StateName
{
    State state;
    const char* suffix;
};
const StateName buttonStates[] = { { State::normal, "normal" }, { State::over, "over" }, { State::down, "down" } };

//==============================================================================
// The framework's font height is ascent plus descent: for Liberation Sans 2288 / 2048 of the em.
constexpr float heightPerEm = 2288.0f / 2048.0f;

// Liberation Sans (metric-compatible with Arial, the panel's typeface), loaded from its files.

class Fonts
{
public:
    Fonts()
        : regular (load ("LiberationSans-Regular.ttf")), bold (load ("LiberationSans-Bold.ttf")) {}

    bool isValid() const { return regular != nullptr && bold != nullptr; }

    // A font whose em square is the given number of pixels.
    Font make (bool isBold, float emPixels) const
    {
        return Font (isBold ? bold : regular).withHeight (emPixels * heightPerEm);
    }

private:
    static Typeface::Ptr load (const char* fileName)
    {
        MemoryBlock data;
        const File file ("/usr/share/fonts/truetype/liberation/" + String (fileName));
        if (! file.loadFileAsData (data) || data.getSize() == 0)
        {
            std::cerr << "skin-generator: cannot read " << file.getFullPathName() << "\n";
            return nullptr;
        }
        return Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
    }

    Typeface::Ptr regular, bold;
};

// Height of the capitals of a font, measured on its outline of "H".
float capHeight (const Font& font)
{
    GlyphArrangement glyphs;
    glyphs.addLineOfText (font, "H", 0.0f, 0.0f);
    return glyphs.getBoundingBox (0, 1, true).getHeight();
}

// Draws one line of text whose advance is centred on centreX and whose baseline lies at baselineY.
void drawCentredText (Graphics& g, const Font& font, const String& text, float centreX, float baselineY)
{
    GlyphArrangement glyphs;
    glyphs.addLineOfText (font, text, 0.0f, 0.0f);
    const float width = font.getStringWidthFloat (text);
    glyphs.moveRangeOfGlyphs (0, -1, std::round (centreX - width / 2.0f), baselineY);
    glyphs.draw (g);
}

//==============================================================================
// A glyph: ordered operations on a 24 x 24 unit grid. Ink is added by strokes (one line
// weight per image size, round caps and joins) and fills; an erase cuts a gap around a shape
// so that a part drawn afterwards reads as lying in front of what was drawn before.
struct GlyphOp
{
    enum Kind
    {
        stroke,
        fill,
        erase
    } kind;
    Path path;
};

class Glyph
{
public:
    Glyph& stroke (const Path& p)
    {
        ops.push_back ({ GlyphOp::stroke, p });
        return *this;
    }
    Glyph& fill (const Path& p)
    {
        ops.push_back ({ GlyphOp::fill, p });
        return *this;
    }
    Glyph& erase (const Path& p)
    {
        ops.push_back ({ GlyphOp::erase, p });
        return *this;
    }

    const std::vector<GlyphOp>& operations() const { return ops; }

private:
    std::vector<GlyphOp> ops;
};

constexpr float gridUnits = 24.0f;

// Coverage of a glyph (0..1 per pixel) in an image of the given size, the grid mapped onto box.
class GlyphMask
{
public:
    GlyphMask (const Glyph& glyph, int width, int height, Rectangle<float> box, float lineWidth)
        : w (width), h (height), coverage ((size_t) (width * height), 0.0f)
    {
        const auto toBox = AffineTransform::scale (box.getWidth() / gridUnits, box.getHeight() / gridUnits)
                               .translated (box.getX(), box.getY());
        const PathStrokeType line (lineWidth, PathStrokeType::curved, PathStrokeType::rounded);
        const PathStrokeType gap (lineWidth * 2.2f, PathStrokeType::curved, PathStrokeType::rounded);

        for (const auto& op : glyph.operations())
        {
            Path path (op.path);
            path.applyTransform (toBox);

            Image layer (Image::SingleChannel, w, h, true);
            {
                Graphics g (layer);
                g.setColour (Colours::white);
                if (op.kind == GlyphOp::stroke)
                {
                    g.strokePath (path, line);
                }
                else
                {
                    g.fillPath (path);
                    if (op.kind == GlyphOp::erase)
                        g.strokePath (path, gap);
                }
            }
            combine (layer, op.kind == GlyphOp::erase);
        }
    }

    // Paints the glyph's coverage in the colour over whatever the image already holds.
    void paintInto (Image& image, Colour colour) const
    {
        Image ink (Image::ARGB, w, h, true);
        {
            const Image::BitmapData pixels (ink, Image::BitmapData::writeOnly);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    pixels.setPixelColour (x, y, colour.withMultipliedAlpha (at (x, y)));
        }
        Graphics g (image);
        g.drawImageAt (ink, 0, 0);
    }

private:
    float& at (int x, int y) { return coverage[(size_t) (y * w + x)]; }
    float at (int x, int y) const { return coverage[(size_t) (y * w + x)]; }

    void combine (const Image& layer, bool isErase)
    {
        const Image::BitmapData pixels (layer, Image::BitmapData::readOnly);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const float a = pixels.getPixelColour (x, y).getFloatAlpha();
                float& c = at (x, y);
                c = isErase ? c * (1.0f - a) : c + a * (1.0f - c);
            }
    }

    int w, h;
    std::vector<float> coverage;
};

void drawGlyph (Image& image, const Glyph& glyph, Rectangle<float> box, float lineWidth, Colour colour)
{
    GlyphMask (glyph, image.getWidth(), image.getHeight(), box, lineWidth).paintInto (image, colour);
}

//==============================================================================
// Path helpers on the design grid.
Path polyline (std::initializer_list<Point<float>> points, bool closed = false, float cornerRadius = 0.0f)
{
    Path p;
    bool first = true;
    for (auto pt : points)
    {
        if (first)
            p.startNewSubPath (pt);
        else
            p.lineTo (pt);
        first = false;
    }
    if (closed)
        p.closeSubPath();
    return cornerRadius > 0.0f ? p.createPathWithRoundedCorners (cornerRadius) : p;
}

Path roundedRect (float x, float y, float w, float h, float radius)
{
    Path p;
    p.addRoundedRectangle (x, y, w, h, radius);
    return p;
}

Path ellipse (float cx, float cy, float rx, float ry)
{
    Path p;
    p.addEllipse (cx - rx, cy - ry, 2.0f * rx, 2.0f * ry);
    return p;
}

// The framework's arc angle of a point around a centre: clockwise from twelve o'clock.
float arcAngle (Point<float> centre, Point<float> point)
{
    return std::atan2 (point.x - centre.x, centre.y - point.y);
}

Path lowerHalfEllipse (float cx, float cy, float rx, float ry)
{
    Path p;
    p.addCentredArc (cx, cy, rx, ry, 0.0f, MathConstants<float>::halfPi, MathConstants<float>::pi * 1.5f, true);
    return p;
}

// A smooth curve through y = f(x), sampled finely.
Path curve (float x0, float x1, const std::function<float (float)>& f)
{
    Path p;
    constexpr int steps = 96;
    for (int i = 0; i <= steps; ++i)
    {
        const float x = x0 + (x1 - x0) * (float) i / (float) steps;
        if (i == 0)
            p.startNewSubPath (x, f (x));
        else
            p.lineTo (x, f (x));
    }
    return p;
}

//==============================================================================
// Top-bar glyphs.
Glyph openFolderGlyph()
{
    Glyph g;
    g.stroke (polyline ({ { 3.0f, 18.75f }, { 3.0f, 5.25f }, { 9.0f, 5.25f }, { 10.5f, 6.75f }, { 18.75f, 6.75f }, { 18.75f, 11.25f } }, false, 1.5f));
    g.stroke (polyline ({ { 3.0f, 18.75f }, { 6.75f, 11.25f }, { 21.75f, 11.25f }, { 18.0f, 18.75f } }, true, 1.0f));
    return g;
}

Glyph floppyDiskGlyph()
{
    Glyph g;
    g.stroke (polyline ({ { 3.75f, 3.75f }, { 16.5f, 3.75f }, { 20.25f, 7.5f }, { 20.25f, 20.25f }, { 3.75f, 20.25f } }, true, 2.0f));
    g.stroke (polyline ({ { 7.5f, 3.75f }, { 7.5f, 8.25f }, { 15.0f, 8.25f }, { 15.0f, 3.75f } }, false, 1.0f));
    g.stroke (polyline ({ { 6.75f, 20.25f }, { 6.75f, 13.5f }, { 17.25f, 13.5f }, { 17.25f, 20.25f } }, false, 1.0f));
    return g;
}

Glyph connectGlyph()
{
    Glyph g;
    g.stroke (roundedRect (3.0f, 3.0f, 18.0f, 18.0f, 4.5f));
    g.stroke (polyline ({ { 9.0f, 16.5f }, { 9.0f, 7.5f } }));
    g.stroke (polyline ({ { 6.5f, 10.0f }, { 9.0f, 7.5f }, { 11.5f, 10.0f } }));
    g.stroke (polyline ({ { 15.0f, 7.5f }, { 15.0f, 16.5f } }));
    g.stroke (polyline ({ { 12.5f, 14.0f }, { 15.0f, 16.5f }, { 17.5f, 14.0f } }));
    return g;
}

Glyph discStackGlyph()
{
    Glyph g;
    g.stroke (ellipse (12.0f, 6.0f, 8.25f, 3.0f));
    g.stroke (polyline ({ { 3.75f, 6.0f }, { 3.75f, 18.0f } }));
    g.stroke (polyline ({ { 20.25f, 6.0f }, { 20.25f, 18.0f } }));
    g.stroke (lowerHalfEllipse (12.0f, 12.0f, 8.25f, 3.0f));
    g.stroke (lowerHalfEllipse (12.0f, 18.0f, 8.25f, 3.0f));
    return g;
}

Glyph returnArrowGlyph()
{
    Glyph g;
    Path shaft;
    shaft.startNewSubPath (3.75f, 7.5f);
    shaft.lineTo (14.25f, 7.5f);
    shaft.addCentredArc (14.25f, 13.875f, 6.375f, 6.375f, 0.0f, 0.0f, MathConstants<float>::pi);
    shaft.lineTo (8.25f, 20.25f);
    g.stroke (shaft);
    g.stroke (polyline ({ { 8.25f, 3.0f }, { 3.75f, 7.5f }, { 8.25f, 12.0f } }));
    return g;
}

Glyph toothedWheelGlyph()
{
    constexpr int teeth = 10;
    constexpr float outer = 9.5f, root = 7.2f;
    const float pitch = MathConstants<float>::twoPi / (float) teeth;
    const auto at = [] (float radius, float angle)
    {
        return Point<float> (12.0f + radius * std::sin (angle), 12.0f - radius * std::cos (angle));
    };

    Path wheel;
    wheel.startNewSubPath (at (root, -0.30f * pitch));
    for (int i = 0; i < teeth; ++i)
    {
        const float a = pitch * (float) i;
        wheel.lineTo (at (outer, a - 0.16f * pitch));
        wheel.lineTo (at (outer, a + 0.16f * pitch));
        wheel.lineTo (at (root, a + 0.30f * pitch));
        wheel.lineTo (at (root, a + 0.70f * pitch));
    }
    wheel.closeSubPath();

    Glyph g;
    g.stroke (wheel.createPathWithRoundedCorners (0.6f));
    g.stroke (ellipse (12.0f, 12.0f, 3.0f, 3.0f));
    return g;
}

//==============================================================================
// Section glyphs (the section buttons' small ones and the section icons' large ones).
Glyph fadersGlyph()
{
    Glyph g;
    const float xs[] = { 6.0f, 12.0f, 18.0f };
    const float knobs[] = { 15.0f, 8.0f, 12.5f };
    for (int i = 0; i < 3; ++i)
    {
        g.stroke (polyline ({ { xs[i], 3.0f }, { xs[i], 21.0f } }));
        g.fill (roundedRect (xs[i] - 3.25f, knobs[i] - 2.0f, 6.5f, 4.0f, 1.2f));
    }
    return g;
}

Glyph sineWaveGlyph()
{
    Glyph g;
    g.stroke (curve (2.0f, 22.0f, [] (float x)
                     { return 12.0f - 7.0f * std::sin (MathConstants<float>::twoPi * (x - 2.0f) / 20.0f); }));
    return g;
}

Glyph softClipGlyph()
{
    Glyph g;
    g.stroke (polyline ({ { 3.0f, 3.0f }, { 3.0f, 21.0f }, { 21.0f, 21.0f } }));
    g.stroke (curve (3.0f, 21.0f, [] (float x)
                     { return 21.0f - 15.0f * std::tanh ((x - 3.0f) / 6.0f); }));
    return g;
}

// A rotary cabinet: the flared horn on its rotor hub, above the bass drum.
Glyph hornAndDrumGlyph()
{
    Path horn;
    horn.startNewSubPath (10.0f, 4.6f);
    horn.quadraticTo (16.0f, 4.6f, 20.5f, 1.8f);
    horn.lineTo (20.5f, 10.2f);
    horn.quadraticTo (16.0f, 7.4f, 10.0f, 7.4f);

    Glyph g;
    g.stroke (horn.createPathWithRoundedCorners (0.6f));
    g.stroke (ellipse (7.5f, 6.0f, 2.5f, 2.5f));
    g.stroke (polyline ({ { 3.0f, 6.0f }, { 5.0f, 6.0f } }));
    g.stroke (ellipse (12.0f, 14.5f, 8.0f, 2.5f));
    g.stroke (polyline ({ { 4.0f, 14.5f }, { 4.0f, 19.0f } }));
    g.stroke (polyline ({ { 20.0f, 14.5f }, { 20.0f, 19.0f } }));
    g.stroke (lowerHalfEllipse (12.0f, 19.0f, 8.0f, 2.5f));
    return g;
}

Glyph cubeGlyph()
{
    const Point<float> top (12.0f, 2.5f), upperRight (20.0f, 7.0f), lowerRight (20.0f, 17.0f),
        bottom (12.0f, 21.5f), lowerLeft (4.0f, 17.0f), upperLeft (4.0f, 7.0f), centre (12.0f, 11.5f);
    Glyph g;
    g.stroke (polyline ({ top, upperRight, lowerRight, bottom, lowerLeft, upperLeft }, true, 1.0f));
    g.stroke (polyline ({ upperLeft, centre, upperRight }));
    g.stroke (polyline ({ centre, bottom }));
    return g;
}

// An open-ended wrench along the x axis, its jaw opening to +x, centred on the origin.
Path wrenchOutline()
{
    constexpr float handleEnd = -11.0f, handleHalf = 2.0f, head = 7.0f, headRadius = 4.6f,
                    slotHalf = 1.8f, slotBottom = head + 0.4f;
    const Point<float> centre (head, 0.0f);
    const float junctionX = head - std::sqrt (headRadius * headRadius - handleHalf * handleHalf);
    const float slotX = head + std::sqrt (headRadius * headRadius - slotHalf * slotHalf);
    const float pi = MathConstants<float>::pi;

    Path p;
    p.startNewSubPath (junctionX, -handleHalf);
    p.lineTo (handleEnd, -handleHalf);
    p.addCentredArc (handleEnd, 0.0f, handleHalf, handleHalf, 0.0f, 0.0f, -pi);
    p.lineTo (junctionX, handleHalf);
    p.addCentredArc (head, 0.0f, headRadius, headRadius, 0.0f, arcAngle (centre, { junctionX, handleHalf }),
                     arcAngle (centre, { slotX, slotHalf }) - 2.0f * pi);
    p.lineTo (slotBottom, slotHalf);
    p.lineTo (slotBottom, -slotHalf);
    p.lineTo (slotX, -slotHalf);
    p.addCentredArc (head, 0.0f, headRadius, headRadius, 0.0f, arcAngle (centre, { slotX, -slotHalf }),
                     arcAngle (centre, { junctionX, -handleHalf }));
    p.closeSubPath();
    return p.createPathWithRoundedCorners (0.5f);
}

Glyph toolsGlyph()
{
    const auto screwdriverAxis = AffineTransform::rotation (MathConstants<float>::pi / 4.0f).translated (12.0f, 12.0f);
    const auto wrenchAxis = AffineTransform::translation (-0.5f, 0.0f)
                                .rotated (-MathConstants<float>::pi / 4.0f)
                                .translated (12.0f, 12.0f);

    Path shaft = polyline ({ { -11.5f, 0.0f }, { 2.0f, 0.0f } });
    Path handle = roundedRect (2.0f, -2.8f, 10.0f, 5.6f, 2.2f);
    shaft.applyTransform (screwdriverAxis);
    handle.applyTransform (screwdriverAxis);

    Path wrench = wrenchOutline();
    wrench.applyTransform (wrenchAxis);

    Path screwdriver (shaft);
    screwdriver.addPath (handle);

    // The screwdriver lies across the wrench: a gap in the wrench's outline around it.
    Glyph g;
    g.stroke (wrench).erase (screwdriver).stroke (screwdriver);
    return g;
}

//==============================================================================
// The images.
Image backdropImage()
{
    constexpr int width = 1024, height = 748, topBar = 78, columnWidth = 200, headerRule = 163;
    Image image (Image::RGB, width, height, false);
    Graphics g (image);
    g.fillAll (Palette::white);
    g.setColour (Palette::black);
    g.fillRect (0, 0, width, topBar);
    g.setColour (Palette::column);
    g.fillRect (0, topBar, columnWidth, height - topBar);
    g.setColour (Palette::rule);
    g.fillRect (columnWidth, topBar, 1, height - topBar);
    g.fillRect (231, headerRule, 1009 - 231 + 1, 1);
    return image;
}

Image topBarButtonImage (const Fonts& fonts, const Glyph& glyph, const String& caption, State state)
{
    constexpr int width = 104, height = 78;
    Image image (Image::RGB, width, height, false);
    {
        Graphics g (image);
        g.fillAll (state == State::normal ? Palette::black : Palette::topBarOver);
    }
    drawGlyph (image, glyph, { 36.0f, 13.0f, 32.0f, 32.0f }, 2.0f,
               state == State::down ? Palette::accentBlue : Palette::glyphGrey);

    Graphics g (image);
    g.setColour (Palette::white);
    drawCentredText (g, fonts.make (true, 11.0f).withExtraKerningFactor (0.04f), caption, width / 2.0f, 63.0f);
    return image;
}

Image sectionButtonImage (const Fonts& fonts, const Glyph& glyph, const String& title, State state)
{
    constexpr int width = 201, height = 40;
    const Colour ink = state == State::down ? Palette::accentBlue : Palette::sectionText;
    Image image (Image::RGB, width, height, false);
    {
        Graphics g (image);
        g.fillAll (state == State::normal ? Palette::column : Palette::highlight);
        g.setColour (Palette::rule);
        g.fillRect (width - 1, 0, 1, height);
        g.fillRect (0, height - 1, width, 1);
    }
    drawGlyph (image, glyph, { 14.5f, 7.5f, 24.0f, 24.0f }, 1.5f, ink);

    Graphics g (image);
    g.setColour (ink);
    const Font font = fonts.make (false, 14.0f);
    GlyphArrangement glyphs;
    glyphs.addLineOfText (font, title, 50.0f, 24.0f);
    glyphs.draw (g);
    return image;
}

Image subPageTabImage (const Fonts& fonts, const String& caption, State state)
{
    constexpr int width = 85, height = 29;
    constexpr float slant = 9.0f;
    Image image (Image::RGB, width, height, false);
    Graphics g (image);
    g.fillAll (Palette::white);

    // Outline on pixel centres so that the straight edges stay one pixel sharp.
    Path tab = polyline ({ { 0.5f, height - 0.5f }, { 0.5f + slant, 0.5f }, { width - 0.5f, 0.5f }, { width - 0.5f, height - 0.5f } }, true);
    g.setColour (state == State::normal ? Palette::column : Palette::highlight);
    g.fillPath (tab);
    g.setColour (Palette::rule);
    g.strokePath (tab, PathStrokeType (1.0f, PathStrokeType::mitered));

    g.setColour (state == State::down ? Palette::accentBlue : Palette::tabText);
    const Font font = fonts.make (true, 11.0f).withExtraKerningFactor (0.04f);
    drawCentredText (g, font, caption, (slant / 2.0f + width) / 2.0f,
                     std::round ((height - 1) / 2.0f + capHeight (font) / 2.0f));
    return image;
}

Image sectionIconImage (const Glyph& glyph)
{
    Image image (Image::ARGB, 88, 70, true);
    // Twice the section buttons' scale, lines on pixel centres like theirs.
    drawGlyph (image, glyph, { 20.5f, 11.5f, 48.0f, 48.0f }, 3.0f, Palette::accentBlue);
    return image;
}

// Two half links facing each other, joined by a bar.
Image indicatorImage (Colour colour)
{
    Image image (Image::ARGB, 35, 18, true);
    Graphics g (image);
    const float pi = MathConstants<float>::pi;
    Path link;
    link.startNewSubPath (14.0f, 4.0f);
    link.lineTo (7.0f, 4.0f);
    link.addCentredArc (7.0f, 9.0f, 5.0f, 5.0f, 0.0f, 0.0f, -pi);
    link.lineTo (14.0f, 14.0f);
    link.startNewSubPath (21.0f, 4.0f);
    link.lineTo (28.0f, 4.0f);
    link.addCentredArc (28.0f, 9.0f, 5.0f, 5.0f, 0.0f, 0.0f, pi);
    link.lineTo (21.0f, 14.0f);
    link.startNewSubPath (11.5f, 9.0f);
    link.lineTo (23.5f, 9.0f);
    g.setColour (colour);
    g.strokePath (link, PathStrokeType (2.0f, PathStrokeType::curved, PathStrokeType::rounded));
    return image;
}

//==============================================================================
struct TopBarItem
{
    const char* name;
    const char* caption;
    Glyph (*glyph)();
};
const TopBarItem topBarItems[] = {
    { "open", "OPEN", openFolderGlyph },
    { "save", "SAVE", floppyDiskGlyph },
    { "connect", "CONNECT", connectGlyph },
    { "store", "STORE", discStackGlyph },
    { "reset", "RESET", returnArrowGlyph },
    { "tonewheel", "TONEWHEEL", toothedWheelGlyph },
};

struct SectionItem
{
    const char* name;
    const char* title;
    Glyph (*glyph)();
};
const SectionItem sectionItems[] = {
    { "tonegenerator", "Tone Generator", fadersGlyph },
    { "vibratochorus", "Vibrato and Chorus", sineWaveGlyph },
    { "overdrive", "Overdrive", softClipGlyph },
    { "rotary", "Rotary", hornAndDrumGlyph },
    { "reverb", "Reverb", cubeGlyph },
    { "additional", "Additional Functions", toolsGlyph },
};

const char* const subPageCaptions[] = { "MAIN", "DRAWBAR", "CLASSIC", "ROCK", "COMMON" };

class SkinWriter
{
public:
    explicit SkinWriter (File folder) : dir (std::move (folder)) {}

    void write (const String& name, const Image& image)
    {
        const File file = dir.getChildFile (name + ".png");
        file.deleteFile();
        FileOutputStream out (file);
        PNGImageFormat png;
        if (! out.openedOk() || ! png.writeImageToStream (image, out))
        {
            std::cerr << "skin-generator: cannot write " << file.getFullPathName() << "\n";
            failed = true;
            return;
        }
        ++written;
    }

    bool ok() const { return ! failed; }
    int count() const { return written; }

private:
    File dir;
    int written = 0;
    bool failed = false;
};

void writeSkin (SkinWriter& out, const Fonts& fonts)
{
    out.write ("backdrop", backdropImage());

    for (const auto& item : topBarItems)
        for (const auto& s : buttonStates)
            out.write (String ("topbar_") + item.name + "_" + s.suffix,
                       topBarButtonImage (fonts, item.glyph(), item.caption, s.state));

    for (const auto& item : sectionItems)
        for (const auto& s : buttonStates)
            out.write (String ("section_") + item.name + "_" + s.suffix,
                       sectionButtonImage (fonts, item.glyph(), item.title, s.state));

    for (const auto* caption : subPageCaptions)
        for (const auto& s : buttonStates)
            out.write ("subpage_" + String (caption).toLowerCase() + "_" + s.suffix,
                       subPageTabImage (fonts, caption, s.state));

    for (const auto& item : sectionItems)
        out.write (String ("icon_") + item.name, sectionIconImage (item.glyph()));

    out.write ("indicator_off", indicatorImage (Palette::indicatorOff));
    out.write ("indicator_on", indicatorImage (Palette::indicatorOn));
}
}   // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: skin-generator <output folder>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI framework;
    const Fonts fonts;
    if (! fonts.isValid())
        return 1;

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! folder.createDirectory())
    {
        std::cerr << "skin-generator: cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    SkinWriter out (folder);
    writeSkin (out, fonts);
    std::cout << "skin-generator: wrote " << out.count() << " images to " << folder.getFullPathName() << "\n";
    return out.ok() ? 0 : 1;
}
