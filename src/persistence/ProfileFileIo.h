#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// File access beneath ProfileFile: a capped read that never blocks, and the checked whole-file
// replace that every file the user keeps is written with (settings files, hives, the file type's
// registration).
namespace vireo::profile_io {

enum class ReadStatus {
    Read,       // the whole file
    Missing,    // no such file: it reads empty and may be created
    TooLarge,   // only its first cap bytes, up to their last line end
    Unreadable, // not a regular file (a folder, a pipe, a device) or a read error
};

struct FileBytes {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;
};

FileBytes ReadCapped(const std::string& path, std::size_t cap);

// Writes bytes into a new file beside the target and renames it over the target, so that the
// target holds either its old bytes or all of the new ones: the write, fsync and close of the
// new file are each checked before the rename, so that a full disk or an I/O error leaves the
// old file. Symbolic links are followed to the file they name, which is replaced while the
// links stay; a replaced file keeps its permissions and, where allowed, its owner. A file this user
// may not write itself (read-only, or its owner's choice) is refused, whatever the folder allows.
// False when anything fails; then no file changed and no temporary file is left behind.
bool ReplaceWhole(const std::string& path, std::string_view bytes);

} // namespace vireo::profile_io
