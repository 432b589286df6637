#pragma once

#include <QString>

namespace vireo {

// An exclusive lock between processes (and between threads that each hold their own lock),
// taken on a lock file beside the hive. The operating system releases it when its holder
// dies, so a crashed writer never keeps others out. The file is removed on release.
class HiveLock {
public:
    // Waits up to timeoutMs for the lock; locked() tells whether it was had.
    HiveLock(const QString& lockPath, int timeoutMs);
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    bool locked() const { return fd_ >= 0; }

private:
    // One attempt: 1 locked, 0 busy or lost to another holder, -1 failed for good.
    int tryOnce();

    QByteArray path_;
    int fd_ = -1;
};

} // namespace vireo
