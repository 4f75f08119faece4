#include "organ/ParameterMapping.h"

#include <cmath>
#include <limits>

namespace orvane
{
namespace
{
bool isLevel (int index) { return index >= 0 && index <= 3; }
bool isRatio (int index) { return (index >= 39 && index <= 41) || (index >= 44 && index <= 49) || (index >= 52 && index <= 57); }
bool isChorusPair (int index) { return index == 31 || index == 34; }
bool isRatioShown (int index) { return (index >= 39 && index <= 41) || index == 45 || index == 49 || index == 53 || index == 57; }

// The chorus factors enter in their single-precision values, widened to double.
constexpr double mixFactor31 = (double) 0.12f;
constexpr double mixFactor34 = (double) -0.06f;

float chorusValue (int index, ChorusSliders chorus, const float* d)
{
    const double factor = index == 31 ? mixFactor31 : mixFactor34;
    return (float) (chorus.level + ((chorus.mix - 100.0) * factor + (double) d[index]));
}

float depthCap (float v, const float* d)
{
    const float a = 100.0f * d[35];
    return v > a ? d[36] : d[36] * (v / a);
}
}   // namespace

SliderTargets sliderTargetsFor (int index)
{
    switch (index)
    {
        case 0: return { { 0, 1 }, { 0, 1 } };
        case 30: return { { 30 }, { 30, 39 } };
        case 31: return { { 31, 34 }, { 31, 34, 39 } };   // 39 resends the depth unchanged
        case 35: return { { 35, 36 }, { 35, 36 } };
        case 39: return { { 39, 40, 41 }, { 39, 40, 41 } };
        case 45: return { { 45, 47, 44 }, { 47, 45, 44 } };
        case 49: return { { 49, 48, 46 }, { 49, 48, 46 } };
        case 53: return { { 53, 55, 52 }, { 55, 53, 52 } };
        case 57: return { { 57, 56, 54 }, { 57, 56, 54 } };
        default: break;
    }

    if (juce::isPositiveAndBelow (index, firstByteParameter))
        return { { index }, { index } };
    return {};
}

float sliderToParamValue (int index, float v, ChorusSliders chorus, const float* d)
{
    if (isLevel (index))
        return powf (10.0f, v * 0.05f) * 100.0f;
    if (index == 30)
        return v + d[30];
    if (isChorusPair (index))
        return chorusValue (index, chorus, d);
    if (index == 35)
        return 0.01f * v;
    if (index == 36)
        return depthCap (v, d);
    if (isRatio (index))
        return (d[index] * v) * 0.01f;
    return v;
}

float paramToSliderValue (int index, const ParameterValues& p, const float* d)
{
    if (! juce::isPositiveAndBelow (index, numParameters))
        return 0.0f;

    const float value = p[(size_t) index].load();
    if (isLevel (index))
        return log10f (value * 0.01f) * 20.0f;
    if (index == 30)
        return value - d[30];
    if (index == 31)
        return ((((d[34] - d[31]) + value) - p[34].load()) * 50.0f) / 9.0f + 100.0f;
    if (index == 35)
        return value * 100.0f;
    if (isRatioShown (index))
        return (100.0f / d[index]) * value;
    return value;
}

double chorusLevelSliderValue (float p31, double shownMix, const float* d)
{
    return (double) (p31 - d[31]) + ((shownMix - 100.0) * -6.0) / 50.0;
}

double shownSliderValue (double value, double minimum, double maximum)
{
    if (std::isnan (value))
        return minimum;
    return juce::jlimit (minimum, maximum, value);   // also brings either infinity to its end
}

int selectorPositionFor (float value)
{
    // Truncation toward zero: (-1, 0) gives position 0; NaN fails both comparisons.
    if (! (value > -1.0f && value < (float) std::numeric_limits<int>::max()))
        return -1;
    return (int) value;
}
}   // namespace orvane
