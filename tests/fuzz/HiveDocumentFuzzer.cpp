// Input: the text of a hive file. Invariants of the hive reader and writer:
//  - parsing never fails on any bytes;
//  - a parsed hive written and parsed again holds the same values, and writing it is stable
//    (but for carriage returns at line ends);
//  - a value set (string, expandable string, integer) reads back, also after writing and
//    parsing again, and leaves every other value as it was;
//  - a set is refused only for a key path or name that cannot be written.
#include "FuzzCheck.h"
#include "persistence/HiveDocument.h"
#include "persistence/HiveText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using vireo::HiveDocument;
using vireo::HiveValue;
namespace hive = vireo::hive;

using Pair = std::pair<std::string, std::string>; // key path, value name
constexpr std::size_t kMaxPairs = 64;

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

// The key paths and names the text's value lines speak of (a few extra from data lines that
// look alike do no harm: they are compared just the same).
std::vector<Pair> NamedValues(std::string_view text) {
    std::vector<Pair> pairs;
    std::string key;
    for (std::string_view line : Lines(text)) {
        if (pairs.size() == kMaxPairs)
            break;
        const std::string_view trimmed = hive::TrimRight(line);
        if (trimmed.starts_with('[') && trimmed.size() >= 2 && trimmed.ends_with(']'))
            key = std::string(trimmed.substr(1, trimmed.size() - 2));
        std::string name;
        if (hive::ParseValueName(line, name))
            pairs.emplace_back(key, std::move(name));
    }
    return pairs;
}

// Stray carriage returns at line ends are not kept (a line read as "x\r" is written as
// "x\r\n" and then read as "x"); everything else is.
std::string WithoutCarriageReturns(std::string_view text) {
    std::string out;
    std::size_t returns = 0; // carriage returns not yet known to stand before a line feed
    for (const char c : text) {
        if (c == '\r') {
            ++returns;
            continue;
        }
        if (c != '\n')
            out.append(returns, '\r');
        returns = 0;
        out += c;
    }
    return out;
}

bool SameValue(const std::optional<HiveValue>& a, const std::optional<HiveValue>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    return a->type == b->type && a->text == b->text && a->dword == b->dword;
}

bool Matches(const Pair& pair, std::string_view key, std::string_view name) {
    return hive::EqualsNoCase(pair.first, key) && hive::EqualsNoCase(pair.second, name);
}

// What Find gives back for a value that was set: strings end at their first zero byte.
HiveValue Stored(HiveValue value) {
    value.text = std::string(hive::UpToZero(value.text));
    return value;
}

std::vector<HiveValue> ValuesToSet(std::string_view text,
                                   const std::vector<std::string_view>& lines) {
    using namespace std::string_literals;
    const std::string last(lines.empty() ? std::string_view{} : lines.back());
    std::uint32_t hash = 2166136261u;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return {HiveValue::String(last), HiveValue::String(last + "\x01\xFF\xC3"s + '\0' + "cut"),
            HiveValue::ExpandString(last), HiveValue::DWord(hash)};
}

void CheckSet(const HiveDocument& doc, const std::vector<Pair>& pairs, const Pair& target,
              const HiveValue& value) {
    const auto& [key, name] = target;
    HiveDocument edited = doc;
    if (!edited.Set(key, name, value)) {
        FUZZ_CHECK(key.empty() || !hive::IsWritableName(key) || !hive::IsWritableName(name));
        return;
    }
    FUZZ_CHECK(SameValue(edited.Find(key, name), Stored(value)));
    const auto reread = HiveDocument::Parse(edited.Serialize());
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(SameValue(reread->Find(key, name), Stored(value)));
    for (const Pair& other : pairs) {
        if (!Matches(other, key, name))
            FUZZ_CHECK(SameValue(reread->Find(other.first, other.second),
                                 doc.Find(other.first, other.second)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto doc = HiveDocument::Parse(text);
    if (!doc)
        return 0;

    const std::vector<Pair> pairs = NamedValues(text);
    const std::string written = doc->Serialize();
    const auto again = HiveDocument::Parse(written);
    FUZZ_CHECK(again.has_value());
    for (const auto& [key, name] : pairs)
        FUZZ_CHECK(SameValue(again->Find(key, name), doc->Find(key, name)));
    FUZZ_CHECK(WithoutCarriageReturns(again->Serialize()) == WithoutCarriageReturns(written));

    // Edit a value the text names, and one under a key of its own.
    std::vector<Pair> targets{{"HKEY_CURRENT_USER\\Software\\Fuzz", "Value"}};
    if (!pairs.empty())
        targets.push_back(pairs[size % pairs.size()]);
    for (const HiveValue& value : ValuesToSet(text, Lines(text)))
        for (const Pair& target : targets)
            CheckSet(*doc, pairs, target, value);
    return 0;
}
