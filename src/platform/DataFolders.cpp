#include "platform/DataFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vireo {
namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string DataHome() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return dataHome;
    std::string home = HomeFolder();
    if (home.back() != '/')
        home += '/';
    return home + ".local/share";
}

} // namespace

std::string ProgramDataFolder() {
    std::string folder = DataHome();
    if (folder.back() != '/')
        folder += '/';
    return folder + "sonexa-vireo-mixer/";
}

std::string DefaultSettingsFilePath() {
    return ProgramDataFolder() + "Default.mix";
}

} // namespace vireo
