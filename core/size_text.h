#pragma once
// The arithmetic of the image size dialog: which texts are sizes, the
// integer conversion of a field, the held width-to-height ratio and the
// "+" and "-" scaling.
#include <cstdint>
#include <optional>
#include <string>

namespace jollix {

// A valid size text: at least one character, every one a decimal digit.
// No sign, no space.
bool isAllDigits(const std::string& text);

// The integer in a field, as the dialog's buttons read it: optional leading
// spaces, an optional '+' or '-', then decimal digits, nothing after them,
// and a value that fits a 32-bit signed integer. Anything else throws
// JollixError("'<text>' is not a valid integer value").
int32_t parseInteger(const std::string& text);

// roundToInt(a * numerator / denominator) with the product a * numerator formed
// exactly: the other field's value while the ratio is held (a the typed
// value, numerator and denominator the picture's other and typed sides).
// A zero denominator is "Floating point division by zero"; a result outside
// 32 bits a range error.
int32_t heldRatioValue(int32_t a, int32_t numerator, int32_t denominator);

// roundToInt(w * percent / 100): "-" uses 80 and "+" 125.
int32_t scaledByPercent(int32_t w, int32_t percent);
inline constexpr int32_t kShrinkPercent = 80;
inline constexpr int32_t kGrowPercent = 125;

// What OK reads from the two fields: the typed size when both texts are
// valid size texts and neither is 0; nothing when the dialog has to say
// "Please input a valid integer value.". A text of digits too large for
// 32 bits throws parseInteger's error.
struct TypedSize {
    int32_t width;
    int32_t height;
};
std::optional<TypedSize> typedSize(const std::string& widthText, const std::string& heightText);

inline constexpr const char* kInvalidSizeMessage = "Please input a valid integer value.";

}  // namespace jollix
