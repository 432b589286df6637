#include "persistence/ProfileFileIo.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo::profile_io {
namespace {

namespace fs = std::filesystem;

using Descriptor = UniqueFd;

// Reads up to limit bytes; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string& out) {
    char buffer[64 * 1024];
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void CutAfterLastLineEnd(std::string& bytes) {
    const auto pos = bytes.find_last_of("\r\n");
    bytes.resize(pos == std::string::npos ? 0 : pos + 1);
}

// The file a chain of symbolic links ends at; nullopt for a loop or an unreadable link.
std::optional<fs::path> ResolveLinks(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            return path;
        fs::path target = fs::read_symlink(path, error);
        if (error)
            return std::nullopt;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

std::string RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(8, '0');
    for (char& c : suffix)
        c = kDigits[generator() % (sizeof kDigits - 1)];
    return suffix;
}

// A new, exclusive, hidden file beside target, created with the usual mode less the umask.
int CreateSibling(const fs::path& target, fs::path& created) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        created = target;
        created.replace_filename("." + target.filename().string() + "." + RandomSuffix() + "~");
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

// Fills the temporary file and gives it the old file's mode and owner.
bool FillTemporary(Descriptor& fd, std::string_view bytes, const struct stat* old) {
    if (!WriteAll(fd.get(), bytes))
        return false;
    if (old) {
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0)
            return false;
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old->st_uid, old->st_gid);
    }
    return ::fsync(fd.get()) == 0 && fd.close();
}

// Whether this user may write the file itself. A rename only asks the folder, so a file the
// user has made read-only, or one whose owner does not let this user write it, would be
// replaced all the same. Opening it for writing, without truncating, asks the kernel with
// every rule it applies (mode bits, ACLs, capabilities, read-only mounts).
bool MayWriteFile(const fs::path& file) {
    const Descriptor fd{::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    return fd.get() >= 0;
}

void SyncFolder(const fs::path& folder) {
    Descriptor fd{
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

} // namespace

FileBytes ReadCapped(const std::string& path, std::size_t cap) {
    // O_NONBLOCK: a pipe or device named like the file must not stall the reader.
    Descriptor fd{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (fd.get() < 0)
        return {errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable, {}};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {ReadStatus::Unreadable, {}};

    FileBytes result{ReadStatus::Read, {}};
    result.bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), cap) + 1);
    if (!ReadUpTo(fd.get(), cap + 1, result.bytes))
        return {ReadStatus::Unreadable, {}};
    if (result.bytes.size() > cap) {
        result.status = ReadStatus::TooLarge;
        result.bytes.resize(cap);
        CutAfterLastLineEnd(result.bytes);
    }
    return result;
}

bool ReplaceWhole(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    const auto target = ResolveLinks(path);
    if (!target)
        return false;
    struct stat old {};
    const bool exists = ::stat(target->c_str(), &old) == 0;
    if ((exists && !S_ISREG(old.st_mode)) || (!exists && errno != ENOENT))
        return false;
    if (exists && !MayWriteFile(*target))
        return false;

    fs::path temporary;
    Descriptor fd{CreateSibling(*target, temporary)};
    if (fd.get() < 0)
        return false;
    if (!FillTemporary(fd, bytes, exists ? &old : nullptr) ||
        ::rename(temporary.c_str(), target->c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(target->parent_path());
    return true;
}

} // namespace vireo::profile_io
