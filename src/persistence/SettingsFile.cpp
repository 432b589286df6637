#include "persistence/SettingsFile.h"

#include "persistence/ProfileFile.h"
#include "persistence/ProfileInteger.h"
#include "persistence/SettingsFileName.h"
#include "platform/DataFolders.h"

#include <filesystem>
#include <optional>

namespace vireo {
namespace {

namespace key = settings_key;

constexpr std::string_view kUnableToWrite = "Unable to write to %s";

int ReadInteger(const ProfileFile& file, std::string_view name, int fallback) {
    return ProfileIntegerOr(file.ReadString(kMixerSettingsSection, name).value_or(""), fallback);
}

std::string ReadText(const ProfileFile& file, std::string_view name, std::string_view fallback) {
    return file.ReadString(kMixerSettingsSection, name).value_or(std::string(fallback));
}

bool WriteAll(ProfileFile& file, const MixerSettings& s) {
    const auto level = [&](std::string_view name, int value) {
        return file.WriteString(kMixerSettingsSection, name, std::to_string(value));
    };
    const auto text = [&](std::string_view name, const std::string& value) {
        return file.WriteString(kMixerSettingsSection, name, value);
    };
    const auto flag = [&](std::string_view name, bool on) {
        return file.WriteString(kMixerSettingsSection, name, on ? "1" : "0");
    };
    return level(key::VolumeLevel, s.volumeLevel) && level(key::MIDILevel, s.midiLevel) &&
           level(key::MIDIReverbLevel, s.midiReverbLevel) &&
           level(key::MIDIChorusLevel, s.midiChorusLevel) &&
           level(key::ADPartLevel, s.adPartLevel) && level(key::ReverbLevel, s.reverbLevel) &&
           level(key::ChorusLevel, s.chorusLevel) && level(key::VariationLevel, s.variationLevel) &&
           level(key::DryLevel, s.dryLevel) && text(key::ReverbEffect, s.reverbEffect) &&
           text(key::ChorusEffect, s.chorusEffect) &&
           text(key::VariationEffect, s.variationEffect) && flag(key::Lock, s.lock) &&
           flag(key::PeriodicRefresh, s.periodicRefresh);
}

// The program's data folder is made on its first save; any other folder must be there.
void PrepareFolder(const std::string& path) {
    const std::string folder = FolderPart(path);
    std::error_code error;
    if (folder == ProgramDataFolder() && !std::filesystem::exists(folder, error))
        std::filesystem::create_directories(folder, error);
}

SettingsWriteResult Refused(const std::string& path) {
    const auto at = kUnableToWrite.find("%s");
    std::string text(kUnableToWrite.substr(0, at));
    text.append(path).append(kUnableToWrite.substr(at + 2));
    return {false, text};
}

} // namespace

MixerSettings ReadSettingsFile(const std::string& path) {
    const ProfileFile file(path);
    MixerSettings s;
    s.volumeLevel = ReadInteger(file, key::VolumeLevel, s.volumeLevel);
    s.midiLevel = ReadInteger(file, key::MIDILevel, s.midiLevel);
    s.midiReverbLevel = ReadInteger(file, key::MIDIReverbLevel, s.midiReverbLevel);
    s.midiChorusLevel = ReadInteger(file, key::MIDIChorusLevel, s.midiChorusLevel);
    s.adPartLevel = ReadInteger(file, key::ADPartLevel, s.adPartLevel);
    s.reverbLevel = ReadInteger(file, key::ReverbLevel, s.reverbLevel);
    s.chorusLevel = ReadInteger(file, key::ChorusLevel, s.chorusLevel);
    s.variationLevel = ReadInteger(file, key::VariationLevel, s.variationLevel);
    s.dryLevel = ReadInteger(file, key::DryLevel, s.dryLevel);
    s.reverbEffect = ReadText(file, key::ReverbEffect, kNoEffect);
    s.chorusEffect = ReadText(file, key::ChorusEffect, kNoEffect);
    s.variationEffect = ReadText(file, key::VariationEffect, kNoEffect);
    s.lock = ReadInteger(file, key::Lock, 0) != 0;
    s.periodicRefresh = ReadInteger(file, key::PeriodicRefresh, 0) != 0;
    return s;
}

SettingsWriteResult WriteSettingsFile(const std::string& path, const MixerSettings& settings) {
    PrepareFolder(path);
    ProfileFile file(path);
    if (!file.CanSave() || !WriteAll(file, settings) || !file.Save())
        return Refused(path);
    return {true, {}};
}

} // namespace vireo
