#include "persistence/ProfileText.h"

#include <algorithm>

namespace vireo::profile {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](unsigned char x, unsigned char y) { return lower(x) == lower(y); });
}

// One line of the text: its content [begin, end) and where the following line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool terminated() const { return next > end; }
};

Line LineAt(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size() && !IsBreak(text[end]))
        ++end;
    std::size_t next = end;
    if (next < text.size())
        next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
    return {begin, end, next};
}

std::size_t FirstLineStart(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

enum class Kind { Other, Section, Entry };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

// Blank lines, comments and lines without "=" are Other: kept, never matched.
Parsed Parse(std::string_view content) {
    const std::string_view line = Trim(content);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[') {
        const auto close = line.rfind(']');
        if (close != std::string_view::npos)
            return {Kind::Section, Trim(line.substr(1, close - 1)), {}};
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {Kind::Entry, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

Parsed ParseLine(std::string_view text, const Line& line) {
    return Parse(text.substr(line.begin, line.end - line.begin));
}

// The header line of the first section named name; nullopt when there is none.
std::optional<Line> FindSection(std::string_view text, std::string_view name) {
    for (auto pos = FirstLineStart(text); pos < text.size();) {
        const Line line = LineAt(text, pos);
        const Parsed parsed = ParseLine(text, line);
        if (parsed.kind == Kind::Section && SameName(parsed.name, name))
            return line;
        pos = line.next;
    }
    return std::nullopt;
}

// Visits the lines of the section after header, up to the next section, until visit says stop.
template <typename Visit>
void ForEachSectionLine(std::string_view text, const Line& header, Visit visit) {
    for (auto pos = header.next; pos < text.size();) {
        const Line line = LineAt(text, pos);
        const Parsed parsed = ParseLine(text, line);
        if (parsed.kind == Kind::Section || !visit(line, parsed))
            return;
        pos = line.next;
    }
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// At most max bytes of value, cut before a UTF-8 sequence rather than inside it.
std::string_view Truncate(std::string_view value, std::size_t max) {
    if (value.size() <= max)
        return value;
    std::size_t cut = max;
    for (int back = 0; back < 3 && cut > 0 && (value[cut] & 0xC0) == 0x80; ++back)
        --cut;
    if ((value[cut] & 0xC0) == 0x80)
        cut = max; // not UTF-8 at all: cut where the buffer ends
    return value.substr(0, cut);
}

std::string_view LineEndOf(std::string_view text) {
    const auto pos = text.find_first_of("\r\n");
    if (pos == std::string_view::npos || text[pos] == '\n')
        return "\n";
    return text.substr(pos, 2) == "\r\n" ? "\r\n" : "\r";
}

bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    const auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
    const auto cleanName = [&](std::string_view s) { return !s.empty() && Trim(s) == s; };
    return cleanName(section) && cleanName(key) && !hasBreak(section) && !hasBreak(key) &&
           !hasBreak(value) && section.find(']') == section.npos && key.find('=') == key.npos &&
           key.front() != '[' && key.front() != ';';
}

std::string AppendSection(std::string_view text, std::string_view section, std::string_view entry) {
    const std::string_view eol = LineEndOf(text);
    std::string out(text);
    if (!out.empty() && !IsBreak(out.back()) && out != kByteOrderMark)
        out += eol;
    out.append("[").append(section).append("]").append(eol).append(entry).append(eol);
    return out;
}

} // namespace

std::optional<std::string> GetString(std::string_view text, std::string_view section,
                                     std::string_view key) {
    const auto header = FindSection(text, Trim(section));
    if (!header)
        return std::nullopt;
    std::optional<std::string> found;
    ForEachSectionLine(text, *header, [&](const Line&, const Parsed& parsed) {
        if (parsed.kind == Kind::Entry && SameName(parsed.name, Trim(key)))
            found = std::string(Truncate(Unquote(parsed.value), kValueBufferSize - 1));
        return !found;
    });
    return found;
}

std::optional<std::string> SetString(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value) {
    if (!Writable(section, key, value))
        return std::nullopt;
    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto header = FindSection(text, section);
    if (!header)
        return AppendSection(text, section, entry);

    Line last = *header; // the section's last entry, or its header
    std::optional<Line> match;
    ForEachSectionLine(text, *header, [&](const Line& line, const Parsed& parsed) {
        if (parsed.kind == Kind::Entry) {
            last = line;
            if (SameName(parsed.name, key))
                match = line;
        }
        return !match;
    });

    std::string out(text);
    if (match)
        return out.replace(match->begin, match->end - match->begin, entry);
    const std::string_view eol = LineEndOf(text);
    if (!last.terminated())
        return out.append(eol).append(entry).append(eol);
    return out.insert(last.next, entry + std::string(eol));
}

} // namespace vireo::profile
