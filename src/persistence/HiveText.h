#pragma once

#include "persistence/HiveDocument.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pieces of the hive file format, for HiveDocument.
namespace vireo::hive {

std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
std::string_view UpToZero(std::string_view text);

// Valid UTF-8 without control characters other than tab, CR and LF.
bool IsCleanUtf8Text(std::string_view text);
// A key path or value name that fits on one line: valid UTF-8, no control characters but tab.
bool IsWritableName(std::string_view text);

// Reads "name" (with \\ and \" escapes) or @ from the front of text and moves past it.
bool ParseValueName(std::string_view& text, std::string& name);
// Parses a value line and its continuation lines; false when any of it is malformed.
bool ParseValueLine(const std::vector<std::string>& lines, std::string& name, HiveValue& value);

// "text" with \ and " escaped.
std::string Quote(std::string_view text);
// A string's data: quoted, or hex(1): where it holds what a quoted text cannot.
std::string FormatStringData(std::string_view text);
// Comma-separated two-digit bytes, with a closing 00 when asked.
std::string HexBytes(std::string_view bytes, bool zeroTerminated);
std::string FormatDWord(std::uint32_t value);

} // namespace vireo::hive
