#pragma once

#include "persistence/HivePaths.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

struct HiveValue;

// Key paths, relative to their root.
inline constexpr std::string_view MachineKey = "SOFTWARE\\Brenmark\\Sonexa Vireo Mixer\\1.0";
inline constexpr std::string_view SettingsKey = "Software\\Brenmark\\Sonexa Vireo Mixer\\Settings";

// The registry roots the program uses. ClassesRoot has no hive here (the file type is
// registered the desktop's way): reads give the default and writes are dropped.
enum class RegRoot : std::uint8_t { ClassesRoot, CurrentUser, LocalMachine };

// The program's preferences, kept as registry values in hive files (see HivePaths.h).
//
// Every call opens the hive, makes exactly one read or one write and lets it go; nothing is
// cached. No error ever leaves a call: a read that cannot be made gives the caller's default,
// a write that cannot be made returns false. Texts are UTF-8.
//
// A write replaces one value and keeps everything else in the hive. A damaged hive reads as
// missing values and is left untouched by writes.
class PreferencesStore {
public:
    // Follows the XDG variables at every call.
    PreferencesStore() = default;
    // Works on the given files.
    explicit PreferencesStore(HivePaths paths);
    virtual ~PreferencesStore() = default;
    PreferencesStore(const PreferencesStore&) = delete;
    PreferencesStore& operator=(const PreferencesStore&) = delete;

    // The one accessor the whole program shares; its root is CurrentUser at start.
    static PreferencesStore& Shared();

    RegRoot RootKey() const { return root_; }
    void SetRootKey(RegRoot root) { root_ = root; }

    // A string value (REG_SZ or REG_EXPAND_SZ, taken as stored); an empty text reads as the
    // default.
    std::string ReadRegString(std::string_view key, std::string_view name,
                              const std::string& defaultValue) const noexcept;
    // An integer value; only REG_DWORD counts.
    std::int32_t ReadRegInteger(std::string_view key, std::string_view name,
                                std::int32_t defaultValue) const noexcept;
    // Writes a REG_SZ value (up to the value's first zero character); true when written.
    bool WriteRegString(std::string_view key, std::string_view name,
                        std::string_view value) noexcept;
    // Writes a REG_DWORD value; true when written.
    bool WriteRegInteger(std::string_view key, std::string_view name, std::int32_t value) noexcept;

protected:
    // Whether the user may write the system's machine hive; when not, the user's overlay
    // takes reads and writes of LocalMachine.
    virtual bool MachineHiveWritable(const HivePaths& paths) const;

private:
    HivePaths Paths() const;
    std::optional<HiveValue> Lookup(std::string_view key, std::string_view name) const;
    bool Store(std::string_view key, std::string_view name, const HiveValue& value);

    std::optional<HivePaths> fixedPaths_;
    RegRoot root_ = RegRoot::CurrentUser;
};

} // namespace vireo
