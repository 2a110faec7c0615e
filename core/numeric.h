#pragma once
// Rounding and checked real arithmetic shared by every effect.
// roundToInt is round-to-nearest with ties to even (std::rint in the default
// rounding mode, which the program never changes: std::nearbyint gives the same
// at ten times the cost); truncToInt drops the fraction. Both refuse values that
// do not fit a 32-bit signed integer, as every real-to-integer conversion here must.
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/error.h"

namespace jollix {

inline int32_t roundToInt(long double v) {
    long double r = std::rint(v);
    if (!(r >= -2147483648.0L && r <= 2147483647.0L)) throw JollixError(kRangeCheckError);
    return static_cast<int32_t>(r);
}

inline int32_t truncToInt(long double v) {
    long double r = std::trunc(v);
    if (!(r >= -2147483648.0L && r <= 2147483647.0L)) throw JollixError(kRangeCheckError);
    return static_cast<int32_t>(r);
}

// Division of reals that reports a zero divisor the way the program does.
inline long double checkedDivide(long double a, long double b) {
    if (b == 0) throw JollixError(kDivisionByZero);
    return a / b;
}

// Square root that reports a negative argument.
inline long double checkedSqrt(long double v) {
    if (v < 0) throw JollixError(kInvalidFloatOp);
    return std::sqrt(v);
}

// View pixels to picture pixels: roundToInt(v / zoom * 100), divide first.
inline int32_t viewToPicture(long double v, double zoomPercent) {
    return roundToInt(checkedDivide(v, static_cast<long double>(zoomPercent)) * 100.0L);
}

}  // namespace jollix
