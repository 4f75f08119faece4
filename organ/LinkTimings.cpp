#include "organ/LinkTimings.h"

#include <atomic>
#include <cmath>
#include <cstdlib>

namespace orvane::timing
{
namespace
{
double validFactor (double factor) noexcept
{
    return std::isfinite (factor) && factor > 0.0 && factor <= 1.0 ? factor : 1.0;
}

double factorFromEnvironment() noexcept
{
    const char* text = std::getenv ("ORVANE_LINK_TIME_SCALE");
    if (text == nullptr)
        return 1.0;
    char* end = nullptr;
    const double factor = std::strtod (text, &end);
    return end != text && *end == '\0' ? validFactor (factor) : 1.0;
}

// Read by both threads: the MIDI input thread starts the receive time-out.
std::atomic<double> factorInForce { factorFromEnvironment() };
}   // namespace

double scale() noexcept { return factorInForce.load(); }

void setScale (double factor) noexcept { factorInForce = validFactor (factor); }

int scaled (int ms) noexcept
{
    const double value = std::ceil ((double) ms * scale());
    return value < 1.0 ? 1 : (int) value;
}
}   // namespace orvane::timing
