#pragma once

#include <cstdint>
#include <cstring>

namespace orvane
{
/** A float's 32-bit IEEE 754 pattern and back, unchanged (signs, negative zero, NaN). Project
    files and the organ's float-form messages carry values this way. */
inline uint32_t floatBits (float value)
{
    uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));
    return bits;
}

inline float floatFromBits (uint32_t bits)
{
    float value;
    std::memcpy (&value, &bits, sizeof (value));
    return value;
}
}   // namespace orvane
