#include "xfile/diagnostics.h"

#include <algorithm>
#include <cstring>

namespace xfile::detail {

bool Guid::operator==(const Guid& o) const { return std::memcmp(bytes, o.bytes, sizeof bytes) == 0; }

bool Diagnostics::fail(std::string message)
{
    if (error_.empty())
        error_ = message.empty() ? std::string("malformed file") : std::move(message);
    return false;
}

std::string Diagnostics::takeError()
{
    std::string error;
    error.swap(error_);
    hasContext_ = false;
    return error;
}

std::vector<std::string>* Diagnostics::redirectWarnings(std::vector<std::string>* warnings)
{
    std::vector<std::string>* before = warnings_;
    warnings_ = warnings;
    return before;
}

void Diagnostics::addContext(const std::string& what)
{
    if (error_.empty() || hasContext_)
        return;
    error_ += " (while reading " + what + ")";
    hasContext_ = true;
}

void Diagnostics::warn(std::string message)
{
    constexpr std::size_t kMaxWarnings = 32;
    if (!warnings_ || warnings_->size() >= kMaxWarnings)
        return;
    if (std::find(warnings_->begin(), warnings_->end(), message) != warnings_->end())
        return;
    warnings_->push_back(std::move(message));
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string quoteForMessage(std::string_view text)
{
    constexpr std::size_t kMax = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < kMax; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    if (text.size() > kMax)
        out += "...";
    out += "'";
    return out;
}

}  // namespace xfile::detail
