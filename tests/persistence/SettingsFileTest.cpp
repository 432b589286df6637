#include "persistence/SettingsFile.h"

#include "platform/DataFolders.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;

class SettingsFileTest : public testing::Test {
protected:
    SettingsFileTest()
        : folder(fs::path(test::privateHome().path().toStdString()) / "mixes" /
                 testing::UnitTest::GetInstance()->current_test_info()->name()) {
        fs::create_directories(folder);
    }
    ~SettingsFileTest() override { fs::remove_all(folder); }

    std::string PathOf(const std::string& name) const { return (folder / name).string(); }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    MixerSettings Load(const std::string& sectionBody) const {
        Put(PathOf("x.mix"), "[Mixer Settings]\n" + sectionBody);
        return ReadSettingsFile(PathOf("x.mix"));
    }

    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static MixerSettings Sample() {
        MixerSettings s;
        s.volumeLevel = 100;
        s.midiLevel = 90;
        s.midiReverbLevel = 40;
        s.midiChorusLevel = 30;
        s.adPartLevel = 0;
        s.reverbLevel = 64;
        s.chorusLevel = 1;
        s.variationLevel = 127;
        s.dryLevel = 5;
        s.reverbEffect = "Hall1";
        s.chorusEffect = "";
        s.variationEffect = "Delay L,C,R";
        s.lock = true;
        s.periodicRefresh = true;
        return s;
    }

    fs::path folder;
};

constexpr const char* kSampleFile = "[Mixer Settings]\n"
                                    "Volume Level=100\nMIDI Level=90\nMIDI Reverb Level=40\n"
                                    "MIDI Chorus Level=30\nA/D Part Level=0\nReverb Level=64\n"
                                    "Chorus Level=1\nVariation Level=127\nDry Level=5\n"
                                    "Reverb Effect=Hall1\nChorus Effect=\n"
                                    "Variation Effect=Delay L,C,R\nLock=1\nPeriodic Refresh=1\n";

TEST_F(SettingsFileTest, MissingFileLoadsDefaultsAndIsNotCreated) {
    const MixerSettings loaded = ReadSettingsFile(PathOf("none.mix"));
    EXPECT_EQ(loaded, MixerSettings{});
    EXPECT_EQ(loaded.volumeLevel, 127);
    EXPECT_EQ(loaded.reverbLevel, 0);
    EXPECT_EQ(loaded.variationEffect, "No Effect");
    EXPECT_FALSE(fs::exists(PathOf("none.mix")));
}

TEST_F(SettingsFileTest, NewFileHoldsTheSectionAndFourteenKeysInOrderAndReadsBack) {
    ASSERT_TRUE(WriteSettingsFile(PathOf("new.mix"), Sample()));
    EXPECT_EQ(Get(PathOf("new.mix")), kSampleFile);
    EXPECT_EQ(ReadSettingsFile(PathOf("new.mix")), Sample());

    ASSERT_TRUE(WriteSettingsFile(PathOf("new.mix"), MixerSettings{}));
    EXPECT_EQ(ReadSettingsFile(PathOf("new.mix")), MixerSettings{});
    EXPECT_THAT(FolderNames(), ElementsAre("new.mix")); // no temporary file left
}

TEST_F(SettingsFileTest, LevelTextsReadByTheIntegerRules) {
    EXPECT_EQ(Load("Volume Level=0x40\n").volumeLevel, 64);
    EXPECT_EQ(Load("Volume Level=$40\n").volumeLevel, 64);
    EXPECT_EQ(Load("Volume Level=0x\n").volumeLevel, 127);
    EXPECT_EQ(Load("Volume Level=12abc\n").volumeLevel, 127);
    EXPECT_EQ(Load("Reverb Level=12abc\n").reverbLevel, 0);
    EXPECT_EQ(Load("Volume Level=\"100\"\n").volumeLevel, 100);

    // Kept as read; the load holds them to the level range as it applies them.
    EXPECT_EQ(Load("Volume Level=-5\n").volumeLevel, -5);
    EXPECT_EQ(HoldToLevel(-5), 0);
    EXPECT_EQ(Load("Volume Level=300\n").volumeLevel, 300);
    EXPECT_EQ(HoldToLevel(300), 127);
    EXPECT_EQ(HoldToLevel(127), 127);
}

TEST_F(SettingsFileTest, FlagsAreOnForAnyNonZeroNumber) {
    EXPECT_TRUE(Load("Lock=2\n").lock);
    EXPECT_TRUE(Load("Lock=-1\nPeriodic Refresh=0x1\n").periodicRefresh);
    EXPECT_FALSE(Load("Lock=yes\n").lock);
    EXPECT_FALSE(Load("Lock=True\n").lock);
    EXPECT_FALSE(Load("Lock=\n").lock);
    EXPECT_FALSE(Load("Lock=0\n").lock);
}

TEST_F(SettingsFileTest, EffectNamesAreKeptAsStored) {
    const MixerSettings loaded = Load("Reverb Effect=hall1\nChorus Effect=\n"
                                      "Variation Effect='3Band EQ(Mono)'\n");
    EXPECT_EQ(loaded.reverbEffect, "hall1");
    EXPECT_EQ(loaded.chorusEffect, ""); // present but empty is not missing
    EXPECT_EQ(loaded.variationEffect, "3Band EQ(Mono)");
}

TEST_F(SettingsFileTest, SectionNameInLowerCaseAndAFileHoldingOnlyLock) {
    Put(PathOf("lower.mix"), "[mixer settings]\nvolume level=10\n");
    EXPECT_EQ(ReadSettingsFile(PathOf("lower.mix")).volumeLevel, 10);

    MixerSettings expected;
    expected.lock = true;
    EXPECT_EQ(Load("Lock=1\n"), expected);

    Put(PathOf("other.mix"), "[Other]\nVolume Level=10\nLock=1\n");
    EXPECT_EQ(ReadSettingsFile(PathOf("other.mix")), MixerSettings{});
}

TEST_F(SettingsFileTest, CrlfAndByteOrderMarkFilesReadAndKeepTheirFormOnSave) {
    std::string crlf = kSampleFile;
    for (auto pos = crlf.find('\n'); pos != std::string::npos; pos = crlf.find('\n', pos + 2))
        crlf.replace(pos, 1, "\r\n");
    Put(PathOf("win.mix"), "\xEF\xBB\xBF" + crlf);
    EXPECT_EQ(ReadSettingsFile(PathOf("win.mix")), Sample());

    ASSERT_TRUE(WriteSettingsFile(PathOf("win.mix"), Sample()));
    EXPECT_EQ(Get(PathOf("win.mix")), "\xEF\xBB\xBF" + crlf);
}

TEST_F(SettingsFileTest, SaveKeepsWhatTheProgramDoesNotKnow) {
    Put(PathOf("mine.mix"), "; my jazz setup\n[Notes]\nauthor=me\n\n[MIXER SETTINGS]\n"
                            "dry level = 1\nCustom=keep\nLock=1\nlock=9\n\n[Tail]\nz=1");
    MixerSettings s;
    s.dryLevel = 99;
    ASSERT_TRUE(WriteSettingsFile(PathOf("mine.mix"), s));
    EXPECT_EQ(Get(PathOf("mine.mix")),
              "; my jazz setup\n[Notes]\nauthor=me\n\n[MIXER SETTINGS]\n"
              "Dry Level=99\nCustom=keep\nLock=0\nlock=9\nVolume Level=127\nMIDI Level=127\n"
              "MIDI Reverb Level=0\nMIDI Chorus Level=0\nA/D Part Level=127\nReverb Level=0\n"
              "Chorus Level=0\nVariation Level=0\nReverb Effect=No Effect\n"
              "Chorus Effect=No Effect\nVariation Effect=No Effect\nPeriodic Refresh=0\n"
              "\n[Tail]\nz=1");
    EXPECT_EQ(ReadSettingsFile(PathOf("mine.mix")), s);
}

TEST_F(SettingsFileTest, ReplacedFileKeepsItsPermissions) {
    Put(PathOf("perm.mix"), kSampleFile);
    fs::permissions(PathOf("perm.mix"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteSettingsFile(PathOf("perm.mix"), MixerSettings{}));
    EXPECT_EQ(fs::status(PathOf("perm.mix")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// The write runs out of room halfway (a file size limit stops root too), as on a full disk.
TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileWholeAndSaysWhere) {
    Put(PathOf("old.mix"), kSampleFile);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 32;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SettingsWriteResult result = WriteSettingsFile(PathOf("old.mix"), MixerSettings{});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    EXPECT_EQ(result.errorText, "Unable to write to " + PathOf("old.mix"));
    EXPECT_EQ(Get(PathOf("old.mix")), kSampleFile);
    EXPECT_THAT(FolderNames(), ElementsAre("old.mix"));
}

TEST_F(SettingsFileTest, MissingFolderIsRefusedNotCreated) {
    const std::string path = PathOf("gone/x.mix");
    const SettingsWriteResult result = WriteSettingsFile(path, MixerSettings{});
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.errorText, "Unable to write to " + path);
    EXPECT_FALSE(fs::exists(PathOf("gone")));
}

TEST_F(SettingsFileTest, FolderNamedLikeAFileLoadsDefaultsAndIsNotReplaced) {
    fs::create_directories(PathOf("dir.mix/inner"));
    EXPECT_EQ(ReadSettingsFile(PathOf("dir.mix")), MixerSettings{});
    EXPECT_FALSE(WriteSettingsFile(PathOf("dir.mix"), Sample()));
    EXPECT_TRUE(fs::is_directory(PathOf("dir.mix/inner")));
    EXPECT_THAT(FolderNames(), ElementsAre("dir.mix"));
}

TEST_F(SettingsFileTest, BinaryFileAndPipeLoadAsDefaultsWithoutWaiting) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) & 0xFF);
    Put(PathOf("binary.mix"), binary);
    EXPECT_EQ(ReadSettingsFile(PathOf("binary.mix")), MixerSettings{});

    ASSERT_EQ(mkfifo(PathOf("pipe.mix").c_str(), 0600), 0);
    EXPECT_EQ(ReadSettingsFile(PathOf("pipe.mix")), MixerSettings{}); // would block on open
    EXPECT_FALSE(WriteSettingsFile(PathOf("pipe.mix"), Sample()));
}

TEST_F(SettingsFileTest, HugeFileIsReadOnlyInPartAndNeverWrittenOver) {
    const std::string path = PathOf("huge.mix");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Mixer Settings]\nVolume Level=64\n";
        const std::string filler(1 << 20, 'x');
        for (int n = 0; n < 50; ++n)
            out << filler;
        out << "\nLock=1\n";
    }
    const auto size = fs::file_size(path);

    const auto started = std::chrono::steady_clock::now();
    const MixerSettings loaded = ReadSettingsFile(path);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(loaded.volumeLevel, 64);
    EXPECT_FALSE(loaded.lock); // beyond what is read

    EXPECT_FALSE(WriteSettingsFile(path, Sample()));
    EXPECT_EQ(fs::file_size(path), size);
}

TEST_F(SettingsFileTest, SaveThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    fs::create_directories(folder / "real");
    Put(PathOf("real/target.mix"), "[Other]\nk=v\n");
    fs::create_symlink("real/target.mix", folder / "link.mix");
    fs::create_symlink("link.mix", folder / "chain.mix");

    ASSERT_TRUE(WriteSettingsFile(PathOf("chain.mix"), Sample()));
    EXPECT_TRUE(fs::is_symlink(folder / "chain.mix"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.mix"));
    EXPECT_EQ(Get(PathOf("real/target.mix")), std::string("[Other]\nk=v\n") + kSampleFile);
    EXPECT_EQ(ReadSettingsFile(PathOf("link.mix")), Sample());
    EXPECT_THAT(FolderNames(), ElementsAre("chain.mix", "link.mix", "real"));
}

TEST_F(SettingsFileTest, SymbolicLinksThatLeadNowhere) {
    fs::create_symlink("later.mix", folder / "dangling.mix");
    ASSERT_TRUE(WriteSettingsFile(PathOf("dangling.mix"), Sample()));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.mix"));
    EXPECT_EQ(Get(PathOf("later.mix")), kSampleFile);

    fs::create_symlink("loop-b.mix", folder / "loop-a.mix");
    fs::create_symlink("loop-a.mix", folder / "loop-b.mix");
    EXPECT_EQ(ReadSettingsFile(PathOf("loop-a.mix")), MixerSettings{});
    EXPECT_FALSE(WriteSettingsFile(PathOf("loop-a.mix"), Sample()));
}

TEST_F(SettingsFileTest, FirstSaveOfTheDefaultFileCreatesTheProgramsFolder) {
    fs::remove_all(ProgramDataFolder());
    ASSERT_TRUE(WriteSettingsFile(DefaultSettingsFilePath(), Sample()));
    EXPECT_EQ(ReadSettingsFile(DefaultSettingsFilePath()), Sample());
    fs::remove_all(ProgramDataFolder());
}

} // namespace
} // namespace vireo
