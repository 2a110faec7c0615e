#pragma once
// The one error type of the program. Its text is what the user sees in the
// message box ("Range check error", "Floating point division by zero", ...).
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

namespace jollix {

class JollixError : public std::runtime_error {
public:
    explicit JollixError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kRangeCheckError = "Range check error";
inline constexpr const char* kDivisionByZero = "Floating point division by zero";
inline constexpr const char* kInvalidFloatOp = "Invalid floating point operation";
inline constexpr const char* kNotEnoughMemory =
    "There is not enough memory to finish this operation. Nothing was changed.";

// The text shown for the exception being handled (call only inside a catch
// block): the program's own error's message as it is, and for what the
// standard library throws - a failed allocation above all, also one on a
// worker thread - plain words instead of its technical name.
inline std::string failureText() {
    try {
        throw;
    } catch (const JollixError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    } catch (const std::length_error&) {  // a size larger than can be held at all
        return kNotEnoughMemory;
    } catch (const std::system_error& e) {
        return "The system refused what this operation needs (" + e.code().message() + "). Nothing was changed.";
    } catch (const std::exception& e) {
        return std::string("This operation stopped because of an unexpected error (") + e.what() +
               "). Nothing was changed.";
    } catch (...) {
        return "This operation stopped because of an unexpected error. Nothing was changed.";
    }
}

}  // namespace jollix
