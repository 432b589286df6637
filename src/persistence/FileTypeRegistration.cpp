#include "persistence/FileTypeRegistration.h"

#include "FileTypeTemplates.inc"
#include "persistence/HivePaths.h"
#include "persistence/ProfileFileIo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace vireo {
namespace {

constexpr auto kMimePackage = "/mime/packages/sonexa-vireo-mixer.xml";
constexpr auto kDesktopEntry = "/applications/sonexa-vireo-mixer.desktop";

// An argument of the Exec key, quoted when it holds a character the format reserves.
QString QuoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(argument.begin(), argument.end(),
                     [](QChar c) { return reserved.contains(c); }))
        return argument;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A value as the desktop entry format stores strings.
QString EscapeDesktopString(const QString& value) {
    QString escaped;
    for (const QChar c : value) {
        if (c == '\\')
            escaped += QStringLiteral("\\\\");
        else if (c == '\n')
            escaped += QStringLiteral("\\n");
        else if (c == '\t')
            escaped += QStringLiteral("\\t");
        else if (c == '\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(1024 * 1024);
}

// Replaces the file whole; reports through changed whether its content differs from before.
bool WriteWhole(const QString& path, const QByteArray& content, bool& changed) {
    changed = ReadSmallFile(path) != content;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return profile_io::ReplaceWhole(QFile::encodeName(path).toStdString(),
                                    std::string_view(content.constData(), content.size()));
}

// Runs a database tool on a folder when it is installed; true when it ran and succeeded.
bool RunTool(const QString& name, const QString& folder, int timeoutMs) {
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {folder});
    if (!process.waitForStarted(timeoutMs))
        return false;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The tools are slow to start: run them only when a file changed or their output is missing.
bool NeedsUpdate(bool written, bool changed, const QString& cache) {
    return written && (changed || !QFileInfo::exists(cache));
}

} // namespace

QString DesktopExecLine(const QString& programPath) {
    QString argument = QuoteExecArgument(programPath);
    argument.replace('%', QStringLiteral("%%"));
    return EscapeDesktopString(argument) + QStringLiteral(" %f");
}

FileTypeRegistrationResult RegisterFileType(const FileTypeRegistrationOptions& options) {
    FileTypeRegistrationResult result;
    const QString mimeFolder = options.dataHome + "/mime";
    const QString applications = options.dataHome + "/applications";

    bool mimeChanged = false;
    result.mimePackageWritten =
        WriteWhole(options.dataHome + kMimePackage, kMimePackageTemplate, mimeChanged);

    bool desktopChanged = false;
    if (QDir::isAbsolutePath(options.programPath)) {
        QString entry = QString::fromUtf8(kDesktopEntryTemplate);
        entry.replace(QStringLiteral("@EXEC@ %f"), DesktopExecLine(options.programPath));
        result.desktopEntryWritten =
            WriteWhole(options.dataHome + kDesktopEntry, entry.toUtf8(), desktopChanged);
    }

    if (NeedsUpdate(result.mimePackageWritten, mimeChanged, mimeFolder + "/mime.cache"))
        result.mimeDatabaseUpdated =
            RunTool(QStringLiteral("update-mime-database"), mimeFolder, options.toolTimeoutMs);
    if (NeedsUpdate(result.desktopEntryWritten, desktopChanged, applications + "/mimeinfo.cache"))
        result.desktopDatabaseUpdated =
            RunTool(QStringLiteral("update-desktop-database"), applications, options.toolTimeoutMs);
    return result;
}

FileTypeRegistrationResult RegisterFileType() {
    return RegisterFileType({QCoreApplication::applicationFilePath(), XdgDataHome()});
}

} // namespace vireo
