// Save and Save As on settings files the user may not write, or on a full disk: the refusal
// comes through the application's error report and the file stays exactly as it was.
//
// Root may write any file, so as root the checks run without the capabilities that override
// file permissions (on the window thread, which is where the program writes).
#include "controls/TSpinEdit.h"
#include "mixer/MixerPanels.h"
#include "persistence/TempFolder.h"
#include "shell/MainWindowFixture.h"
#include "shell/MixerApplication.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// While it lives, the calling thread is subject to file permissions even as root: the
// capabilities that override them are out of its effective set.
class PermissionsApply {
public:
    PermissionsApply() {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~PermissionsApply() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsApply(const PermissionsApply&) = delete;
    PermissionsApply& operator=(const PermissionsApply&) = delete;

    // Whether a read-only file now refuses this thread a write.
    static bool Hold(const QString& readOnlyFile) {
        const int fd = ::open(QFile::encodeName(readOnlyFile).constData(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        return fd < 0;
    }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

struct FileState {
    std::string bytes;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    ino_t inode = 0;

    static FileState Of(const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return {};
        return {test::MainWindowFixture::ReadFile(path), info.st_mode & 07777, info.st_uid,
                info.st_gid, info.st_ino};
    }
    bool operator==(const FileState&) const = default;
};

void PrintTo(const FileState& s, std::ostream* out) {
    *out << "mode " << std::oct << s.mode << std::dec << ", owner " << s.owner << ":" << s.group
         << ", inode " << s.inode << ", bytes \"" << s.bytes << "\"";
}

const std::string kLive = "[Mixer Settings]\nVolume Level=100\n; the user's own note\n";

class ProtectedSettingsFileTest : public testing::Test, public test::MainWindowFixture {
protected:
    void SetUp() override {
        TForm1& form = Create();
        form.Mixer->VolumeSpinEdit->SetValue(33);
        errors.clear();
    }

    // A settings file that the check below must be able to see refused.
    QString Protected(const QString& name, mode_t mode) {
        const QString path = WriteFile(name, kLive);
        ::chmod(QFile::encodeName(path).constData(), mode);
        return path;
    }

    // Runs the action the way a menu click does: from the event loop, so that an error
    // leaving its handler reaches the application's error report.
    void Trigger(QAction* action) {
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        const PermissionsApply permissions;
        QCoreApplication::processEvents();
    }

    // Save As onto path: the file dialog is given the path and the overwrite question Yes.
    void SaveAsOnto(const QString& path) { Answering(Form().Saveas1, path); }

    // Runs the action while a file dialog it opens is given path and every question Yes.
    void Answering(QAction* action, const QString& path) {
        QTimer answer; // never re-enters itself, so every answer is posted, not made in it
        bool chosen = false;
        int rounds = 0;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !chosen) {
                chosen = true;
                // Typed as a user would: selectFile() of a path in another folder lands only
                // once the dialog has read that folder.
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(path);
                else
                    dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection); // its Save
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                QMetaObject::invokeMethod(box->button(QMessageBox::Yes), "click",
                                          Qt::QueuedConnection);
            } else if (modal && ++rounds > 250) {
                modal->close(); // never hang on something unexpected
            }
        });
        answer.start(20);
        Trigger(action);
    }

    void SkipUnlessPermissionsApply(const QString& readOnlyFile) {
        const PermissionsApply permissions;
        if (!PermissionsApply::Hold(readOnlyFile))
            GTEST_SKIP() << "this user writes read-only files (root that cannot give up "
                            "CAP_DAC_OVERRIDE): no read-only file to test with";
    }

    std::string Refusal(const QString& path) const {
        return "Unable to write to " + path.toStdString();
    }

    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const QString& text : errors)
            texts.push_back(text.toStdString());
        return texts;
    }

    static QStringList FilesBeside(const QString& path) {
        return QDir(QFileInfo(path).absolutePath())
            .entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

TEST_F(ProtectedSettingsFileTest, SaveOfAReadOnlyFileIsRefusedAndTheFileStaysAsItWas) {
    const QString path = Protected("Live.mix", 0444);
    SkipUnlessPermissionsApply(path);
    const FileState before = FileState::Of(path);
    Form().SettingsFileName = path;

    Trigger(Form().Save1);

    EXPECT_THAT(Errors(), ElementsAre(Refusal(path)));
    EXPECT_EQ(FileState::Of(path), before);
    EXPECT_THAT(FilesBeside(path), ElementsAre("Live.mix"));
}

TEST_F(ProtectedSettingsFileTest, SaveOfAFileWhoseOwnerRefusesThisUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    SkipUnlessPermissionsApply(Protected("probe.mix", 0444));
    const QString path = Protected("Theirs.mix", 0644);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNoGroup), 0);
    const FileState before = FileState::Of(path);
    Form().SettingsFileName = path;

    Trigger(Form().Save1);

    EXPECT_THAT(Errors(), ElementsAre(Refusal(path)));
    EXPECT_EQ(FileState::Of(path), before);
    EXPECT_EQ(before.owner, kNobody);
}

TEST_F(ProtectedSettingsFileTest, SaveAsOntoAReadOnlyFileIsRefusedAndNothingFollowsIt) {
    const QString path = Protected("Live.mix", 0444);
    SkipUnlessPermissionsApply(path);
    const FileState before = FileState::Of(path);
    const QString caption = Form().windowTitle();

    SaveAsOnto(path);

    EXPECT_THAT(Errors(), ElementsAre(Refusal(path)));
    EXPECT_EQ(FileState::Of(path), before);
    EXPECT_THAT(FilesBeside(path), ElementsAre("Live.mix"));
    EXPECT_EQ(Form().SettingsFileName, path);
    EXPECT_EQ(Form().windowTitle(), caption);
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DefaultDir", "unset"), "unset");
}

// The same paths still replace a file the user may write, whole and with its mode.
TEST_F(ProtectedSettingsFileTest, AWritableFileIsReplacedWholeAndKeepsItsMode) {
    SkipUnlessPermissionsApply(Protected("probe.mix", 0444));
    const QString path = Protected("Live.mix", 0640);
    const FileState before = FileState::Of(path);
    Form().SettingsFileName = path;

    Trigger(Form().Save1);

    EXPECT_THAT(errors, IsEmpty());
    const FileState after = FileState::Of(path);
    EXPECT_TRUE(after.bytes.starts_with("[Mixer Settings]\nVolume Level=33\n")) << after.bytes;
    EXPECT_NE(after.bytes.find("; the user's own note\n"), std::string::npos) << after.bytes;
    EXPECT_EQ(after.mode, 0640u);
    EXPECT_NE(after.inode, before.inode); // a new file renamed over the old one
    EXPECT_THAT(FilesBeside(path), testing::Contains("Live.mix"));
}

// Whether main gave this program a mount namespace of its own, and why not.
bool privateMounts = false;
int privateMountsError = 0;

// Every file under folder (relative path, bytes), hidden ones included.
std::map<std::string, std::string> FilesUnder(const QString& folder) {
    std::map<std::string, std::string> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path).toStdString()] =
            test::ReadAll(path).toStdString();
    }
    return files;
}

// Writes into a new file until the file system takes no byte more.
void FillUp(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    const bool full = errno == ENOSPC && ::write(fd, block, 1) < 0;
    ::close(fd);
    ASSERT_TRUE(full) << "the file system did not fill up";
}

const QByteArray kUserHive =
    "REGEDIT4\n\n"
    "[HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings]\n"
    "\"PosX\"=dword:00000005\n\"PosY\"=dword:00000007\n"
    "\"DeviceName\"=\"Synth B\"\n\"Display Hints\"=\"False\"\n"
    "\"DefaultDir\"=\"/nowhere/\"\n; the user's own note\n";
const QByteArray kMachineHive =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmark\\Sonexa Vireo Mixer\\1.0]\n"
    "\"Installed\"=dword:00000001\n";

// The hives, the data folder and the settings files on a small file system that is full: the
// window starts there, saves there in every way, and ends there.
class FullDiskTest : public ProtectedSettingsFileTest {
protected:
    void SetUp() override {
        Mount();
        if (IsSkipped() || HasFatalFailure())
            return;
        test::WriteAll(Disk("config/sonexa-vireo-mixer/user.reg"), kUserHive);
        test::WriteAll(Disk("etc/sonexa-vireo-mixer/machine.reg"), kMachineHive);
        test::WriteAll(Disk("data/sonexa-vireo-mixer/Default.mix"), kLive.c_str());
        test::WriteAll(Disk("data/applications/sonexa-vireo-mixer.desktop"), "[Desktop Entry]\n");
        test::WriteAll(Disk("data/mime/packages/sonexa-vireo-mixer.xml"), "<old/>\n");
        test::WriteAll(Disk("Live.mix"), kLive.c_str());
        FillUp(Disk("filler"));
        before = Kept();
        ProtectedSettingsFileTest::SetUp(); // the window starts with its hives on the full disk
    }

    void TearDown() override {
        Destroy();
        if (mounted_)
            ::umount2(QFile::encodeName(Disk()).constData(), MNT_DETACH);
    }

    QString Disk(const QString& relative = {}) const {
        return relative.isEmpty() ? folder_.path("disk") : folder_.path("disk/" + relative);
    }

    // Every file on the disk but the one that fills it.
    std::map<std::string, std::string> Kept() const {
        auto files = FilesUnder(Disk());
        files.erase("filler");
        return files;
    }

    std::map<std::string, std::string> before;

private:
    // Root mounts the file system in this program's own mount namespace; elsewhere mounting is
    // not allowed and the test is skipped.
    void Mount() {
        if (!privateMounts && (privateMountsError == EPERM || ::geteuid() != 0))
            GTEST_SKIP() << "mounting a file system is not allowed here (needs root with "
                            "CAP_SYS_ADMIN): no full disk to test with";
        ASSERT_TRUE(privateMounts) << "no mount namespace: " << std::strerror(privateMountsError);
        ASSERT_TRUE(QDir().mkpath(Disk()));
        ASSERT_EQ(::mount("vireo-full", QFile::encodeName(Disk()).constData(), "tmpfs",
                          MS_NOSUID | MS_NODEV, "size=256k"),
                  0)
            << std::strerror(errno);
        mounted_ = true;
    }

    test::TempFolder folder_;
    bool mounted_ = false;
    test::ScopedEnv configHome_{"XDG_CONFIG_HOME", QFile::encodeName(Disk("config")).constData()};
    test::ScopedEnv configDirs_{"XDG_CONFIG_DIRS", QFile::encodeName(Disk("etc")).constData()};
    test::ScopedEnv dataHome_{"XDG_DATA_HOME", QFile::encodeName(Disk("data")).constData()};
};

TEST_F(FullDiskTest, EveryWriteIsRefusedAndEveryFileStaysByteForByte) {
    Form().move(300, 200); // a new position for the exit to save
    const QString live = Disk("Live.mix");
    const QString fresh = Disk("Fresh.mix");
    const QString standard = Disk("data/sonexa-vireo-mixer/Default.mix");

    Form().SettingsFileName = live;
    Trigger(Form().Save1);
    SaveAsOnto(fresh);
    Form().SettingsFileName = standard;
    Answering(Form().Save1, {}); // replacing the default settings: Yes
    Destroy();                   // the program's end saves its position

    EXPECT_THAT(Errors(), ElementsAre(Refusal(live), Refusal(fresh), Refusal(standard)));
    EXPECT_EQ(Kept(), before); // nothing replaced, nothing left behind
}

} // namespace
} // namespace vireo

// The program's own application, so that errors leaving handlers reach its error report.
int main(int argc, char** argv) {
    vireo::test::privateHome(); // before Qt reads any folder
    // Mounts of its own, made while the program has one thread, vanish with it.
    vireo::privateMounts = ::unshare(CLONE_NEWNS) == 0 &&
                           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    vireo::privateMountsError = errno;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    vireo::MixerApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
