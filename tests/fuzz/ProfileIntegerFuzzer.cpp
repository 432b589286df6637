// Input: the text of a profile value. The integer reader must never fail on it and, on short
// texts, agree with a plain model of the rule: leading spaces, an optional sign, then decimal
// digits or "$" and hexadecimal digits; "0x" at the front of a longer text stands for "$"; the
// number must fit a signed 32-bit integer.
#include "FuzzCheck.h"
#include "persistence/ProfileInteger.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kModelMaxSize = 64;

bool AllDigits(std::string_view digits, int base) {
    const std::string_view allowed =
        base == 16 ? "0123456789abcdefABCDEF" : std::string_view{"0123456789"};
    return !digits.empty() && digits.find_first_not_of(allowed) == std::string_view::npos;
}

std::optional<std::int32_t> Model(std::string_view text) {
    std::string copy(text);
    if (copy.size() > 2 && copy[0] == '0' && (copy[1] == 'x' || copy[1] == 'X'))
        copy.replace(0, 2, "$");
    std::string_view rest = copy;
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    int base = 10;
    if (!rest.empty() && rest[0] == '$') {
        base = 16;
        rest.remove_prefix(1);
    }
    if (!AllDigits(rest, base))
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(rest.data(), rest.data() + rest.size(), magnitude, base);
    if (error != std::errc{} || end != rest.data() + rest.size())
        return std::nullopt; // beyond 64 bits, and so beyond 32
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ull << 62))
                 : static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ull << 62));
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = vireo::ParseProfileInteger(text);
    if (size <= kModelMaxSize)
        FUZZ_CHECK(parsed == Model(text));
    return 0;
}
