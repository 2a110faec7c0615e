#pragma once
// The one error type of the program. Its text is what the user sees in the
// message box ("Range check error", "Floating point division by zero", ...).
#include <stdexcept>
#include <string>

namespace jollix {

class JollixError : public std::runtime_error {
public:
    explicit JollixError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kRangeCheckError = "Range check error";
inline constexpr const char* kDivisionByZero = "Floating point division by zero";
inline constexpr const char* kInvalidFloatOp = "Invalid floating point operation";

} // namespace jollix
