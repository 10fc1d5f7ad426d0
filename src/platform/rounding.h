#pragma once

#include <cstdint>
#include <optional>

namespace quillar {

// Whole numbers from real numbers: the nearest one, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
[[nodiscard]] double roundHalfEven(double value);

// Half-even rounding into a range; nullopt when the result does not fit (or the
// value is not a number). Callers decide whether that is a failure or a clamp.
[[nodiscard]] std::optional<std::int16_t> roundToInt16(double value);
[[nodiscard]] std::optional<std::int32_t> roundToInt32(double value);

// Half-even rounding clamped into the 32-bit range; NaN gives 0.
[[nodiscard]] std::int32_t roundToInt32Clamped(double value);

} // namespace quillar
