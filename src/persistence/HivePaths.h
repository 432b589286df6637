#pragma once

#include <QString>

namespace vireo {

// Where the hive files live.
struct HivePaths {
    QString user;           // HKEY_CURRENT_USER
    QString machine;        // HKEY_LOCAL_MACHINE, the system's file
    QString machineOverlay; // the user's own copy where the system's file is not theirs to write
};

// $XDG_CONFIG_HOME (~/.config when unset or not absolute).
QString XdgConfigHome();
// The first absolute folder of $XDG_CONFIG_DIRS (/etc/xdg when there is none).
QString XdgFirstConfigDir();
// $XDG_DATA_HOME (~/.local/share when unset or not absolute).
QString XdgDataHome();

// The hive files as the environment gives them now:
// user.reg and machine.reg in $XDG_CONFIG_HOME/sonexa-vireo-mixer, and machine.reg in the
// first $XDG_CONFIG_DIRS folder's sonexa-vireo-mixer.
HivePaths HivePathsFromEnvironment();

// Whether this user may create or replace the file at path: its folder (or the nearest
// folder above it that exists) accepts new files, and an existing file is writable.
bool MayWriteFile(const QString& path);

} // namespace vireo
