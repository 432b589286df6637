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

// Splits into lines without their endings; tells whether the first line ended in CR LF.
std::vector<std::string> SplitLines(std::string_view text, bool& crlf) {
    std::vector<std::string> lines;
    crlf = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            if (lines.empty() && end != std::string_view::npos)
                crlf = true;
        }
        lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
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

bool Continues(std::string_view line) {
    line = hive::TrimRight(line);
    return !line.empty() && line.back() == '\\';
}

bool IsBlank(const std::vector<std::string>& lines) {
    return lines.size() == 1 && hive::TrimRight(lines.front()).empty();
}

} // namespace

HiveDocument::HiveDocument() {
    entries_.push_back(Entry{Kind::Header, {std::string(kHeader4)}, {}, {}, {}, false});
}

std::optional<HiveDocument> HiveDocument::Parse(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!hive::IsCleanUtf8Text(text))
        return std::nullopt;
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return HiveDocument();

    HiveDocument doc;
    std::vector<std::string> lines = SplitLines(text, doc.crlf_);
    if (!IsHeader(lines.front()))
        return std::nullopt;
    doc.entries_.front().lines = {lines.front()};

    std::optional<std::string> section; // key path of the section being read
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> entry{lines[i]};
        if (HasHexData(lines[i])) {
            while (Continues(entry.back())) {
                if (++i == lines.size())
                    return std::nullopt; // cut short inside its data
                entry.push_back(lines[i]);
            }
        }
        if (!doc.ParseEntry(std::move(entry), section))
            return std::nullopt;
    }
    return doc;
}

// Appends one entry; false when its line is damaged.
bool HiveDocument::ParseEntry(std::vector<std::string> lines, std::optional<std::string>& section) {
    const std::string_view first = lines.front();
    Entry entry;
    if (first.starts_with('[')) {
        const std::string_view line = hive::TrimRight(first);
        if (line.size() < 2 || line.back() != ']')
            return false;
        entry.kind = Kind::Section;
        entry.key = std::string(line.substr(1, line.size() - 2));
        section = entry.key;
    } else if (first.starts_with('"') || first.starts_with('@')) {
        if (!hive::ParseValueLine(lines, entry.name, entry.value))
            return false;
        entry.kind = Kind::Value;
        entry.inSection = section.has_value();
        entry.key = section.value_or(std::string());
    }
    entry.lines = std::move(lines);
    entries_.push_back(std::move(entry));
    return true;
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
            entry.lines = {*line};
            entry.value = stored;
            replaced = true;
        }
    }
    if (!replaced)
        Insert(keyPath,
               Entry{Kind::Value, {*line}, std::string(keyPath), std::string(name), stored, true});
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
        entries_.push_back(Entry{Kind::Other, {std::string()}, {}, {}, {}, false});
    entries_.push_back(Entry{
        Kind::Section, {"[" + std::string(keyPath) + "]"}, std::string(keyPath), {}, {}, false});
    entries_.push_back(std::move(entry));
}

std::string HiveDocument::Serialize() const {
    const std::string_view eol = crlf_ ? "\r\n" : "\n";
    std::string text;
    for (const Entry& entry : entries_) {
        for (const std::string& line : entry.lines) {
            text += line;
            text += eol;
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
