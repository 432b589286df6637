#include "persistence/PreferencesStore.h"

#include "persistence/HiveDocument.h"
#include "persistence/HiveFile.h"
#include "persistence/HiveText.h"

namespace vireo {
namespace {

constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

std::string FullKey(std::string_view root, std::string_view key) {
    std::string path(root);
    if (!key.empty()) {
        path += '\\';
        path += key;
    }
    return path;
}

std::optional<HiveValue> FindIn(const QString& path, std::string_view root, std::string_view key,
                                std::string_view name) {
    const HiveFileContents contents = ReadHiveFile(path);
    if (!contents.document)
        return std::nullopt;
    return contents.document->Find(FullKey(root, key), name);
}

bool WriteIn(const QString& path, std::string_view root, std::string_view key,
             std::string_view name, const HiveValue& value) {
    const std::string fullKey = FullKey(root, key);
    return UpdateHiveFile(
        path, [&](HiveDocument& document) { return document.Set(fullKey, name, value); });
}

} // namespace

PreferencesStore::PreferencesStore(HivePaths paths)
    : fixedPaths_(std::move(paths)) {}

PreferencesStore& PreferencesStore::Shared() {
    static PreferencesStore store;
    return store;
}

std::string PreferencesStore::ReadRegString(std::string_view key, std::string_view name,
                                            const std::string& defaultValue) const noexcept {
    try {
        const auto value = Lookup(key, name);
        if (!value || (value->type != HiveValue::Type::String &&
                       value->type != HiveValue::Type::ExpandString))
            return defaultValue;
        const std::string_view text = hive::UpToZero(value->text);
        return text.empty() ? defaultValue : std::string(text);
    } catch (...) {
        return defaultValue;
    }
}

std::int32_t PreferencesStore::ReadRegInteger(std::string_view key, std::string_view name,
                                              std::int32_t defaultValue) const noexcept {
    try {
        const auto value = Lookup(key, name);
        if (!value || value->type != HiveValue::Type::DWord)
            return defaultValue;
        return static_cast<std::int32_t>(value->dword);
    } catch (...) {
        return defaultValue;
    }
}

bool PreferencesStore::WriteRegString(std::string_view key, std::string_view name,
                                      std::string_view value) noexcept {
    try {
        return Store(key, name, HiveValue::String(std::string(hive::UpToZero(value))));
    } catch (...) {
        return false;
    }
}

bool PreferencesStore::WriteRegInteger(std::string_view key, std::string_view name,
                                       std::int32_t value) noexcept {
    try {
        return Store(key, name, HiveValue::DWord(static_cast<std::uint32_t>(value)));
    } catch (...) {
        return false;
    }
}

bool PreferencesStore::MachineHiveWritable(const HivePaths& paths) const {
    return MayWriteFile(paths.machine);
}

HivePaths PreferencesStore::Paths() const {
    return fixedPaths_ ? *fixedPaths_ : HivePathsFromEnvironment();
}

std::optional<HiveValue> PreferencesStore::Lookup(std::string_view key,
                                                  std::string_view name) const {
    const HivePaths paths = Paths();
    switch (root_) {
    case RegRoot::CurrentUser:
        return FindIn(paths.user, kCurrentUser, key, name);
    case RegRoot::LocalMachine:
        if (!MachineHiveWritable(paths)) {
            if (auto value = FindIn(paths.machineOverlay, kLocalMachine, key, name))
                return value;
        }
        return FindIn(paths.machine, kLocalMachine, key, name);
    case RegRoot::ClassesRoot:
        break;
    }
    return std::nullopt;
}

bool PreferencesStore::Store(std::string_view key, std::string_view name, const HiveValue& value) {
    const HivePaths paths = Paths();
    switch (root_) {
    case RegRoot::CurrentUser:
        return WriteIn(paths.user, kCurrentUser, key, name, value);
    case RegRoot::LocalMachine:
        return WriteIn(MachineHiveWritable(paths) ? paths.machine : paths.machineOverlay,
                       kLocalMachine, key, name, value);
    case RegRoot::ClassesRoot:
        break;
    }
    return false;
}

} // namespace vireo
