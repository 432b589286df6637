#include "platform/StringTable.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vireo {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr Entry kEntries[] = {
#include "StringTableData.inc"
};

} // namespace

std::string LoadStr(int id)
{
    const auto* it = std::find_if(std::begin(kEntries), std::end(kEntries),
                                  [id](const Entry& e) { return e.id == id; });
    return it == std::end(kEntries) ? std::string() : std::string(it->text);
}

std::string FmtLoadStr(int id, const std::string& arg)
{
    std::string text = LoadStr(id);
    for (auto pos = text.find("%s"); pos != std::string::npos; pos = text.find("%s", pos)) {
        text.replace(pos, 2, arg);
        pos += arg.size();
    }
    return text;
}

} // namespace vireo
