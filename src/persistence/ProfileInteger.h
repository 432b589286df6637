#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vireo {

// The integer a profile value stands for: optional leading blanks, an optional "+" or "-", then
// decimal digits or "$" and hexadecimal digits (either case); a text of more than two
// characters that begins with "0x" or "0X" reads as "$" and the rest. nullopt for any other
// text, an empty one included, and for a number outside the signed 32-bit range.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

// ParseProfileInteger(text), or fallback when the text is no such number.
std::int32_t ProfileIntegerOr(std::string_view text, std::int32_t fallback);

} // namespace vireo
