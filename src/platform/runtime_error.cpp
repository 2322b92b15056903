#include "platform/runtime_error.h"

#include <cstdio>

namespace platform {

RuntimeError::RuntimeError(std::int32_t code, std::string description, std::string detail)
    : std::runtime_error(description), code_(code), description_(std::move(description)),
      detail_(std::move(detail))
{
}

std::string RuntimeError::codeText() const
{
    if (code_ >= 0 && code_ < 65536)
        return std::to_string(code_);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%d (%08x)", code_, static_cast<std::uint32_t>(code_));
    return buf;
}

std::string RuntimeError::message() const { return "実行時エラー '" + codeText() + "':\n\n" + description_; }

void raiseOverflow(const char* where)
{
    throw RuntimeError(RuntimeError::kOverflow, std::string("オーバーフローしました。(") + where + ")");
}

void raiseDivisionByZero(const char* where)
{
    throw RuntimeError(RuntimeError::kDivisionByZero, std::string("0 で除算しました。(") + where + ")");
}

void raiseInvalidPropertyValue(const char* what)
{
    throw RuntimeError(RuntimeError::kInvalidPropertyValue,
                       std::string("プロパティの値が不正です。(") + what + ")");
}

}  // namespace platform
