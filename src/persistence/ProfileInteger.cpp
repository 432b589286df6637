#include "persistence/ProfileInteger.h"

#include <limits>
#include <string>

namespace vireo {
namespace {

int DigitValue(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

// The magnitude of a run of digits, nullopt when empty, malformed or beyond limit.
std::optional<std::int64_t> Magnitude(std::string_view digits, int base, std::int64_t limit) {
    if (digits.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    std::string rewritten;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        rewritten = "$" + std::string(text.substr(2));
        text = rewritten;
    }
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    const bool hex = !text.empty() && text.front() == '$';
    if (hex)
        text.remove_prefix(1);

    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const auto magnitude = Magnitude(text, hex ? 16 : 10, negative ? kMax + 1 : kMax);
    if (!magnitude)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -*magnitude : *magnitude);
}

std::int32_t ProfileIntegerOr(std::string_view text, std::int32_t fallback) {
    return ParseProfileInteger(text).value_or(fallback);
}

} // namespace vireo
