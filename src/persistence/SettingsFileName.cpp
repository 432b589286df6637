#include "persistence/SettingsFileName.h"

#include <algorithm>

namespace vireo {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
#else
constexpr std::string_view kSeparators = "/";
#endif

std::size_t NameStart(std::string_view path) {
    const auto last = path.find_last_of(kSeparators);
    return last == std::string_view::npos ? 0 : last + 1;
}

} // namespace

std::string FolderPart(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string FileNamePart(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string SettingsDisplayNameOf(std::string_view path) {
    const std::string name = FileNamePart(path);
    const auto pos = name.find(".mix");
    return pos == std::string::npos ? std::string() : name.substr(0, pos);
}

bool IsDefaultSettingsName(std::string_view path) {
    return FileNamePart(path) == "Default.mix";
}

bool HasMixExtension(std::string_view path) {
    const std::string name = FileNamePart(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; });
    return extension == ".mix";
}

} // namespace vireo
