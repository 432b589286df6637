#include "support/TestEnvironment.h"

#include <QDir>

#include <cstdlib>

namespace vireo::test {
namespace {

void SetFolder(const char* variable, const QString& root, const QString& sub)
{
    const QString folder = root + '/' + sub;
    QDir().mkpath(folder);
    setenv(variable, folder.toLocal8Bit().constData(), 1);
}

} // namespace

PrivateHome::PrivateHome()
    : dir_(std::make_unique<QTemporaryDir>(QDir::tempPath() + "/vireo-test-XXXXXX"))
{
    const QString root = dir_->path();
    SetFolder("HOME", root, "home");
    SetFolder("XDG_CONFIG_HOME", root, "home/.config");
    SetFolder("XDG_DATA_HOME", root, "home/.local/share");
    SetFolder("XDG_CONFIG_DIRS", root, "etc/xdg");
    SetFolder("XDG_DATA_DIRS", root, "usr/share");
    SetFolder("XDG_RUNTIME_DIR", root, "run");
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

const PrivateHome& privateHome()
{
    static const PrivateHome home;
    return home;
}

} // namespace vireo::test
