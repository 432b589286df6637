#pragma once

#include <QString>

namespace vireo {

// The MIME type of mixer settings files (*.mix).
inline constexpr auto kMixMimeType = "application/x-sonexa-vireo-mix";

struct FileTypeRegistrationOptions {
    QString programPath; // absolute path of the program file
    QString dataHome;    // $XDG_DATA_HOME
    int toolTimeoutMs = 5000;
};

// What one registration did, for its tests; no caller needs it.
struct FileTypeRegistrationResult {
    bool mimePackageWritten = false;
    bool desktopEntryWritten = false;
    bool mimeDatabaseUpdated = false;
    bool desktopDatabaseUpdated = false;
};

// Registers *.mix as this program's file type for the user, the desktop's way: the MIME
// package (the type, its description "Mixer Settings" and the *.mix pattern) under
// $XDG_DATA_HOME/mime/packages, then a desktop entry that opens such a file with this program
// under $XDG_DATA_HOME/applications, then the desktop's databases are brought up to date by
// their own tools where installed (never waiting longer than the timeout). Both files are
// rewritten at every call; a step that fails is skipped silently and the next one tried.
FileTypeRegistrationResult RegisterFileType(const FileTypeRegistrationOptions& options);
// The same for the running program and the environment's data folder.
FileTypeRegistrationResult RegisterFileType();

// The Exec value that starts the program with the file: its path, quoted and escaped where
// the desktop entry format asks for it, then %f.
QString DesktopExecLine(const QString& programPath);

} // namespace vireo
