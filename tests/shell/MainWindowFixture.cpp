#include "shell/MainWindowFixture.h"

#include "shell/MixerApplication.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

namespace vireo::test {
namespace {

void RemoveFolder(const QString& path) {
    QDir(path).removeRecursively();
}

} // namespace

MainWindowFixture::MainWindowFixture() {
    const QString home = privateHome().path();
    RemoveFolder(home + "/home/.config/sonexa-vireo-mixer");
    RemoveFolder(home + "/etc/xdg/sonexa-vireo-mixer");
    RemoveFolder(home + "/home/.local/share/sonexa-vireo-mixer");
    RemoveFolder(home + "/home/.local/share/applications");
    RemoveFolder(home + "/home/.local/share/mime");
    RemoveFolder(home + "/files");
    QDir().mkpath(home + "/files");
    store.SetRootKey(RegRoot::CurrentUser);
    MixerApplication::SetErrorPresenter([this](const QString& text) { errors.push_back(text); });
}

MainWindowFixture::~MainWindowFixture() {
    form_.reset();
    MixerApplication::SetErrorPresenter({});
}

TForm1& MainWindowFixture::Create(QStringList arguments) {
    form_ = std::make_unique<TForm1>(service, store, TForm1::Options{std::move(arguments), false});
    return *form_;
}

QString MainWindowFixture::WriteFile(const QString& name, const std::string& content) {
    const QString path = privateHome().path() + "/files/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content.data(), qint64(content.size()));
    return path;
}

std::string MainWindowFixture::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

std::vector<std::string> Hex(const std::vector<std::vector<std::uint8_t>>& messages) {
    std::vector<std::string> lines;
    for (const auto& message : messages) {
        std::string line;
        for (std::uint8_t byte : message) {
            char text[4];
            std::snprintf(text, sizeof text, line.empty() ? "%02X" : " %02X", byte);
            line += text;
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace vireo::test
