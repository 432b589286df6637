#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The rules of a sectioned key=value profile file, applied to its text in memory. Nothing here
// touches a file, so any text at all, however damaged, may be handed in.
namespace vireo::profile {

// A value is read into a buffer of this many characters, the last one being the terminator.
inline constexpr std::size_t kValueBufferSize = 1024;

// The value of key in section, as the profile reader returns it: section and key names match
// without regard to letter case or surrounding blanks, only the first section and the first
// key of a name count, the value loses its surrounding blanks and one enclosing pair of single
// or double quotation marks, and at most kValueBufferSize - 1 bytes of it are seen (never a
// part of a UTF-8 sequence). nullopt when the section or key is missing or the key's line has
// no "=".
std::optional<std::string> GetString(std::string_view text, std::string_view section,
                                     std::string_view key);

// text with key in section set to value: the key's first line is replaced where it stands,
// else the key is added after the last entry of the section, else the section is added at
// the end. Every other byte is kept, a leading byte order mark included; new lines take the
// text's first line end (a line feed in a text without one). nullopt when the names or the
// value cannot be written as one line: an empty or blank-edged name, a line break, "=" or a
// leading "[" or ";" in the key, "]" in the section name.
std::optional<std::string> SetString(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value);

} // namespace vireo::profile
