#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace orvane
{
/** The family that stands in for "Arial" among the installed families: "Arial" itself when it
    is there, else the metric-compatible "Liberation Sans", else none (empty). */
juce::String arialFamilyAmong (const juce::StringArray& installedFamilies);

/** The typeface for a font named "Arial" on a system without Arial: the same style of
    Liberation Sans. Null for every other font, and where Arial itself is installed, so that
    the framework's own lookup serves those.

    The framework matches family names exactly and ignores the system's font aliases, so
    without this a font named "Arial" falls back to one regular face and loses bold. */
juce::Typeface::Ptr findArialSubstitute (const juce::Font& font);

/** Makes `lookAndFeel` the application's default (null: the framework's own) and forgets the
    typefaces resolved so far, which the framework keeps by family and style: every font is
    then resolved anew through the new default. */
void useAsDefaultLookAndFeel (juce::LookAndFeel* lookAndFeel);

/** A look-and-feel whose typeface lookup resolves "Arial" as above and leaves every other
    font to LookAndFeelBase. The framework resolves the typefaces of all fonts through the
    default look-and-feel, so one of these must be the default (useAsDefaultLookAndFeel) for
    the substitute to apply anywhere. */
template <class LookAndFeelBase>
class ArialResolving : public LookAndFeelBase
{
public:
    using LookAndFeelBase::LookAndFeelBase;

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override
    {
        if (auto substitute = findArialSubstitute (font))
            return substitute;

        return LookAndFeelBase::getTypefaceForFont (font);
    }
};

/** The default look-and-feel for as long as it exists: it gives every "Arial" text of the
    editor (labels, sliders, selectors, menus, boxes) the stand-in above. On destruction it
    hands the default back to the look-and-feel that it replaced (the framework's own when
    that one is gone). Its owner must outlive every window: the framework tells each window on
    the desktop of a new default, and a window in the middle of its destruction would build
    its native window again. */
class ArialDefaultLookAndFeel : public ArialResolving<juce::LookAndFeel_V4>
{
public:
    ArialDefaultLookAndFeel() : previous (&juce::LookAndFeel::getDefaultLookAndFeel()) { useAsDefaultLookAndFeel (this); }

    ~ArialDefaultLookAndFeel() override
    {
        if (&juce::LookAndFeel::getDefaultLookAndFeel() == this)
            useAsDefaultLookAndFeel (previous.get());
    }

private:
    juce::WeakReference<juce::LookAndFeel> previous;
};
}   // namespace orvane
