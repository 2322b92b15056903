// The one error type of the program. A failing status of the graphics runtime,
// a 16-bit overflow or a floating-point fault becomes a RuntimeError where it
// happens; nothing between there and the event loop catches it, and the event
// loop shows the standard run-time error message and ends the program.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

class RuntimeError : public std::runtime_error {
public:
    // Error numbers of the language's own faults.
    static constexpr std::int32_t kInvalidProcedureCall = 5;
    static constexpr std::int32_t kOverflow = 6;
    static constexpr std::int32_t kDivisionByZero = 11;
    static constexpr std::int32_t kInvalidPropertyValue = 380;

    // `detail`, where given, is the part of the description that says which
    // input was at fault and how (a file name and what is wrong with it).
    RuntimeError(std::int32_t code, std::string description, std::string detail = {});

    std::int32_t code() const { return code_; }
    // "6" for a language fault; "-2005530516 (8876086c)" for a status.
    std::string codeText() const;
    const std::string& description() const { return description_; }
    const std::string& detail() const { return detail_; }
    // The whole message: "実行時エラー '<code>':" and the description.
    std::string message() const;

private:
    std::int32_t code_;
    std::string description_;
    std::string detail_;
};

[[noreturn]] void raiseOverflow(const char* where);
[[noreturn]] void raiseDivisionByZero(const char* where);
// A property set to a value it does not accept.
[[noreturn]] void raiseInvalidPropertyValue(const char* what);

}  // namespace platform
