#include "persistence/FileTypeRegistration.h"

#include "persistence/TempFolder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vireo {
namespace {

using test::ReadAll;
using test::ScopedEnv;
using test::WriteAll;

TEST(DesktopExecLineTest, APlainPathStaysBareAndThePlaceholderFollows) {
    EXPECT_EQ(DesktopExecLine("/usr/bin/sonexa-vireo-mixer"), "/usr/bin/sonexa-vireo-mixer %f");
    EXPECT_EQ(DesktopExecLine("/opt/Mixer-1.3/MIXER"), "/opt/Mixer-1.3/MIXER %f");
}

TEST(DesktopExecLineTest, APathWithReservedCharactersIsQuotedAndEscaped) {
    EXPECT_EQ(DesktopExecLine("/opt/My Apps/mixer"), "\"/opt/My Apps/mixer\" %f");
    // Inside quotes " ` $ \ take a backslash, which the string format then doubles.
    EXPECT_EQ(DesktopExecLine("/opt/a\"b`c$d\\e/mixer"),
              "\"/opt/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e/mixer\" %f");
    EXPECT_EQ(DesktopExecLine("/opt/it's (new)/mixer"), "\"/opt/it's (new)/mixer\" %f");
    EXPECT_EQ(DesktopExecLine("/opt/100%/mixer"), "/opt/100%%/mixer %f");
    EXPECT_EQ(DesktopExecLine("/opt/two\nlines/mixer"), "\"/opt/two\\nlines/mixer\" %f");
}

class FileTypeRegistrationTest : public testing::Test {
protected:
    test::TempFolder folder;
    const QString data = folder.path("share");
    const QString tools = folder.path("bin");
    const QString log = folder.path("tools.log");
    ScopedEnv path{"PATH", QFile::encodeName(tools).constData()};
    FileTypeRegistrationOptions options{"/opt/Sonexa Mixer/sonexa-vireo-mixer", data, 5000};

    QString mimePackage() const { return data + "/mime/packages/sonexa-vireo-mixer.xml"; }
    QString desktopEntry() const { return data + "/applications/sonexa-vireo-mixer.desktop"; }

    // A stand-in for a database tool: logs its name and folder and writes the cache file.
    void FakeTool(const QString& name, const QString& cache) {
        const QString script =
            QString("#!/bin/sh\nPATH=/usr/bin:/bin\necho \"%1 $1\" >> '%2'\ntouch \"$1/%3\"\n")
                .arg(name, log, cache);
        ASSERT_TRUE(WriteAll(tools + '/' + name, script.toUtf8()));
        ::chmod(QFile::encodeName(tools + '/' + name).constData(), 0755);
    }
    void FakeTools() {
        FakeTool("update-mime-database", "mime.cache");
        FakeTool("update-desktop-database", "mimeinfo.cache");
    }
    QStringList ToolRuns() const {
        return QString::fromUtf8(ReadAll(log)).split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(FileTypeRegistrationTest, WritesTheMimePackageAndADesktopEntryThatOpensTheFile) {
    const auto result = RegisterFileType(options);
    EXPECT_TRUE(result.mimePackageWritten);
    EXPECT_TRUE(result.desktopEntryWritten);

    const QString mime = QString::fromUtf8(ReadAll(mimePackage()));
    EXPECT_TRUE(mime.contains(QString("<mime-type type=\"%1\">").arg(kMixMimeType)));
    EXPECT_TRUE(mime.contains("<comment>Mixer Settings</comment>"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.mix\"/>"));

    const QStringList entry = QString::fromUtf8(ReadAll(desktopEntry())).split('\n');
    EXPECT_EQ(entry.first(), "[Desktop Entry]");
    EXPECT_TRUE(entry.contains("Exec=\"/opt/Sonexa Mixer/sonexa-vireo-mixer\" %f"));
    EXPECT_TRUE(entry.contains(QString("MimeType=%1;").arg(kMixMimeType)));
    EXPECT_TRUE(entry.contains("Icon=sonexa-vireo-mixer"));
    EXPECT_TRUE(entry.contains("Name=Sonexa Vireo Mixer"));
}

TEST_F(FileTypeRegistrationTest, EveryCallRewritesBothFiles) {
    RegisterFileType(options);
    const QByteArray package = ReadAll(mimePackage());
    ASSERT_TRUE(WriteAll(mimePackage(), "edited"));
    ASSERT_TRUE(WriteAll(desktopEntry(), "edited"));
    options.programPath = "/usr/bin/sonexa-vireo-mixer";
    RegisterFileType(options);
    EXPECT_EQ(ReadAll(mimePackage()), package);
    EXPECT_TRUE(QString::fromUtf8(ReadAll(desktopEntry()))
                    .contains("\nExec=/usr/bin/sonexa-vireo-mixer %f\n"));
}

TEST_F(FileTypeRegistrationTest, AStepThatFailsDoesNotStopTheNext) {
    ASSERT_TRUE(WriteAll(data + "/mime", "a file where the folder should be"));
    FakeTools();
    const auto result = RegisterFileType(options);
    EXPECT_FALSE(result.mimePackageWritten);
    EXPECT_FALSE(result.mimeDatabaseUpdated);
    EXPECT_TRUE(result.desktopEntryWritten);
    EXPECT_TRUE(result.desktopDatabaseUpdated);
    EXPECT_EQ(ReadAll(data + "/mime"), "a file where the folder should be");
}

TEST_F(FileTypeRegistrationTest, WithoutAProgramPathNoDesktopEntryIsWritten) {
    options.programPath = "relative/mixer";
    const auto result = RegisterFileType(options);
    EXPECT_TRUE(result.mimePackageWritten);
    EXPECT_FALSE(result.desktopEntryWritten);
    EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
}

TEST_F(FileTypeRegistrationTest, TheDatabaseToolsRunOnTheUsersFoldersWhenSomethingChanged) {
    FakeTools();
    auto result = RegisterFileType(options);
    EXPECT_TRUE(result.mimeDatabaseUpdated);
    EXPECT_TRUE(result.desktopDatabaseUpdated);
    EXPECT_EQ(ToolRuns(), (QStringList{"update-mime-database " + data + "/mime",
                                       "update-desktop-database " + data + "/applications"}));

    // Same files, databases in place: nothing to bring up to date.
    result = RegisterFileType(options);
    EXPECT_FALSE(result.mimeDatabaseUpdated);
    EXPECT_EQ(ToolRuns().size(), 2);

    // A moved program or a lost database makes them run again.
    options.programPath = "/usr/bin/sonexa-vireo-mixer";
    ASSERT_TRUE(QFile::remove(data + "/mime/mime.cache"));
    result = RegisterFileType(options);
    EXPECT_TRUE(result.mimeDatabaseUpdated);
    EXPECT_TRUE(result.desktopDatabaseUpdated);
    EXPECT_EQ(ToolRuns().size(), 4);
}

TEST_F(FileTypeRegistrationTest, MissingToolsAreNotAnError) {
    const auto result = RegisterFileType(options);
    EXPECT_TRUE(result.mimePackageWritten);
    EXPECT_TRUE(result.desktopEntryWritten);
    EXPECT_FALSE(result.mimeDatabaseUpdated);
    EXPECT_FALSE(result.desktopDatabaseUpdated);
}

TEST_F(FileTypeRegistrationTest, AToolThatHangsIsStoppedAfterTheTimeout) {
    const QString pidFile = folder.path("hung.pid");
    ASSERT_TRUE(
        WriteAll(tools + "/update-mime-database",
                 QString("#!/bin/sh\necho $$ > '%1'\nexec sleep 60\n").arg(pidFile).toUtf8()));
    ::chmod(QFile::encodeName(tools + "/update-mime-database").constData(), 0755);
    options.toolTimeoutMs = 300;
    QElapsedTimer timer;
    timer.start();
    const auto result = RegisterFileType(options);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(result.mimeDatabaseUpdated);
    EXPECT_TRUE(result.desktopEntryWritten);
    const QByteArray pid = ReadAll(pidFile).trimmed();
    ASSERT_FALSE(pid.isEmpty());
    EXPECT_FALSE(QFileInfo::exists("/proc/" + QString::fromLatin1(pid)));
}

TEST_F(FileTypeRegistrationTest, TheWrittenDesktopEntryValidates) {
    ScopedEnv systemPath{"PATH", "/usr/local/bin:/usr/bin:/bin"};
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    options.programPath = "/opt/My \"Apps\" $1/mixer";
    ASSERT_TRUE(RegisterFileType(options).desktopEntryWritten);
    QProcess validate;
    validate.start(validator, {desktopEntry()});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
}

TEST_F(FileTypeRegistrationTest, TheRealMimeDatabaseLearnsTheType) {
    ScopedEnv systemPath{"PATH", "/usr/local/bin:/usr/bin:/bin"};
    if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    const auto result = RegisterFileType(options);
    ASSERT_TRUE(result.mimeDatabaseUpdated);
    const QString globs = QString::fromUtf8(ReadAll(data + "/mime/globs2"));
    EXPECT_TRUE(globs.contains(QString("%1:*.mix").arg(kMixMimeType))) << globs.toStdString();
}

} // namespace
} // namespace vireo
