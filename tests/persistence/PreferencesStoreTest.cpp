#include "persistence/PreferencesStore.h"

#include "persistence/TempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

using test::ReadAll;
using test::ScopedEnv;
using test::WriteAll;

class PreferencesStoreTest : public testing::Test {
protected:
    test::TempFolder folder;
    HivePaths paths{folder.path("home/user.reg"), folder.path("etc/machine.reg"),
                    folder.path("home/machine.reg")};
    PreferencesStore store{paths};
};

TEST_F(PreferencesStoreTest, ValuesReadBackAsWritten) {
    EXPECT_TRUE(store.WriteRegString(SettingsKey, "DeviceName", "USB MIDI Interface:MIDI 1"));
    EXPECT_TRUE(store.WriteRegInteger(SettingsKey, "Periodic Delay", 500));
    EXPECT_TRUE(store.WriteRegInteger(SettingsKey, "PosX", -5000));
    EXPECT_TRUE(store.WriteRegInteger(SettingsKey, "PosY", INT32_MIN));
    EXPECT_TRUE(store.WriteRegString(SettingsKey, "DefaultDir", "/home/ünïcode dir/"));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"),
              "USB MIDI Interface:MIDI 1");
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 500);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", 0), -5000);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosY", 0), INT32_MIN);
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DefaultDir", ""), "/home/ünïcode dir/");
    // A later write replaces the value.
    EXPECT_TRUE(store.WriteRegInteger(SettingsKey, "Periodic Delay", 100));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 100);
}

TEST_F(PreferencesStoreTest, MissingHiveKeyOrValueGivesTheDefaultAndCreatesNothing) {
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 250);
    EXPECT_FALSE(QFileInfo::exists(paths.user));
    ASSERT_TRUE(store.WriteRegString("Software\\Other", "DeviceName", "elsewhere"));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
    ASSERT_TRUE(store.WriteRegString(SettingsKey, "Display Hints", "True"));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
}

TEST_F(PreferencesStoreTest, ValuesAreReadOnlyAsTheirOwnType) {
    ASSERT_TRUE(WriteAll(paths.user, QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\") +
                                         SettingsKey.data() +
                                         "]\n"
                                         "\"Periodic Delay\"=\"100\"\n"
                                         "\"DeviceName\"=dword:00000001\n"
                                         "\"DefaultDir\"=hex(2):25,48,4f,4d,45,25,2f,00\n"
                                         "\"No Warning\"=hex(4):01,00,00,00\n"
                                         "\"PosX\"=hex(b):01,00,00,00,00,00,00,00\n"
                                         "\"PosY\"=hex:01,00,00,00\n"
                                         "\"Display Hints\"=hex(1):46,61,6c,73,65,00,78\n"));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 250);
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DefaultDir", "/"), "%HOME%/"); // not expanded
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "No Warning", 0), 1);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", 7), 7); // does not fit in 32 bits
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosY", 7), 7); // binary, not an integer
    EXPECT_EQ(store.ReadRegString(SettingsKey, "Display Hints", "True"), "False");
}

TEST_F(PreferencesStoreTest, AnEmptyTextReadsAsTheDefaultAndTextEndsAtAZero) {
    ASSERT_TRUE(store.WriteRegString(SettingsKey, "DefaultDir", ""));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DefaultDir", "/opt/mixer/"), "/opt/mixer/");
    ASSERT_TRUE(store.WriteRegString(SettingsKey, "DeviceName", std::string("Synth\0tail", 10)));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", ""), "Synth");
    ASSERT_TRUE(store.WriteRegString(SettingsKey, "DeviceName", std::string("\0tail", 5)));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
}

TEST_F(PreferencesStoreTest, AWriteKeepsEverythingElseInTheHive) {
    const QByteArray theirs =
        "REGEDIT4\n"
        "; notes of the user\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Another Program]\n"
        "\"Recent\"=hex(7):61,00,62,00,00,00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings]\n"
        "\"Future Setting\"=\"from a newer version\"\n"
        "\"Periodic Delay\"=dword:000000fa\n";
    ASSERT_TRUE(WriteAll(paths.user, theirs));
    ASSERT_TRUE(store.WriteRegInteger(SettingsKey, "Periodic Delay", 300));
    ASSERT_TRUE(store.WriteRegString(SettingsKey, "Display Hints", "False"));
    QByteArray expected = theirs;
    expected.replace("000000fa", "0000012c").append("\"Display Hints\"=\"False\"\n");
    EXPECT_EQ(ReadAll(paths.user), expected);
}

TEST_F(PreferencesStoreTest, ADamagedHiveReadsAsDefaultsAndIsLeftAsItWas) {
    const QByteArray damaged = QByteArray("\x89PNG\r\n\x1a\nREGEDIT4\n\n[HKEY_CURRENT_USER\\") +
                               SettingsKey.data() + "]\n\"Periodic Delay\"=dword:000000fa\n";
    ASSERT_TRUE(WriteAll(paths.user, damaged));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 250);
    EXPECT_FALSE(store.WriteRegString(SettingsKey, "DeviceName", "Synth"));
    EXPECT_EQ(ReadAll(paths.user), damaged);
}

// A hive edited by hand, with lines the reader cannot take: a short dword, a blank line before
// the header, a byte that is not UTF-8.
TEST_F(PreferencesStoreTest, AHandEditedHiveLosesOnlyTheLinesThatCannotBeRead) {
    const QByteArray edited = QByteArray("\nREGEDIT4\n\n[HKEY_CURRENT_USER\\") +
                              SettingsKey.data() +
                              "]\n\"DeviceName\"=\"USB MIDI Interface:MIDI 1\"\n"
                              "\"Periodic Delay\"=dword:1f4\n"
                              "\"PosX\"=dword:00000064\n"
                              "\"Display Hints\"=\"Fa\xECse\"\n"
                              "\"No Warning\"=dword:00000001\n";
    ASSERT_TRUE(WriteAll(paths.user, edited));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"),
              "USB MIDI Interface:MIDI 1");
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", -1), 100);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "No Warning", 0), 1);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 250);
    EXPECT_EQ(store.ReadRegString(SettingsKey, "Display Hints", "True"), "True");

    EXPECT_TRUE(store.WriteRegInteger(SettingsKey, "Periodic Delay", 500));
    EXPECT_TRUE(store.WriteRegString(SettingsKey, "DeviceName", "Synth"));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 500);
    QByteArray expected = edited;
    expected.replace("USB MIDI Interface:MIDI 1", "Synth")
        .append("\"Periodic Delay\"=dword:000001f4\n");
    EXPECT_EQ(ReadAll(paths.user), expected);
}

TEST_F(PreferencesStoreTest, TheRootChoosesTheHive) {
    EXPECT_EQ(PreferencesStore::Shared().RootKey(), RegRoot::CurrentUser);
    EXPECT_EQ(store.RootKey(), RegRoot::CurrentUser);

    store.SetRootKey(RegRoot::LocalMachine);
    ASSERT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", 1));
    EXPECT_EQ(QString::fromUtf8(ReadAll(paths.machine)),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmark\\Sonexa Vireo "
              "Mixer\\1.0]\n\"Checked Device\"=dword:00000001\n");
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 0), 1);

    store.SetRootKey(RegRoot::CurrentUser);
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 0), 0);
    EXPECT_FALSE(QFileInfo::exists(paths.user));

    // No hive stands for the classes root: nothing is read or written there.
    store.SetRootKey(RegRoot::ClassesRoot);
    EXPECT_FALSE(store.WriteRegString(".mix", "", "Sonexa Vireo Mixer"));
    EXPECT_EQ(store.ReadRegString(".mix", "", "none"), "none");
    EXPECT_FALSE(QFileInfo::exists(paths.user));
}

TEST_F(PreferencesStoreTest, NoErrorEscapesWhenTheHiveIsAFolder) {
    ASSERT_TRUE(QDir().mkpath(paths.user));
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", "MIDI Mapper"), "MIDI Mapper");
    EXPECT_FALSE(store.WriteRegInteger(SettingsKey, "PosX", 1));
    EXPECT_TRUE(QFileInfo(paths.user).isDir());
}

TEST_F(PreferencesStoreTest, NothingIsCached) {
    ASSERT_TRUE(store.WriteRegInteger(SettingsKey, "Periodic Delay", 100));
    PreferencesStore other{paths};
    ASSERT_TRUE(other.WriteRegInteger(SettingsKey, "Periodic Delay", 200));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 200);
    ASSERT_TRUE(QFile::remove(paths.user));
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "Periodic Delay", 250), 250);
}

// The system's machine hive cannot be written by this user.
class MachineOverlayTest : public PreferencesStoreTest {
protected:
    class ReadOnlySystemStore : public PreferencesStore {
    public:
        using PreferencesStore::PreferencesStore;

    protected:
        bool MachineHiveWritable(const HivePaths&) const override { return false; }
    };

    void SetUp() override {
        ASSERT_TRUE(WriteAll(paths.machine,
                             "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmark\\Sonexa Vireo "
                             "Mixer\\1.0]\n\"Close MIDI Device if Minimized\"=dword:00000001\n"
                             "\"Checked Device\"=dword:00000000\n"));
        system = ReadAll(paths.machine);
        readOnly.SetRootKey(RegRoot::LocalMachine);
    }

    ReadOnlySystemStore readOnly{paths};
    QByteArray system;
};

TEST_F(MachineOverlayTest, WritesGoToTheOverlayAndItsValuesWinOverTheSystems) {
    EXPECT_EQ(readOnly.ReadRegInteger(MachineKey, "Checked Device", 7), 0);
    ASSERT_TRUE(readOnly.WriteRegInteger(MachineKey, "Checked Device", 1));
    EXPECT_EQ(ReadAll(paths.machine), system);
    EXPECT_TRUE(QFileInfo::exists(paths.machineOverlay));
    EXPECT_EQ(readOnly.ReadRegInteger(MachineKey, "Checked Device", 0), 1);
    // Values the overlay lacks still come from the system's hive.
    EXPECT_EQ(readOnly.ReadRegInteger(MachineKey, "Close MIDI Device if Minimized", 0), 1);
}

TEST_F(MachineOverlayTest, WhereTheSystemHiveIsWritableTheOverlayIsNotUsed) {
    ASSERT_TRUE(readOnly.WriteRegInteger(MachineKey, "Checked Device", 1));
    store.SetRootKey(RegRoot::LocalMachine);
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 7), 0);
    ASSERT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", 2));
    EXPECT_NE(ReadAll(paths.machine), system);
    EXPECT_EQ(readOnly.ReadRegInteger(MachineKey, "Checked Device", 0), 1);
}

// The store that follows the environment, as the program uses it.
class EnvironmentStoreTest : public testing::Test {
protected:
    test::TempFolder folder;
    ScopedEnv configHome{"XDG_CONFIG_HOME", QFile::encodeName(folder.path("cfg")).constData()};
    ScopedEnv configDirs{
        "XDG_CONFIG_DIRS",
        QFile::encodeName("relative/ignored::" + folder.path("sys") + ":/etc/xdg").constData()};
    PreferencesStore store;
};

TEST_F(EnvironmentStoreTest, HivesLiveInTheXdgConfigFolders) {
    ASSERT_TRUE(store.WriteRegInteger(SettingsKey, "PosX", 10));
    EXPECT_TRUE(QFileInfo::exists(folder.path("cfg/sonexa-vireo-mixer/user.reg")));
    store.SetRootKey(RegRoot::LocalMachine);
    ASSERT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", 1));
    EXPECT_TRUE(QFileInfo::exists(folder.path("sys/sonexa-vireo-mixer/machine.reg")));
    EXPECT_FALSE(QFileInfo::exists(folder.path("cfg/sonexa-vireo-mixer/machine.reg")));

    // The variables are followed at every call.
    ScopedEnv moved{"XDG_CONFIG_HOME", QFile::encodeName(folder.path("moved")).constData()};
    store.SetRootKey(RegRoot::CurrentUser);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", 0), 0);
}

TEST_F(EnvironmentStoreTest, WithoutVariablesTheHomeAndEtcFoldersAreUsed) {
    ScopedEnv home{"HOME", QFile::encodeName(folder.path("home")).constData()};
    ScopedEnv noHome{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv noDirs{"XDG_CONFIG_DIRS", nullptr};
    const HivePaths paths = HivePathsFromEnvironment();
    EXPECT_EQ(paths.user, folder.path("home/.config/sonexa-vireo-mixer/user.reg"));
    EXPECT_EQ(paths.machine, "/etc/xdg/sonexa-vireo-mixer/machine.reg");
    EXPECT_EQ(paths.machineOverlay, folder.path("home/.config/sonexa-vireo-mixer/machine.reg"));
}

TEST_F(EnvironmentStoreTest, AMachineHiveThatCannotBeCreatedIsOverlaidByTheUsersCopy) {
    // The system folder lies below a plain file, so no user (root included) can create it.
    ASSERT_TRUE(WriteAll(folder.path("blocker"), "not a folder"));
    ScopedEnv dirs{"XDG_CONFIG_DIRS", QFile::encodeName(folder.path("blocker/xdg")).constData()};
    store.SetRootKey(RegRoot::LocalMachine);
    ASSERT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", 1));
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 0), 1);
    EXPECT_TRUE(QFileInfo::exists(folder.path("cfg/sonexa-vireo-mixer/machine.reg")));
    EXPECT_EQ(ReadAll(folder.path("blocker")), "not a folder");
    // The user's own hive is a different file.
    store.SetRootKey(RegRoot::CurrentUser);
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 0), 0);
}

TEST_F(EnvironmentStoreTest, AReadOnlySystemFolderIsOverlaidByTheUsersCopy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root; the test above covers the overlay";
    const QString system = folder.path("sys/sonexa-vireo-mixer");
    ASSERT_TRUE(WriteAll(system + "/machine.reg",
                         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmark\\Sonexa Vireo "
                         "Mixer\\1.0]\n\"Close MIDI Device if Minimized\"=dword:00000001\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(system).constData(), 0555), 0);
    store.SetRootKey(RegRoot::LocalMachine);
    EXPECT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", 1));
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Checked Device", 0), 1);
    EXPECT_EQ(store.ReadRegInteger(MachineKey, "Close MIDI Device if Minimized", 0), 1);
    EXPECT_TRUE(QFileInfo::exists(folder.path("cfg/sonexa-vireo-mixer/machine.reg")));
    ::chmod(QFile::encodeName(system).constData(), 0755);
}

TEST(MayWriteFileTest, LooksAtTheNearestExistingFolder) {
    test::TempFolder folder;
    EXPECT_TRUE(MayWriteFile(folder.path("a/b/c/file.reg")));
    ASSERT_TRUE(WriteAll(folder.path("plain"), "x"));
    EXPECT_TRUE(MayWriteFile(folder.path("plain")));
    EXPECT_FALSE(MayWriteFile(folder.path("plain/sub/file.reg")));
    ASSERT_TRUE(QDir().mkpath(folder.path("dir")));
    EXPECT_FALSE(MayWriteFile(folder.path("dir")));
}

} // namespace
} // namespace vireo
