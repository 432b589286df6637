#include "persistence/HiveFile.h"

#include "persistence/HiveLock.h"
#include "persistence/PreferencesStore.h"
#include "persistence/TempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vireo {
namespace {

using test::ReadAll;
using test::WriteAll;
using State = HiveFileContents::State;

constexpr auto kKey = "HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings";

bool SetString(const QString& path, const std::string& name, const std::string& text) {
    return UpdateHiveFile(
        path, [&](HiveDocument& doc) { return doc.Set(kKey, name, HiveValue::String(text)); });
}

class HiveFileTest : public testing::Test {
protected:
    test::TempFolder folder;
    const QString hive = folder.path("config/sonexa-vireo-mixer/user.reg");

    // Writing into the hive must fail and leave it exactly as it was.
    void ExpectWriteRefused() {
        const QFileInfo before(hive);
        const bool small = before.size() <= 2 * kMaxHiveFileBytes;
        const QByteArray bytes = before.isFile() && small ? ReadAll(hive) : QByteArray();
        EXPECT_FALSE(SetString(hive, "DeviceName", "new"));
        const QFileInfo after(hive);
        EXPECT_EQ(after.isDir(), before.isDir());
        EXPECT_EQ(after.isFile(), before.isFile());
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(after.lastModified(), before.lastModified());
        if (after.isFile() && small) {
            EXPECT_EQ(ReadAll(hive), bytes);
        }
    }
};

TEST_F(HiveFileTest, AWriteCreatesTheFolderAndTheFileAndReadsBack) {
    EXPECT_EQ(ReadHiveFile(hive).state, State::Missing);
    ASSERT_TRUE(SetString(hive, "DeviceName", "Synth"));
    const HiveFileContents contents = ReadHiveFile(hive);
    ASSERT_EQ(contents.state, State::Read);
    EXPECT_EQ(contents.document->Find(kKey, "DeviceName")->text, "Synth");
    EXPECT_EQ(QString::fromUtf8(ReadAll(hive)),
              QString("REGEDIT4\n\n[%1]\n\"DeviceName\"=\"Synth\"\n").arg(kKey));
    // Nothing is left beside it: no lock, no half-written copy.
    EXPECT_EQ(QDir(QFileInfo(hive).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"user.reg"});
}

TEST_F(HiveFileTest, AWriteKeepsTheFilesPermissions) {
    ASSERT_TRUE(SetString(hive, "A", "1"));
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0600), 0);
    ASSERT_TRUE(SetString(hive, "B", "2"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(hive).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(HiveFileTest, DamagedHivesReadAsUnusableAndAreNeverWrittenOver) {
    const QByteArray damaged[] = {
        QByteArray("\x7f"
                   "ELF\x02\x01\x01\0\0\0garbage\xff\xfe",
                   20),
        QByteArray("just some text\n"),
        QByteArray("\n[") + kKey + "]\n\"Periodic Delay\"=dword:000000fa\n", // no header
    };
    for (const QByteArray& bytes : damaged) {
        ASSERT_TRUE(WriteAll(hive, bytes));
        EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable) << bytes.constData();
        ExpectWriteRefused();
    }
}

TEST_F(HiveFileTest, AHiveWithLinesItCannotReadIsReadAndWrittenKeepingThem) {
    const QByteArray cutShort[] = {
        QByteArray("REGEDIT4\n\n[") + kKey + "]\n\"Periodic Delay\"=dword:000000fa\n\"DeviceN",
        QByteArray("REGEDIT4\n\n[") + kKey +
            "]\n\"Periodic Delay\"=dword:000000fa\n\"DeviceName\"=\"USB MIDI Inter",
    };
    for (const QByteArray& bytes : cutShort) {
        ASSERT_TRUE(WriteAll(hive, bytes));
        const HiveFileContents contents = ReadHiveFile(hive);
        ASSERT_EQ(contents.state, State::Read) << bytes.constData();
        EXPECT_EQ(contents.document->Find(kKey, "Periodic Delay")->dword, 250u);
        EXPECT_FALSE(contents.document->Find(kKey, "DeviceName"));
        ASSERT_TRUE(SetString(hive, "DeviceName", "new"));
        EXPECT_EQ(ReadAll(hive),
                  QByteArray("REGEDIT4\n\n[") + kKey +
                      "]\n\"Periodic Delay\"=dword:000000fa\n\"DeviceName\"=\"new\"\n" +
                      bytes.mid(bytes.lastIndexOf('\n') + 1) + "\n");
    }
}

TEST_F(HiveFileTest, AHiveLargerThanTheLimitIsNotRead) {
    // Well formed but too large: a comment pads it past the limit.
    QByteArray big = QByteArray("REGEDIT4\n\n[") + kKey + "]\n\"A\"=\"1\"\n;";
    big.append(QByteArray(kMaxHiveFileBytes - big.size() - 1, 'x')).append('\n');
    ASSERT_TRUE(WriteAll(hive, big));
    EXPECT_EQ(ReadHiveFile(hive).state, State::Read);
    big.append('x');
    ASSERT_TRUE(WriteAll(hive, big));
    EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable);
    ExpectWriteRefused();

    // A 100 MB file (sparse, so the test stays quick) is refused without reading it all.
    ASSERT_EQ(::truncate(QFile::encodeName(hive).constData(), 100 * 1024 * 1024), 0);
    EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable);
    ExpectWriteRefused();
}

TEST_F(HiveFileTest, SomethingOtherThanAFileInItsPlaceIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(hive));
    EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable);
    ExpectWriteRefused();
    ASSERT_TRUE(QDir().rmdir(hive));

    // A named pipe would block a plain open for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(hive).constData(), 0600), 0);
    EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable);
    EXPECT_FALSE(SetString(hive, "DeviceName", "new"));
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(hive).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(HiveFileTest, AWriteIntoAFolderThatCannotBeCreatedFails) {
    ASSERT_TRUE(WriteAll(folder.path("blocker"), "a file"));
    EXPECT_FALSE(SetString(folder.path("blocker/sub/user.reg"), "A", "1"));
    EXPECT_EQ(ReadAll(folder.path("blocker")), "a file");
}

TEST_F(HiveFileTest, AReadOnlyOrUnreadableHiveIsNotReplaced) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    ASSERT_TRUE(SetString(hive, "A", "1"));
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0400), 0);
    ExpectWriteRefused();
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0200), 0);
    EXPECT_EQ(ReadHiveFile(hive).state, State::Unusable);
    EXPECT_FALSE(SetString(hive, "A", "2"));
}

TEST_F(HiveFileTest, AHeldLockMakesTheWriteFailWithoutTouchingTheHive) {
    ASSERT_TRUE(SetString(hive, "A", "1"));
    {
        const HiveLock other(hive + ".lock", 0);
        ASSERT_TRUE(other.locked());
        ExpectWriteRefused();
    }
    EXPECT_TRUE(SetString(hive, "A", "2"));
}

TEST_F(HiveFileTest, ALockFileLeftByADeadWriterDoesNotKeepWritersOut) {
    ASSERT_TRUE(WriteAll(hive + ".lock", ""));
    EXPECT_TRUE(SetString(hive, "A", "1"));
    EXPECT_FALSE(QFileInfo::exists(hive + ".lock"));
}

TEST_F(HiveFileTest, ThreadsWithTheirOwnStoresAllKeepTheirValues) {
    constexpr int kThreads = 4;
    constexpr int kValues = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            PreferencesStore store(HivePaths{hive, {}, {}});
            for (int i = 0; i < kValues; ++i)
                store.WriteRegInteger(SettingsKey, std::to_string(t) + "-" + std::to_string(i), i);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const PreferencesStore store(HivePaths{hive, {}, {}});
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValues; ++i) {
            const std::string name = std::to_string(t) + "-" + std::to_string(i);
            EXPECT_EQ(store.ReadRegInteger(SettingsKey, name, -1), i) << name;
        }
    }
}

// Child processes that write into the same hive at the same time.
class HiveWritersTest : public HiveFileTest {
protected:
    std::vector<std::unique_ptr<QProcess>> children;

    QProcess& Start(const QString& prefix, const QString& count) {
        auto& child = children.emplace_back(std::make_unique<QProcess>());
        child->start(VIREO_HIVE_WRITER_CHILD, {hive, prefix, count});
        EXPECT_TRUE(child->waitForStarted(10000));
        return *child;
    }

    void TearDown() override {
        for (auto& child : children) {
            if (child->state() != QProcess::NotRunning) {
                child->kill();
                child->waitForFinished(10000);
            }
        }
    }
};

TEST_F(HiveWritersTest, ProcessesWritingAtOnceAllKeepTheirValues) {
    ASSERT_TRUE(SetString(hive, "Theirs", "kept"));
    constexpr int kWriters = 4;
    constexpr int kValues = 25;
    for (int w = 0; w < kWriters; ++w)
        Start(QString("w%1").arg(w), QString::number(kValues));
    for (auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(60000));
        EXPECT_EQ(child->exitCode(), 0) << "a write failed";
    }
    const PreferencesStore store(HivePaths{hive, {}, {}});
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValues; ++i) {
            const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
            EXPECT_EQ(store.ReadRegInteger(SettingsKey, name, -1), i) << name;
        }
    }
    EXPECT_EQ(store.ReadRegString(SettingsKey, "Theirs", ""), "kept");
}

TEST_F(HiveWritersTest, AWriterKilledMidWriteLeavesAWholeHiveAndNoLockInTheWay) {
    ASSERT_TRUE(SetString(hive, "Theirs", "kept"));
    for (int round = 0; round < 5; ++round) {
        QProcess& child = Start("Counter", "forever");
        ::usleep(useconds_t(60000 + round * 37000));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));

        const HiveFileContents contents = ReadHiveFile(hive);
        ASSERT_EQ(contents.state, State::Read) << "round " << round;
        EXPECT_EQ(contents.document->Find(kKey, "Theirs")->text, "kept");
        // The dead writer's lock does not keep the next writer out.
        EXPECT_TRUE(SetString(hive, "After", std::to_string(round)));
    }
    const PreferencesStore store(HivePaths{hive, {}, {}});
    EXPECT_GT(store.ReadRegInteger(SettingsKey, "Counter", 0), 0);
}

} // namespace
} // namespace vireo
