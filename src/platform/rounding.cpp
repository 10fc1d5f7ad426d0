#include "rounding.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace quillar {

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode; make sure it is the
    // default round-to-nearest-even whatever a library may have set.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return r;
}

namespace {
template <typename T>
std::optional<T> roundInto(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<T>::min())
        || r > static_cast<double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(r);
}
} // namespace

std::optional<std::int16_t> roundToInt16(double value)
{
    return roundInto<std::int16_t>(value);
}
std::optional<std::int32_t> roundToInt32(double value)
{
    return roundInto<std::int32_t>(value);
}

std::int32_t roundToInt32Clamped(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = roundHalfEven(value);
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

} // namespace quillar
