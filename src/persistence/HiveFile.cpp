#include "persistence/HiveFile.h"

#include "persistence/HiveLock.h"
#include "persistence/ProfileFileIo.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

constexpr int kLockWaitMs = 3000;

using FileDescriptor = UniqueFd;

// Reads the whole file into text unless it holds more than the limit. The buffer starts at
// the size the file had when opened and grows only if the file grew meanwhile.
bool ReadCapped(int fd, std::size_t expected, std::string& text) {
    constexpr std::size_t kLimit = std::size_t(kMaxHiveFileBytes) + 1;
    text.resize(std::min(expected + 1, kLimit));
    std::size_t filled = 0;
    while (true) {
        if (filled == text.size()) {
            if (text.size() == kLimit)
                break;
            text.resize(std::min(text.size() * 2, kLimit));
        }
        const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    text.resize(filled);
    return filled <= std::size_t(kMaxHiveFileBytes);
}

using State = HiveFileContents::State;

} // namespace

HiveFileContents ReadHiveFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const FileDescriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return {errno == ENOENT || errno == ENOTDIR ? State::Missing : State::Unusable, {}};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxHiveFileBytes)
        return {State::Unusable, {}};
    std::string text;
    if (!ReadCapped(fd.get(), std::size_t(info.st_size), text))
        return {State::Unusable, {}};
    auto document = HiveDocument::Parse(text);
    if (!document)
        return {State::Unusable, {}};
    return {State::Read, std::move(document)};
}

bool UpdateHiveFile(const QString& path, const std::function<bool(HiveDocument&)>& change) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    const HiveLock lock(path + ".lock", kLockWaitMs);
    if (!lock.locked())
        return false;
    HiveFileContents contents = ReadHiveFile(path);
    if (contents.state == State::Unusable)
        return false;
    if (contents.state == State::Read && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false;
    HiveDocument document = contents.document ? std::move(*contents.document) : HiveDocument();
    if (!change(document))
        return false;
    const std::string text = document.Serialize();
    if (qint64(text.size()) > kMaxHiveFileBytes || !HiveDocument::Parse(text))
        return false; // never write what could not be read back
    // Checked down to the disk before the rename: a full disk leaves the old hive whole.
    return profile_io::ReplaceWhole(QFile::encodeName(path).toStdString(), text);
}

} // namespace vireo
