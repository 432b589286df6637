#include "persistence/HiveText.h"

#include <algorithm>
#include <cstdio>

namespace vireo::hive {
namespace {

constexpr std::string_view kBlanks = " \t";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Length of the UTF-8 sequence at the front of text, or 0 when it is not valid.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07;
    else
        return 0;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (c & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool invalid = code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF);
    return overlong || invalid ? 0 : length;
}

bool IsValidUtf8(std::string_view text, bool (*allowedControl)(char)) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        if (c < 0x20 && !allowedControl(char(c)))
            return false;
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

bool ParseQuoted(std::string_view& text, std::string& out) {
    out.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            if (next != '\\' && next != '"')
                out += '\\'; // not an escape: kept as written
            out += next;
            continue;
        }
        out += c;
    }
    return false;
}

// The bytes of hex data spread over lines ending in a backslash.
bool ParseHexBytes(std::string_view first, const std::vector<std::string>& lines,
                   std::string& bytes) {
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view part = i == 0 ? first : TrimLeft(lines[i]);
        part = TrimRight(part);
        if (i + 1 < lines.size())
            part.remove_suffix(1); // the continuation's backslash
        joined += part;
    }
    bytes.clear();
    std::string_view rest = TrimRight(TrimLeft(joined));
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view token = TrimRight(TrimLeft(rest.substr(0, comma)));
        if (token.size() != 2 || HexDigit(token[0]) < 0 || HexDigit(token[1]) < 0)
            return false;
        bytes += char(HexDigit(token[0]) * 16 + HexDigit(token[1]));
        if (comma == std::string_view::npos)
            break;
        rest = rest.substr(comma + 1);
        if (TrimLeft(rest).empty())
            return false; // a trailing comma: cut short
    }
    return true;
}

// hex: is type 3 (binary); hex(N): names the type in hex digits.
bool ParseHexType(std::string_view& data, std::uint32_t& type) {
    data.remove_prefix(3);
    type = 3;
    if (!data.empty() && data.front() == '(') {
        const auto close = data.find(')');
        if (close == std::string_view::npos || close < 2 || close > 9)
            return false;
        type = 0;
        for (const char c : data.substr(1, close - 1)) {
            if (HexDigit(c) < 0)
                return false;
            type = type * 16 + std::uint32_t(HexDigit(c));
        }
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':')
        return false;
    data.remove_prefix(1);
    return true;
}

HiveValue HexValue(std::uint32_t type, const std::string& bytes) {
    switch (type) {
    case 1:
        return HiveValue::String(std::string(UpToZero(bytes)));
    case 2:
        return HiveValue::ExpandString(std::string(UpToZero(bytes)));
    case 4:
        if (bytes.size() == 4) {
            std::uint32_t v = 0;
            for (int i = 3; i >= 0; --i)
                v = (v << 8) | static_cast<unsigned char>(bytes[std::size_t(i)]);
            return HiveValue::DWord(v);
        }
        break;
    default:
        break;
    }
    return {HiveValue::Type::Other, {}, 0};
}

bool ParseDWord(std::string_view data, HiveValue& value) {
    const std::string_view digits = TrimRight(data.substr(6));
    if (digits.size() != 8)
        return false;
    std::uint32_t v = 0;
    for (const char c : digits) {
        if (HexDigit(c) < 0)
            return false;
        v = v * 16 + std::uint32_t(HexDigit(c));
    }
    value = HiveValue::DWord(v);
    return true;
}

bool ParseData(std::string_view data, const std::vector<std::string>& lines, HiveValue& value) {
    if (data.starts_with('"')) {
        std::string text;
        if (!ParseQuoted(data, text) || !TrimRight(data).empty())
            return false;
        value = HiveValue::String(std::move(text));
        return true;
    }
    if (TrimRight(data) == "-") {
        value = {HiveValue::Type::Deleted, {}, 0};
        return true;
    }
    if (StartsWithNoCase(data, "dword:"))
        return ParseDWord(data, value);
    std::uint32_t type = 0;
    std::string bytes;
    if (!StartsWithNoCase(data, "hex") || !ParseHexType(data, type) ||
        !ParseHexBytes(data, lines, bytes))
        return false;
    value = HexValue(type, bytes);
    return true;
}

} // namespace

std::string_view TrimLeft(std::string_view text) {
    const auto start = text.find_first_not_of(kBlanks);
    return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
    const auto end = text.find_last_not_of(kBlanks);
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

bool IsCleanUtf8Text(std::string_view text) {
    return IsValidUtf8(text, [](char c) { return c == '\t' || c == '\r' || c == '\n'; });
}

bool IsWritableName(std::string_view text) {
    return IsValidUtf8(text, [](char c) { return c == '\t'; });
}

bool ParseValueName(std::string_view& text, std::string& name) {
    if (text.starts_with('@')) {
        name.clear();
        text.remove_prefix(1);
        return true;
    }
    return text.starts_with('"') && ParseQuoted(text, name);
}

bool ParseValueLine(const std::vector<std::string>& lines, std::string& name, HiveValue& value) {
    std::string_view rest = lines.front();
    if (!ParseValueName(rest, name))
        return false;
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=')
        return false;
    return ParseData(TrimLeft(rest.substr(1)), lines, value);
}

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string FormatStringData(std::string_view text) {
    text = UpToZero(text);
    if (IsWritableName(text))
        return Quote(text);
    return "hex(1):" + HexBytes(text, true);
}

std::string HexBytes(std::string_view bytes, bool zeroTerminated) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3 + 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty())
            out += ',';
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    if (zeroTerminated)
        out += out.empty() ? "00" : ",00";
    return out;
}

std::string FormatDWord(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "dword:%08x", value);
    return buffer;
}

} // namespace vireo::hive
