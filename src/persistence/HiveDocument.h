#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One registry value as a hive file holds it.
struct HiveValue {
    enum class Type : std::uint8_t {
        String,       // REG_SZ: "text" or hex(1):
        ExpandString, // REG_EXPAND_SZ: hex(2):
        DWord,        // REG_DWORD: dword:0000000a or hex(4): with four bytes
        Other,        // any other type, kept but never read
        Deleted,      // "name"=- : the value is gone
    };

    Type type = Type::String;
    std::string text;        // String, ExpandString: the bytes up to the first zero
    std::uint32_t dword = 0; // DWord

    static HiveValue String(std::string text) { return {Type::String, std::move(text), 0}; }
    static HiveValue ExpandString(std::string text) {
        return {Type::ExpandString, std::move(text), 0};
    }
    static HiveValue DWord(std::uint32_t value) { return {Type::DWord, {}, value}; }
};

// A hive file's text in the registry editor's export format (REGEDIT4), parsed without any
// file access. Every line is kept as it was read, line ending included; only the values that
// are set change, so a hive written back holds everything it held, including what this program
// does not know and lines it cannot read.
//
// Full key paths name their root, e.g. "HKEY_CURRENT_USER\Software\Maker\Program".
// Key paths and value names compare case-insensitively (ASCII), as the registry does.
class HiveDocument {
public:
    // A document with the header only.
    HiveDocument();

    // nullopt when the text is not a hive: its first line that is not blank is not a header
    // (binary bytes, another format). An empty text is an empty hive. A line that cannot be
    // read (malformed, cut short, invalid UTF-8 or control characters) costs only itself: it
    // holds no value, is kept as it stands, and a section line that cannot be read puts the
    // values after it, up to the next section, under no key.
    static std::optional<HiveDocument> Parse(std::string_view text);

    // The value in force for the key and name (the last one in the file, as an import would
    // leave it); nullopt when there is none or it was deleted.
    std::optional<HiveValue> Find(std::string_view keyPath, std::string_view name) const;

    // Replaces every line of the value, or adds it to the key's section (adding the section at
    // the end when there is none). False, with nothing changed, when the key path or the name
    // cannot be written (control characters, an empty key path) or the value is Deleted.
    bool Set(std::string_view keyPath, std::string_view name, const HiveValue& value);

    // The document as text, in the line ending style it was read with.
    std::string Serialize() const;

private:
    enum class Kind : std::uint8_t { Header, Section, Value, Other };
    struct Line {
        std::string text; // without its line ending
        std::string end;  // "\n" or "\r\n" as read; empty: the document's own ending
    };
    struct Entry {
        Kind kind = Kind::Other;
        std::vector<Line> lines; // physical lines, continuations included
        std::string key;         // Section, Value: the section's key path
        std::string name;        // Value: its name ("" for the unnamed value)
        HiveValue value;         // Value
        bool inSection = false;  // Value: false for a value before any section
    };

    static std::vector<Line> SplitLines(std::string_view text);
    void ParseEntry(std::vector<Line> lines, std::optional<std::string>& section);
    static bool InSection(const Entry& entry, std::string_view keyPath);
    void Insert(std::string_view keyPath, Entry entry);

    std::vector<Entry> entries_;
    bool crlf_ = false;
    bool bom_ = false;
};

// The line that writes a value, e.g. "Periodic Delay"=dword:000000fa; nullopt for the types
// that cannot be written (Other, Deleted).
std::optional<std::string> FormatHiveValueLine(std::string_view name, const HiveValue& value);

} // namespace vireo
