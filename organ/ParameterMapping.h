#pragma once

#include "organ/ProjectImage.h"

#include <vector>

/** How the panel's sliders and selectors turn into parameter values and back. Pure functions
    of the stored values and the default row of the organ's revision (`defaults`, 99 values,
    from orvane::defaultRowFor): no window, no state. Conversions run in single precision in
    the order written, except the chorus pair, which is computed in double precision. */
namespace orvane
{
using ParameterValues = std::array<std::atomic<float>, numParameters>;

/** The "Chorus Mix" and "Chorus Level" sliders as the framework holds them (snapped to their
    steps): both drive parameters 31 and 34 together. */
struct ChorusSliders
{
    double mix = 100.0;
    double level = 0.0;
};

/** The parameters that the slider carrying component ID `index` stores from its value, in the
    order they are stored, and those it then sends, in the order they are sent. */
struct SliderTargets
{
    std::vector<int> stored;
    std::vector<int> sent;
};

/** Targets of a parameter slider (0..84); empty for any other index. */
SliderTargets sliderTargetsFor (int index);

/** Parameter `index` for the slider value `v`: decibels to a level for 0..3, an offset from
    the default for 30, the chorus pair for 31 and 34 (from `chorus`; v is not used), a
    hundredth for 35, the capped share of the default for 36, a percentage of the default for
    39..41, 44..49 and 52..57, and v itself for every other index. */
float sliderToParamValue (int index, float v, ChorusSliders chorus, const float* defaults);

/** The value that the slider of parameter `index` shows for the stored values `p`: the
    inverse of sliderToParamValue (for 31, the "Chorus Mix" of p[31] and p[34]). The slider
    clamps and snaps it. 0 for an index outside the parameter set. */
float paramToSliderValue (int index, const ParameterValues& p, const float* defaults);

/** What the "Chorus Level" slider shows for p[31] when the "Chorus Mix" slider holds
    `shownMix` (its value after clamping and snapping, so that the pair gives back p[31]). */
double chorusLevelSliderValue (float p31, double shownMix, const float* defaults);

/** The value a slider of range [minimum, maximum] is given for a computed display value,
    always finite and inside the range: NaN (a level <= 0 in decibels, inf - inf in the chorus
    pair, a NaN from the organ) and -inf give the minimum, +inf the maximum, and any other
    value is clamped. The framework's slider keeps a NaN and then reposts its value for
    ever, so no other value may reach one. */
double shownSliderValue (double value, double minimum, double maximum);

/** The position of a selector's item for a choice value: the value truncated toward zero, or
    -1 when that is no position (negative, too large for an int, or not a number). */
int selectorPositionFor (float value);
}   // namespace orvane
