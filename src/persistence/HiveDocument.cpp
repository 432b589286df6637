#include "persistence/HiveDocument.h"

#include "persistence/HiveText.h"

#include <algorithm>

namespace vireo {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool IsHeader(std::string_view line) {
    line = hive::TrimRight(line);
    return line == kHeader4 || line == kHeader5;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Whether the text holds nothing but blanks and line ends.
bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Whether a value line carries hex data, which may continue over several lines.
bool HasHexData(std::string_view line) {
    std::string_view rest = line;
    std::string name;
    if (!hive::ParseValueName(rest, name))
        return false;
    rest = hive::TrimLeft(rest);
    if (rest.empty() || rest.front() != '=')
        return false;
    return hive::StartsWithNoCase(hive::TrimLeft(rest.substr(1)), "hex");
}

// Whether an entry is one blank line.
template <typename Lines> bool IsBlank(const Lines& lines) {
    return lines.size() == 1 && hive::TrimRight(lines.front().text).empty();
}

bool Continues(std::string_view line) {
    line = hive::TrimRight(line);
    return !line.empty() && line.back() == '\\';
}

} // namespace

HiveDocument::HiveDocument() {
    entries_.push_back(Entry{Kind::Header, {Line{std::string(kHeader4), {}}}, {}, {}, {}, false});
}

// Splits into lines, each with the ending it was read with. A carriage return at the very end
// of the text, with no line feed after it, is not kept.
std::vector<HiveDocument::Line> HiveDocument::SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        std::string ending = end == std::string_view::npos ? "" : "\n";
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
            if (!ending.empty())
                ending = "\r\n";
        }
        lines.push_back(Line{std::string(line), std::move(ending)});
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

std::optional<HiveDocument> HiveDocument::Parse(std::string_view text) {
    const bool bom = text.starts_with(kBom);
    if (bom)
        text.remove_prefix(kBom.size());
    if (IsBlankText(text))
        return HiveDocument();

    const std::vector<Line> lines = SplitLines(text);
    std::size_t header = 0;
    while (header + 1 < lines.size() && hive::TrimRight(lines[header].text).empty())
        ++header; // blank lines before the header are kept, and cost nothing
    if (!IsHeader(lines[header].text))
        return std::nullopt;

    HiveDocument doc;
    doc.bom_ = bom;
    doc.crlf_ = lines[header].end == "\r\n";
    doc.entries_.clear();
    for (std::size_t i = 0; i < header; ++i)
        doc.entries_.push_back(Entry{Kind::Other, {lines[i]}, {}, {}, {}, false});
    doc.entries_.push_back(Entry{Kind::Header, {lines[header]}, {}, {}, {}, false});

    std::optional<std::string> section; // key path of the section being read
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        std::vector<Line> entry{lines[i]};
        if (hive::IsCleanUtf8Text(lines[i].text) && HasHexData(lines[i].text)) {
            while (Continues(entry.back().text) && i + 1 < lines.size())
                entry.push_back(lines[++i]);
        }
        doc.ParseEntry(std::move(entry), section);
    }
    return doc;
}

// Appends one entry. One that cannot be read is kept as it stands and holds no value.
void HiveDocument::ParseEntry(std::vector<Line> lines, std::optional<std::string>& section) {
    const bool clean = std::all_of(lines.begin(), lines.end(), [](const Line& line) {
        return hive::IsCleanUtf8Text(line.text);
    });
    const std::string_view first = lines.front().text;
    Entry entry;
    if (first.starts_with('[')) {
        const std::string_view line = hive::TrimRight(first);
        if (clean && line.size() >= 2 && line.back() == ']') {
            entry.kind = Kind::Section;
            entry.key = std::string(line.substr(1, line.size() - 2));
            section = entry.key;
        } else {
            section.reset(); // its values belong to a key that cannot be told
        }
    } else if (clean && (first.starts_with('"') || first.starts_with('@'))) {
        std::vector<std::string> texts;
        for (const Line& line : lines)
            texts.push_back(line.text);
        if (hive::ParseValueLine(texts, entry.name, entry.value)) {
            entry.kind = Kind::Value;
            entry.inSection = section.has_value();
            entry.key = section.value_or(std::string());
        }
    }
    entry.lines = std::move(lines);
    entries_.push_back(std::move(entry));
}

bool HiveDocument::InSection(const Entry& entry, std::string_view keyPath) {
    return entry.kind == Kind::Value && entry.inSection && hive::EqualsNoCase(entry.key, keyPath);
}

std::optional<HiveValue> HiveDocument::Find(std::string_view keyPath, std::string_view name) const {
    const auto found = std::find_if(entries_.rbegin(), entries_.rend(), [&](const Entry& e) {
        return InSection(e, keyPath) && hive::EqualsNoCase(e.name, name);
    });
    if (found == entries_.rend() || found->value.type == HiveValue::Type::Deleted)
        return std::nullopt;
    return found->value;
}

bool HiveDocument::Set(std::string_view keyPath, std::string_view name, const HiveValue& value) {
    if (keyPath.empty() || !hive::IsWritableName(keyPath) || !hive::IsWritableName(name))
        return false;
    const auto line = FormatHiveValueLine(name, value);
    if (!line)
        return false;
    // Held as the file holds it: a string ends at its first zero byte.
    HiveValue stored = value;
    stored.text = std::string(hive::UpToZero(value.text));
    bool replaced = false;
    for (Entry& entry : entries_) {
        if (InSection(entry, keyPath) && hive::EqualsNoCase(entry.name, name)) {
            entry.lines = {Line{*line, entry.lines.back().end}};
            entry.value = stored;
            replaced = true;
        }
    }
    if (!replaced)
        Insert(keyPath, Entry{Kind::Value,
                              {Line{*line, {}}},
                              std::string(keyPath),
                              std::string(name),
                              stored,
                              true});
    return true;
}

void HiveDocument::Insert(std::string_view keyPath, Entry entry) {
    // After the last value of the key's last section, or after that section's own line.
    std::optional<std::size_t> at;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if ((e.kind == Kind::Section && hive::EqualsNoCase(e.key, keyPath)) ||
            (at && InSection(e, keyPath)))
            at = i + 1;
    }
    if (at) {
        entries_.insert(entries_.begin() + std::ptrdiff_t(*at), std::move(entry));
        return;
    }
    if (!IsBlank(entries_.back().lines))
        entries_.push_back(Entry{Kind::Other, {Line{}}, {}, {}, {}, false});
    entries_.push_back(Entry{Kind::Section,
                             {Line{"[" + std::string(keyPath) + "]", {}}},
                             std::string(keyPath),
                             {},
                             {},
                             false});
    entries_.push_back(std::move(entry));
}

std::string HiveDocument::Serialize() const {
    const std::string_view eol = crlf_ ? "\r\n" : "\n";
    std::string text(bom_ ? kBom : std::string_view{});
    for (const Entry& entry : entries_) {
        for (const Line& line : entry.lines) {
            text += line.text;
            text += line.end.empty() ? eol : std::string_view(line.end);
        }
    }
    return text;
}

std::optional<std::string> FormatHiveValueLine(std::string_view name, const HiveValue& value) {
    std::string line = name.empty() ? "@" : hive::Quote(name);
    line += '=';
    switch (value.type) {
    case HiveValue::Type::String:
        line += hive::FormatStringData(value.text);
        return line;
    case HiveValue::Type::ExpandString:
        line += "hex(2):" + hive::HexBytes(hive::UpToZero(value.text), true);
        return line;
    case HiveValue::Type::DWord:
        line += hive::FormatDWord(value.dword);
        return line;
    case HiveValue::Type::Other:
    case HiveValue::Type::Deleted:
        break;
    }
    return std::nullopt;
}

} // namespace vireo
