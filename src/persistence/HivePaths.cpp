#include "persistence/HivePaths.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace vireo {
namespace {

constexpr auto kFolder = "/sonexa-vireo-mixer";

QString AbsoluteFromEnvironment(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

bool Accessible(const QString& path, int mode) {
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

QString XdgConfigHome() {
    return AbsoluteFromEnvironment("XDG_CONFIG_HOME", QDir::homePath() + "/.config");
}

QString XdgFirstConfigDir() {
    const QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(':');
    for (const QString& folder : folders) {
        if (QDir::isAbsolutePath(folder))
            return QDir::cleanPath(folder);
    }
    return QStringLiteral("/etc/xdg");
}

QString XdgDataHome() {
    return AbsoluteFromEnvironment("XDG_DATA_HOME", QDir::homePath() + "/.local/share");
}

HivePaths HivePathsFromEnvironment() {
    const QString home = XdgConfigHome() + kFolder;
    return {home + "/user.reg", XdgFirstConfigDir() + kFolder + "/machine.reg",
            home + "/machine.reg"};
}

bool MayWriteFile(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && (!file.isFile() || !Accessible(path, W_OK)))
        return false;
    // A missing folder is created: what counts is the nearest one that exists.
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return false;
        folder = parent;
    }
    return QFileInfo(folder).isDir() && Accessible(folder, W_OK | X_OK);
}

} // namespace vireo
