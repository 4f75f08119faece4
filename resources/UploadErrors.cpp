#include "resources/UploadErrors.h"

namespace orvane
{
const char* const deviceErrorTexts[6] = {
    "The size of the header is wrong!",
    "The tonewheel number is wrong!",
    "The size of the tonewheel is wrong!",
    "The dsp is not responding!",
    "The dsp can not erase flash!",
    "The dsp can not write flash!",
};

juce::String deviceErrorTextFor (int code)
{
    if (juce::isPositiveAndBelow (code, (int) std::size (deviceErrorTexts)))
        return deviceErrorTexts[code];
    return "The device reported error " + juce::String (code) + "!";
}
}   // namespace orvane
