// The instance channel between real processes: instance_probe runs it as the program's start
// does and prints what happens.
#include "InstanceTestSupport.h"
#include "shell/InstanceChannel.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

using instance::DecodeState;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

const QString kCaption = QStringLiteral("Sonexa Vireo Mixer - Default.mix");

struct ProbeOptions {
    QString caption = kCaption;
    bool minimised = false;
    QString workingFolder;
};

ProbeOptions WithCaption(const QString& caption) {
    ProbeOptions options;
    options.caption = caption;
    return options;
}

ProbeOptions Minimised() {
    ProbeOptions options;
    options.minimised = true;
    return options;
}

ProbeOptions WorkingIn(const QString& folder) {
    ProbeOptions options;
    options.workingFolder = folder;
    return options;
}

class InstanceProcessTest : public testing::Test {
protected:
    ~InstanceProcessTest() override {
        for (auto& process : processes_) {
            process->closeWriteChannel();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(3000);
        }
    }

    QProcess& launch(const QStringList& arguments, const ProbeOptions& options = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime_->path());
        environment.insert("VIREO_PROBE_CAPTION", options.caption);
        environment.insert("VIREO_PROBE_MINIMISED", options.minimised ? "1" : "0");
        environment.insert("LC_ALL", "C.UTF-8");
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(options.workingFolder.isEmpty() ? runtime_->path()
                                                                     : options.workingFolder);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(VIREO_INSTANCE_PROBE, arguments);
        processes_.push_back(std::move(process));
        return *processes_.back();
    }

    // The next line the probe prints; empty when none comes in time.
    static QString nextLine(QProcess& process, int timeoutMs = 5000) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!process.canReadLine() && process.state() != QProcess::NotRunning &&
               !deadline.hasExpired())
            process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        return process.canReadLine() ? QString::fromUtf8(process.readLine()).chopped(1) : QString();
    }

    QProcess& listener(const ProbeOptions& options = {}) {
        QProcess& process = launch({}, options);
        EXPECT_EQ(nextLine(process), "listening");
        return process;
    }

    // Runs a start to its end; its outcome line and exit code.
    std::pair<QString, int> runStart(const QStringList& arguments,
                                     const ProbeOptions& options = {}) {
        QProcess& process = launch(arguments, options);
        const QString outcome = nextLine(process);
        process.waitForFinished(5000);
        return {outcome, process.exitCode()};
    }

    // Everything a listener printed until it was told to quit; its exit code must be 0.
    static QStringList quit(QProcess& process) {
        process.write("quit\n");
        EXPECT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 0);
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QString socketPath() const { return InstanceEndpointIn(runtime_->path()).socketPath; }
    QString lockPath() const { return InstanceEndpointIn(runtime_->path()).lockPath; }

    void useRuntimeFolder(std::unique_ptr<QTemporaryDir> folder) { runtime_ = std::move(folder); }

private:
    std::unique_ptr<QTemporaryDir> runtime_ =
        std::make_unique<QTemporaryDir>(test::privateHome().path() + "/run/probe-XXXXXX");
    std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST_F(InstanceProcessTest, ASecondStartHandsItsFirstArgumentToTheFirstAndEnds) {
    QTemporaryDir working(test::privateHome().path() + "/Mes «mixes» XXXXXX");
    QProcess& first = listener();
    const QString odd = QString::fromUtf8("sub dir/My \"odd\" 'file' ünï 日本.mix");
    EXPECT_EQ(runStart({odd, "/second.mix"}, WorkingIn(working.path())),
              std::make_pair(QString("handed-off"), 0));
    EXPECT_EQ(nextLine(first), "front");
    EXPECT_EQ(nextLine(first), "path " + working.path() + '/' + odd);
}

TEST_F(InstanceProcessTest, AMinimisedInstanceGetsFilesButIsNotBroughtForward) {
    QProcess& first = listener(Minimised());
    EXPECT_EQ(runStart({}, {}).first, "handed-off");
    EXPECT_EQ(runStart({"/home/a/b.mix"}).first, "handed-off");
    EXPECT_EQ(nextLine(first), "path /home/a/b.mix")
        << "the start without a file delivered nothing";
}

TEST_F(InstanceProcessTest, AnInstanceWithoutASettingsFileCaptionIsNotRecognised) {
    QProcess& first = listener(WithCaption("Sonexa Vireo Mixer"));
    EXPECT_EQ(runStart({"/x.mix"}), std::make_pair(QString("running"), 0));
    EXPECT_THAT(quit(first), IsEmpty());
}

TEST_F(InstanceProcessTest, AfterACrashTheNextStartBecomesTheInstance) {
    QProcess& crashed = listener();
    crashed.kill();
    ASSERT_TRUE(crashed.waitForFinished(5000));
    ASSERT_TRUE(S_ISSOCK(test::FileMode(socketPath()))) << "a crash leaves its socket behind";
    ASSERT_TRUE(QFile::exists(lockPath()));

    QProcess& next = listener();
    EXPECT_EQ(runStart({"/after/crash.mix"}).first, "handed-off");
    EXPECT_EQ(nextLine(next), "front");
    EXPECT_EQ(nextLine(next), "path /after/crash.mix");
}

TEST_F(InstanceProcessTest, OfStartsAtTheSameMomentExactlyOneBecomesTheInstance) {
    for (const QString& caption : {kCaption, QString("Sonexa Vireo Mixer")}) {
        std::vector<QProcess*> starts;
        for (int i = 0; i < 4; ++i)
            starts.push_back(&launch({}, WithCaption(caption)));
        QStringList outcomes;
        QProcess* first = nullptr;
        for (QProcess* start : starts) {
            outcomes << nextLine(*start);
            if (outcomes.back() == "listening")
                first = start;
        }
        const QString others = caption == kCaption ? "handed-off" : "running";
        EXPECT_THAT(outcomes, UnorderedElementsAre("listening", others, others, others));
        ASSERT_NE(first, nullptr);
        const QStringList received = quit(*first);
        if (caption == kCaption)
            EXPECT_THAT(received, ElementsAre("front", "front", "front"));
        else
            EXPECT_THAT(received, IsEmpty());
        for (QProcess* start : starts)
            start->waitForFinished(5000);
    }
}

TEST_F(InstanceProcessTest, SilentAndGarbageClientsAreDroppedWithinASecondAndDeliverNothing) {
    QProcess& first = listener();
    QLocalSocket silent, garbage;
    silent.connectToServer(socketPath());
    garbage.connectToServer(socketPath());
    ASSERT_TRUE(silent.waitForConnected(1000));
    ASSERT_TRUE(garbage.waitForConnected(1000));
    garbage.write(QByteArray(64, '\xFF'));
    garbage.flush();

    ASSERT_TRUE(silent.waitForReadyRead(2000));
    EXPECT_EQ(instance::DecodeStatus(silent.readAll()).message.caption, kCaption);
    EXPECT_TRUE(garbage.state() == QLocalSocket::UnconnectedState ||
                garbage.waitForDisconnected(3000));
    EXPECT_TRUE(silent.waitForDisconnected(3000));

    EXPECT_EQ(runStart({"/marker.mix"}).first, "handed-off");
    EXPECT_EQ(nextLine(first), "front") << "nothing came before the real hand-off";
    EXPECT_EQ(nextLine(first), "path /marker.mix");
}

TEST_F(InstanceProcessTest, TheSocketIsTheUsersAloneAndAnOrderlyEndRemovesIt) {
    QProcess& first = listener();
    const int mode = test::FileMode(socketPath());
    EXPECT_TRUE(S_ISSOCK(mode));
    EXPECT_EQ(mode & 077, 0);
    EXPECT_THAT(quit(first), IsEmpty());
    EXPECT_FALSE(QFile::exists(socketPath()));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(InstanceProcessTest, AnotherUserCannotConnect) {
    if (geteuid() != 0)
        GTEST_SKIP() << "taking another user's identity needs root";
    // A folder every user may pass through, so that only the socket's own mode stands guard.
    auto open = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/vireo-open-XXXXXX");
    ASSERT_TRUE(::chmod(QFile::encodeName(open->path()).constData(), 0755) == 0);
    useRuntimeFolder(std::move(open));
    QProcess& first = listener();

    EXPECT_EQ(test::ConnectAsUser(socketPath(), 65534), EACCES);
    EXPECT_EQ(test::ConnectAsUser(socketPath(), geteuid()), 0) << "the check itself works";
    EXPECT_THAT(quit(first), IsEmpty());
}

} // namespace
} // namespace vireo
