#pragma once

#include "persistence/HiveDocument.h"

#include <QString>
#include <functional>
#include <optional>

namespace vireo {

// Hive files hold a handful of values; anything larger is not one of ours.
inline constexpr qint64 kMaxHiveFileBytes = 1024 * 1024;

struct HiveFileContents {
    enum class State : std::uint8_t {
        Missing,  // no file: an empty hive
        Read,     // document holds it
        Unusable, // not a hive, too large, not a plain file, unreadable: read as empty, never write
    };
    State state = State::Missing;
    std::optional<HiveDocument> document;
};

// Reads a hive file, at most kMaxHiveFileBytes of it; never blocks on what is not a plain file.
HiveFileContents ReadHiveFile(const QString& path);

// Changes one hive file: under its lock file (so that writers in other processes keep their
// values) reads it, lets change edit the document and replaces the file whole by rename, so
// that a crash leaves the old file. Creates the file and its folders when missing. False, with
// the file as it was, when the hive is unusable or read-only, the lock cannot be had, change
// refuses or the new file cannot be written.
bool UpdateHiveFile(const QString& path, const std::function<bool(HiveDocument&)>& change);

} // namespace vireo
