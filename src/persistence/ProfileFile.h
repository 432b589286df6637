#pragma once

#include "persistence/ProfileFileIo.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// A profile file (sections of key=value lines) read into memory once, read and edited there
// by the profile rules, and written back whole: the file is replaced by a complete new one
// or left as it was.
class ProfileFile {
public:
    // A larger file is read only as far as this and never written back, so that no part of
    // it can be lost.
    static constexpr std::size_t kMaxBytes = 1024 * 1024;

    using Status = profile_io::ReadStatus;

    // Reads path now. A missing, unreadable or non-regular file reads as an empty text.
    explicit ProfileFile(std::string path);

    const std::string& Path() const { return path_; }
    const std::string& Text() const { return text_; }
    Status ReadStatus() const { return status_; }

    // The value of key in section (profile::GetString); nullopt when missing.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    // Sets key in section in memory (profile::SetString); false, nothing changed, when the
    // names or the value cannot be written as one line.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // True when Save may replace the file: it was read whole or does not exist yet.
    bool CanSave() const;
    // Writes the text over the file (through symbolic links); false, the file untouched, when
    // it cannot.
    bool Save() const;

private:
    std::string path_;
    std::string text_;
    Status status_;
};

} // namespace vireo
