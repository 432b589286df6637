#pragma once

#include <string>

namespace vireo {

// The program's own data folder, in place of the folder of the program file: the folder
// "sonexa-vireo-mixer" in $XDG_DATA_HOME, or in ~/.local/share when that is unset, empty or
// relative. The text ends with "/", like a folder part of a path. Nothing is created here.
std::string ProgramDataFolder();

// ProgramDataFolder() followed by "Default.mix": the settings file of a plain start and of
// the "&Default" button.
std::string DefaultSettingsFilePath();

} // namespace vireo
