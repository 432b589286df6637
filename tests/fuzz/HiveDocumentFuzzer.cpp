// Input: the text of a hive file. Invariants of the hive reader and writer:
//  - parsing never fails on any bytes, and refuses only a text whose first line that is not
//    blank is not a header;
//  - a parsed hive written without a change is the text as it was read (a line ending is added
//    to a last line without one);
//  - a parsed hive written and parsed again holds the same values, and writing it is stable;
//  - a value set (string, expandable string, integer) reads back, also after writing and
//    parsing again, and leaves every other value as it was;
//  - a set is refused only for a key path or name that cannot be written;
//  - the text's lines put into the middle of a good hive cost nothing else: the values after
//    them read, and setting a value keeps every one of those lines as it stands.
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

bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (hive::EqualsNoCase(text.substr(at, part.size()), part))
            return true;
    }
    return false;
}

// Whether the first line that is not blank, after a byte order mark, is a header.
bool StartsWithHeader(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    for (std::string_view line : Lines(text)) {
        line = hive::TrimRight(line);
        if (!line.empty())
            return line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00";
    }
    return true; // a blank text is an empty hive
}

// Whether a hive written without a change is the text it was read from: the same bytes, but
// for a line ending after an unterminated last line (which loses a carriage return at its end).
bool WrittenAsRead(std::string_view text, const std::string& written) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (IsBlankText(text.starts_with(kBom) ? text.substr(kBom.size()) : text))
        return written == "REGEDIT4\n"; // an empty hive
    if (text.ends_with('\n'))
        return written == text;
    std::string ended(text);
    if (ended.ends_with('\r'))
        ended.pop_back();
    return written == ended + "\n" || written == ended + "\r\n";
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

// The text's lines between the values of a good hive: whatever they are, the values around
// them read and a set keeps them as they stand.
void CheckSpliced(std::string_view text) {
    constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Fuzz\\Splice";
    const std::string kBlockSection = "[HKEY_CURRENT_USER\\Software\\Fuzz\\Block]\n";
    std::string block(text);
    if (!block.empty() && !block.ends_with('\n'))
        block += '\n';
    // The block's own values fall under a key of their own.
    const std::string head = "REGEDIT4\n[" + std::string(kKey) +
                             "]\n\"Known\"=\"before\"\n\"Count\"=dword:00000001\n" + kBlockSection;
    // The blank line ends any hex data the block leaves open.
    const std::string tail =
        "\n[" + std::string(kKey) + "]\n\"Known\"=\"after\"\n\"Count\"=dword:0000002a\n";
    const std::string spliced = head + block + tail;
    auto doc = HiveDocument::Parse(spliced);
    FUZZ_CHECK(doc.has_value());
    FUZZ_CHECK(SameValue(doc->Find(kKey, "Known"), HiveValue::String("after")));
    FUZZ_CHECK(SameValue(doc->Find(kKey, "Count"), HiveValue::DWord(42)));
    FUZZ_CHECK(doc->Serialize() == spliced);

    FUZZ_CHECK(doc->Set(kKey, "Probe", HiveValue::DWord(7)));
    FUZZ_CHECK(doc->Set(kKey, "Known", HiveValue::String("set")));
    const std::string written = doc->Serialize();
    if (!ContainsNoCase(text, "splice")) {
        // Only the key's own lines change: the block is there, byte for byte.
        FUZZ_CHECK(
            written ==
            "REGEDIT4\n[" + std::string(kKey) + "]\n\"Known\"=\"set\"\n\"Count\"=dword:00000001\n" +
                kBlockSection + block + "\n[" + std::string(kKey) +
                "]\n\"Known\"=\"set\"\n\"Count\"=dword:0000002a\n\"Probe\"=dword:00000007\n");
    }
    const auto reread = HiveDocument::Parse(written);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(SameValue(reread->Find(kKey, "Known"), HiveValue::String("set")));
    FUZZ_CHECK(SameValue(reread->Find(kKey, "Count"), HiveValue::DWord(42)));
    FUZZ_CHECK(SameValue(reread->Find(kKey, "Probe"), HiveValue::DWord(7)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckSpliced(text);
    const auto doc = HiveDocument::Parse(text);
    if (!doc) {
        FUZZ_CHECK(!StartsWithHeader(text));
        return 0;
    }

    const std::vector<Pair> pairs = NamedValues(text);
    const std::string written = doc->Serialize();
    FUZZ_CHECK(WrittenAsRead(text, written));
    const auto again = HiveDocument::Parse(written);
    FUZZ_CHECK(again.has_value());
    for (const auto& [key, name] : pairs)
        FUZZ_CHECK(SameValue(again->Find(key, name), doc->Find(key, name)));
    FUZZ_CHECK(again->Serialize() == written);

    // Edit a value the text names, and one under a key of its own.
    std::vector<Pair> targets{{"HKEY_CURRENT_USER\\Software\\Fuzz", "Value"}};
    if (!pairs.empty())
        targets.push_back(pairs[size % pairs.size()]);
    for (const HiveValue& value : ValuesToSet(text, Lines(text)))
        for (const Pair& target : targets)
            CheckSet(*doc, pairs, target, value);
    return 0;
}
