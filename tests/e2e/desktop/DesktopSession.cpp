#include "DesktopSession.h"

#include "JackTestProcesses.h"

#include <QFile>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <cstring>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

// The instance part of the mixer's WM_CLASS, the name of its program file.
constexpr auto kMixerClass = "sonexa-vireo-mixer";

constexpr const char* kOpenboxConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme><animateIconify>no</animateIconify></theme>
</openbox_config>
)";

std::optional<int> Field(const QString& text, const QString& label) {
    const QRegularExpression pattern(QRegularExpression::escape(label) + R"(:\s*(-?\d+))");
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

} // namespace

bool DesktopSession::Installed() {
    for (const char* tool :
         {"openbox", "trayer", "wmctrl", "xwininfo", "xprop", "xdotool", "xmessage"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    }
    return true;
}

DesktopSession::DesktopSession(QString display)
    : display_(std::move(display)) {}

DesktopSession::~DesktopSession() {
    if (cover_)
        stop(*cover_);
    if (trayHost_)
        stop(*trayHost_);
    if (windowManager_)
        stop(*windowManager_);
}

void DesktopSession::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

std::unique_ptr<QProcess> DesktopSession::startClient(const QString& program,
                                                      const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display_);
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    // The tests' private data and configuration folders hold no themes: the desktop's own
    // programs read the machine's.
    environment.insert("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    environment.insert("XDG_CONFIG_DIRS", "/etc/xdg");
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    if (!process->waitForStarted(10000))
        return nullptr;
    return process;
}

bool DesktopSession::startWindowManager() {
    // Without the iconify animation a restored window stands where it belongs at once.
    const QString config = configFolder_.filePath("rc.xml");
    QFile file(config);
    if (!configFolder_.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(kOpenboxConfig) != qint64(std::strlen(kOpenboxConfig)))
        return false;
    file.close();
    windowManager_ = startClient("openbox", {"--sm-disable", "--config-file", config});
    if (!windowManager_)
        return false;
    // A window manager that follows the desktop conventions names itself on the root window.
    return WaitUntil(
        [this] {
            const auto root = run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
            return root && root->contains("window id #");
        },
        30s);
}

bool DesktopSession::startTrayHost() {
    trayHost_ = startClient("trayer",
                            {"--edge", "top", "--align", "right", "--widthtype", "request",
                             "--height", "24", "--SetDockType", "true", "--transparent", "false"});
    if (!trayHost_)
        return false;
    return WaitUntil(
        [this] {
            const auto panel = run("xdotool", {"search", "--classname", "^panel$"});
            return panel && !panel->trimmed().isEmpty();
        },
        30s);
}

void DesktopSession::stopTrayHost() {
    if (trayHost_)
        stop(*trayHost_);
}

bool DesktopSession::startCoveringWindow() {
    cover_ = startClient("xmessage", {"-geometry", "900x700+0+0", "-name", "cover", "cover"});
    return cover_ && WaitUntil([this] { return activeTitle() == "cover"; }, 30s);
}

QString DesktopSession::activeTitle() const {
    const auto title = run("xdotool", {"getactivewindow", "getwindowname"});
    return title ? title->trimmed() : QString();
}

std::optional<QString> DesktopSession::run(const QString& program,
                                           const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display_);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString DesktopSession::waitForManagedWindow(const QString& titlePattern,
                                             std::chrono::milliseconds limit) const {
    QString found;
    WaitUntil(
        [&] {
            const auto ids = run("xdotool", {"search", "--name", titlePattern});
            if (!ids)
                return false;
            for (const QString& id : ids->split('\n', Qt::SkipEmptyParts)) {
                if (!wmState(id).isEmpty()) {
                    found = id.trimmed();
                    return true;
                }
            }
            return false;
        },
        limit);
    return found;
}

bool DesktopSession::visible(const QString& titlePattern) const {
    const auto ids = run("xdotool", {"search", "--onlyvisible", "--name", titlePattern});
    return ids && !ids->trimmed().isEmpty();
}

QString DesktopSession::wmState(const QString& window) const {
    const auto state = run("xprop", {"-id", window, "WM_STATE"});
    static const QRegularExpression pattern(R"(window state:\s*(\w+))");
    const auto match = state ? pattern.match(*state) : QRegularExpressionMatch();
    return match.hasMatch() ? match.captured(1) : QString();
}

std::optional<QList<int>> DesktopSession::frameExtents(const QString& window) const {
    const auto text = run("xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    static const QRegularExpression pattern(R"(=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+))");
    const auto match = text ? pattern.match(*text) : QRegularExpressionMatch();
    if (!match.hasMatch())
        return std::nullopt;
    return QList<int>{match.captured(1).toInt(), match.captured(2).toInt(),
                      match.captured(3).toInt(), match.captured(4).toInt()};
}

std::optional<QPoint> DesktopSession::frameTopLeft(const QString& window) const {
    const auto info = run("xwininfo", {"-id", window});
    const auto extents = frameExtents(window);
    if (!info || !extents)
        return std::nullopt;
    const auto x = Field(*info, "Absolute upper-left X");
    const auto y = Field(*info, "Absolute upper-left Y");
    if (!x || !y)
        return std::nullopt;
    return QPoint(*x - extents->at(0), *y - extents->at(2));
}

std::optional<QSize> DesktopSession::clientSize(const QString& window) const {
    const auto info = run("xwininfo", {"-id", window});
    const auto width = info ? Field(*info, "Width") : std::nullopt;
    const auto height = info ? Field(*info, "Height") : std::nullopt;
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

QString DesktopSession::trayIcon() const {
    const auto panels = run("xdotool", {"search", "--classname", "^panel$"});
    if (!panels)
        return {};
    for (const QString& panel : panels->split('\n', Qt::SkipEmptyParts)) {
        const auto tree = run("xwininfo", {"-tree", "-id", panel.trimmed()});
        if (!tree)
            continue;
        for (const QString& line : tree->split('\n')) {
            if (line.contains(QStringLiteral("(\"%1\"").arg(kMixerClass)))
                return line.trimmed().section(' ', 0, 0);
        }
    }
    return {};
}

bool DesktopSession::click(const QString& window, int button) const {
    return run("xdotool",
               {"mousemove", "--window", window, "8", "8", "click", QString::number(button)})
        .has_value();
}

bool DesktopSession::clickAt(const QString& window, QPoint point, int button) const {
    return run("xdotool", {"mousemove", "--window", window, QString::number(point.x()),
                           QString::number(point.y()), "click", QString::number(button)})
        .has_value();
}

bool DesktopSession::minimise(const QString& window) const {
    return run("xdotool", {"windowminimize", window}).has_value();
}

bool DesktopSession::activate(const QString& window) const {
    return run("wmctrl", {"-i", "-a", window}).has_value();
}

bool DesktopSession::close(const QString& window) const {
    return run("wmctrl", {"-i", "-c", window}).has_value();
}

bool DesktopSession::key(const QString& keys) const {
    return run("xdotool", {"key", keys}).has_value();
}

int DesktopSession::mixerWindowCount() const {
    const auto ids = run("xdotool", {"search", "--onlyvisible", "--classname", kMixerClass});
    return ids ? int(ids->split('\n', Qt::SkipEmptyParts).size()) : 0;
}

} // namespace vireo::test
