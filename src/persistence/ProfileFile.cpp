#include "persistence/ProfileFile.h"

#include "persistence/ProfileText.h"

namespace vireo {

ProfileFile::ProfileFile(std::string path)
    : path_(std::move(path)) {
    auto content = profile_io::ReadCapped(path_, kMaxBytes);
    text_ = std::move(content.bytes);
    status_ = content.status;
}

std::optional<std::string> ProfileFile::ReadString(std::string_view section,
                                                   std::string_view key) const {
    return profile::GetString(text_, section, key);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    auto edited = profile::SetString(text_, section, key, value);
    if (!edited)
        return false;
    text_ = std::move(*edited);
    return true;
}

bool ProfileFile::CanSave() const {
    return !path_.empty() && (status_ == Status::Read || status_ == Status::Missing);
}

bool ProfileFile::Save() const {
    return CanSave() && profile_io::ReplaceWhole(path_, text_);
}

} // namespace vireo
