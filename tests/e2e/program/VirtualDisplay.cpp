#include "VirtualDisplay.h"

#include "JackTestProcesses.h"

#include <QStandardPaths>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

constexpr int kToolLimitMs = 20000;

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

// Xvfb writes the display number it chose once it takes connections.
QString ReadDisplayNumber(QProcess& process) {
    QByteArray out;
    const bool complete = WaitUntil(
        [&] {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
            return out.contains('\n') || process.state() == QProcess::NotRunning;
        },
        30s);
    bool number = false;
    const int display = out.trimmed().toInt(&number);
    return complete && number ? ':' + QString::number(display) : QString();
}

} // namespace

bool VirtualDisplay::Installed() {
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
           !QStandardPaths::findExecutable("xdotool").isEmpty();
}

VirtualDisplay::VirtualDisplay()
    : process_(std::make_unique<QProcess>()) {
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start(
        "Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
    if (!process_->waitForStarted(10000)) {
        startError_ = "Xvfb did not start: " + process_->errorString().toStdString();
        return;
    }
    name_ = ReadDisplayNumber(*process_);
    if (name_.isEmpty()) {
        startError_ = "Xvfb named no display within 30 s";
        Stop(*process_);
    }
}

VirtualDisplay::~VirtualDisplay() {
    Stop(*process_);
}

std::optional<QString> VirtualDisplay::xdotool(const QStringList& arguments) const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", name_);
    tool.setProcessEnvironment(environment);
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start("xdotool", arguments);
    if (!tool.waitForFinished(kToolLimitMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString VirtualDisplay::waitForWindow(const QString& titlePattern,
                                      std::chrono::milliseconds limit) const {
    QString window;
    WaitUntil(
        [&] {
            const auto found = xdotool({"search", "--onlyvisible", "--name", titlePattern});
            window = found ? found->section('\n', 0, 0) : QString();
            return !window.isEmpty();
        },
        limit);
    return window;
}

bool VirtualDisplay::waitUntilGone(const QString& titlePattern,
                                   std::chrono::milliseconds limit) const {
    return WaitUntil(
        [&] {
            return !xdotool({"search", "--onlyvisible", "--name", titlePattern});
        },
        limit);
}

QString VirtualDisplay::title(const QString& window) const {
    return xdotool({"getwindowname", window}).value_or(QString());
}

std::optional<QRect> VirtualDisplay::geometry(const QString& window) const {
    const auto shell = xdotool({"getwindowgeometry", "--shell", window});
    if (!shell)
        return std::nullopt;
    QRect rect;
    for (const QString& line : shell->split('\n')) {
        const int value = line.section('=', 1).toInt();
        if (line.startsWith("X="))
            rect.moveLeft(value);
        else if (line.startsWith("Y="))
            rect.moveTop(value);
        else if (line.startsWith("WIDTH="))
            rect.setWidth(value);
        else if (line.startsWith("HEIGHT="))
            rect.setHeight(value);
    }
    return rect;
}

bool VirtualDisplay::focus(const QString& window) const {
    return xdotool({"windowfocus", "--sync", window}).has_value();
}

bool VirtualDisplay::keys(const QStringList& sequence) const {
    return xdotool(QStringList{"key", "--delay", "60"} + sequence).has_value();
}

bool VirtualDisplay::click(const QString& window, int x, int y) const {
    return xdotool({"mousemove", "--window", window, "--sync", QString::number(x),
                    QString::number(y), "click", "1"})
        .has_value();
}

bool VirtualDisplay::move(const QString& window, int x, int y) const {
    return xdotool({"windowmove", "--sync", window, QString::number(x), QString::number(y)})
        .has_value();
}

} // namespace vireo::test
