#include "core/size_text.h"

#include "core/error.h"
#include "core/numeric.h"

namespace jollix {

bool isAllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int32_t parseInteger(const std::string& text) {
    const auto fail = [&]() -> JollixError { return JollixError("'" + text + "' is not a valid integer value"); };
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) throw fail();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') throw fail();
        value = value * 10 + (c - '0');
        if (value > int64_t(INT32_MAX) + 1) throw fail();
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) throw fail();
    return int32_t(value);
}

int32_t heldRatioValue(int32_t a, int32_t numerator, int32_t denominator) {
    const int64_t product = int64_t(a) * numerator;
    return roundToInt(checkedDivide((long double)product, (long double)denominator));
}

int32_t scaledByPercent(int32_t w, int32_t percent) { return roundToInt((long double)(int64_t(w) * percent) / 100.0L); }

std::optional<TypedSize> typedSize(const std::string& widthText, const std::string& heightText) {
    if (!isAllDigits(widthText) || !isAllDigits(heightText)) return std::nullopt;
    const int32_t w = parseInteger(widthText);
    const int32_t h = parseInteger(heightText);
    if (w <= 0 || h <= 0) return std::nullopt;
    return TypedSize{w, h};
}

}  // namespace jollix
