#include "XvfbDisplay.h"

#include <QStandardPaths>

namespace vireo::test {

bool XvfbDisplay::Installed() {
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
           !QStandardPaths::findExecutable("xdotool").isEmpty();
}

XvfbDisplay::XvfbDisplay()
    : server_(std::make_unique<QProcess>()) {
    server_->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd: the server picks a free display and writes its number once it listens.
    server_->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                            "-noreset"});
    if (!server_->waitForStarted(10000))
        return;
    QByteArray number;
    while (!number.contains('\n') && server_->waitForReadyRead(10000))
        number += server_->readAllStandardOutput();
    if (number.trimmed().isEmpty())
        return;
    display_ = ':' + QString::fromLatin1(number.trimmed());
}

XvfbDisplay::~XvfbDisplay() {
    if (server_->state() == QProcess::NotRunning)
        return;
    server_->terminate();
    if (!server_->waitForFinished(10000)) {
        server_->kill();
        server_->waitForFinished(10000);
    }
}

QString XvfbDisplay::findWindow(const QString& pattern, int seconds) const {
    QString output;
    const QStringList arguments{"search", "--sync", "--onlyvisible", "--limit",
                                "1",      "--name", pattern};
    // --sync waits for ever; the process is ended at the bound instead.
    if (!xdotool(arguments, &output, seconds * 1000))
        return {};
    return output.section('\n', 0, 0).trimmed();
}

bool XvfbDisplay::typeInto(const QString& window, const QStringList& keys) const {
    if (!xdotool({"windowfocus", "--sync", window}))
        return false;
    return xdotool(QStringList{"key", "--delay", "100"} + keys);
}

bool XvfbDisplay::xdotool(const QStringList& arguments, QString* output, int msecs) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display_);
    process.setProcessEnvironment(environment);
    process.start("xdotool", arguments);
    if (!process.waitForFinished(msecs)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace vireo::test
