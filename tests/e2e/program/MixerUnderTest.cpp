#include "MixerUnderTest.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace vireo::test {
namespace {

constexpr auto kMachineSection = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Brenmark\Sonexa Vireo Mixer\1.0])";
constexpr auto kUserSection =
    R"([HKEY_CURRENT_USER\Software\Brenmark\Sonexa Vireo Mixer\Settings])";

bool WriteText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QString HiveString(const std::string& text) {
    QString escaped = QString::fromStdString(text);
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + escaped + '"';
}

} // namespace

MixerHome::MixerHome()
    : root_(privateHome().path() + "/mixer-XXXXXX") {
    for (const char* folder : {"home/.config", "home/.local/share", "etc/xdg", "usr/share", "run"})
        QDir().mkpath(path() + '/' + folder);
    QFile::setPermissions(path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString MixerHome::userHive() const {
    return path() + "/home/.config/sonexa-vireo-mixer/user.reg";
}

QString MixerHome::machineHive() const {
    return path() + "/etc/xdg/sonexa-vireo-mixer/machine.reg";
}

void MixerHome::writePreferences(const std::string& device, const QStringList& userLines,
                                 const QStringList& machineLines) const {
    QString machine =
        QString("REGEDIT4\n\n%1\n\"Checked Device\"=dword:00000001\n").arg(kMachineSection);
    for (const QString& line : machineLines)
        machine += line + '\n';
    QStringList user{"REGEDIT4", "", kUserSection, "\"DeviceName\"=" + HiveString(device),
                     "\"No Warning\"=dword:00000001"};
    user += userLines;
    WriteText(machineHive(), machine.toUtf8());
    WriteText(userHive(), (user.join('\n') + '\n').toUtf8());
}

QString MixerHome::writeSettingsFile(const QString& name, const std::string& text) const {
    const QString file = path() + "/mixes/" + name;
    WriteText(file, QByteArray::fromStdString(text));
    return file;
}

std::optional<QString> MixerHome::userValue(const QString& name) const {
    QFile file(userHive());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString prefix = HiveString(name.toStdString()) + '=';
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    }
    return std::nullopt;
}

std::optional<std::int32_t> MixerHome::userInteger(const QString& name) const {
    const auto value = userValue(name);
    static const QRegularExpression dword("^dword:([0-9a-fA-F]{8})$");
    const auto match = value ? dword.match(*value) : QRegularExpressionMatch();
    if (!match.hasMatch())
        return std::nullopt;
    return static_cast<std::int32_t>(match.captured(1).toUInt(nullptr, 16));
}

std::optional<QString> MixerHome::userString(const QString& name) const {
    const auto value = userValue(name);
    if (!value || value->size() < 2 || !value->startsWith('"') || !value->endsWith('"'))
        return std::nullopt;
    QString text = value->mid(1, value->size() - 2);
    static const QRegularExpression escape(R"(\\(.))");
    return text.replace(escape, "\\1");
}

QProcessEnvironment MixerHome::environment(const QString& display) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", path() + "/home");
    environment.insert("XDG_CONFIG_HOME", path() + "/home/.config");
    environment.insert("XDG_DATA_HOME", path() + "/home/.local/share");
    environment.insert("XDG_CONFIG_DIRS", path() + "/etc/xdg");
    environment.insert("XDG_DATA_DIRS", path() + "/usr/share");
    environment.insert("XDG_RUNTIME_DIR", path() + "/run");
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("JACK_NO_START_SERVER", "1");
    for (const char* name : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY"})
        environment.remove(name);
    return environment;
}

MixerProgram::MixerProgram(const MixerHome& home, const QString& display,
                           const QStringList& arguments)
    : process_(std::make_unique<QProcess>())
    , logFile_(home.logFile()) {
    process_->setProcessEnvironment(home.environment(display));
    process_->setWorkingDirectory(home.path());
    process_->setStandardOutputFile(logFile_, QIODevice::Append);
    process_->setStandardErrorFile(logFile_, QIODevice::Append);
    process_->start(VIREO_MIXER_PROGRAM, arguments);
    started_ = process_->waitForStarted(10000);
}

MixerProgram::~MixerProgram() {
    if (!running())
        return;
    terminate();
    if (!waitForExit(std::chrono::seconds(10))) {
        process_->kill();
        process_->waitForFinished(10000);
    }
}

bool MixerProgram::waitForExit(std::chrono::milliseconds limit) {
    return process_->waitForFinished(static_cast<int>(limit.count()));
}

int MixerProgram::exitCode() const {
    if (running() || process_->exitStatus() != QProcess::NormalExit)
        return -1;
    return process_->exitCode();
}

void MixerProgram::terminate() {
    process_->terminate();
}

std::string MixerProgram::log() const {
    QFile file(logFile_);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace vireo::test
