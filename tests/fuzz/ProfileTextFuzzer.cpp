// Input: five lines (section, key, value, another section, another key), then the profile text.
// Invariants of the profile reader and writer on any text:
//  - a value written with SetString reads back with GetString as the profile rules say;
//  - SetString refuses exactly the names and values that cannot be written as one line;
//  - writing keeps every other byte: at most the key's own line changes;
//  - every other key reads as before, and writing the same value again changes nothing.
#include "FuzzCheck.h"
#include "persistence/ProfileText.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using vireo::profile::GetString;
using vireo::profile::kValueBufferSize;
using vireo::profile::SetString;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

bool HasBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool CleanName(std::string_view s) {
    return !s.empty() && !IsBlank(s.front()) && !IsBlank(s.back()) && !HasBreak(s);
}

bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    return CleanName(section) && CleanName(key) && !HasBreak(value) &&
           section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
           key.front() != '[' && key.front() != ';';
}

std::string_view Unquoted(std::string_view value) {
    value = Trim(value);
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

// What GetString gives for a stored value: all of it, or a cut that loses at most the three
// bytes of a character straddling the buffer's end.
bool ReadsBackAs(std::string_view stored, std::string_view read) {
    const std::string_view full = Unquoted(stored);
    constexpr std::size_t kMax = kValueBufferSize - 1;
    if (full.size() <= kMax)
        return read == full;
    return full.starts_with(read) && read.size() <= kMax && read.size() + 3 >= kMax;
}

// Only one line's content may differ: what the edit removed holds no line break.
bool KeepsOtherLines(std::string_view before, std::string_view after) {
    const auto prefix = std::size_t(std::ranges::mismatch(before, after).in1 - before.begin());
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return !HasBreak(before.substr(prefix, before.size() - prefix - suffix));
}

struct Input {
    std::array<std::string_view, 5> fields; // section, key, value, other section, other key
    std::string_view text;
};

Input Split(std::string_view data) {
    Input input;
    for (auto& field : input.fields) {
        const auto end = data.find('\n');
        field = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view{} : data.substr(end + 1);
    }
    input.text = data;
    return input;
}

void CheckOtherKeyUnchanged(const Input& in, std::string_view edited) {
    const auto [section, key, value, otherSection, otherKey] = in.fields;
    if (SameName(otherSection, section) && SameName(otherKey, key))
        return;
    FUZZ_CHECK(GetString(edited, otherSection, otherKey) ==
               GetString(in.text, otherSection, otherKey));
    // The edited key seen from the other section's point of view, too.
    if (!SameName(otherSection, section))
        FUZZ_CHECK(GetString(edited, otherSection, key) == GetString(in.text, otherSection, key));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = Split({reinterpret_cast<const char*>(data), size});
    const auto [section, key, value, otherSection, otherKey] = in.fields;

    if (const auto read = GetString(in.text, section, key))
        FUZZ_CHECK(read->size() < kValueBufferSize);

    const auto edited = SetString(in.text, section, key, value);
    FUZZ_CHECK(edited.has_value() == Writable(section, key, value));
    if (!edited)
        return 0;

    const auto read = GetString(*edited, section, key);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(ReadsBackAs(value, *read));
    FUZZ_CHECK(KeepsOtherLines(in.text, *edited));
    CheckOtherKeyUnchanged(in, *edited);
    FUZZ_CHECK(SetString(*edited, section, key, value) == edited);
    return 0;
}
