#include "persistence/SettingsFileName.h"

#include "platform/DataFolders.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vireo {
namespace {

TEST(SettingsFileName, DisplayNameIsTheFileNameUpToTheFirstDotMix) {
    EXPECT_EQ(SettingsDisplayNameOf("/home/u/Mixes/Jazz Club.mix"), "Jazz Club");
    EXPECT_EQ(SettingsDisplayNameOf("/data/Default.mix"), "Default");
    EXPECT_EQ(SettingsDisplayNameOf("/data/my.mix.old"), "my");
    EXPECT_EQ(SettingsDisplayNameOf("/data/SONG.MIX"), "");
    EXPECT_EQ(SettingsDisplayNameOf("/data/notes.txt"), "");
    EXPECT_EQ(SettingsDisplayNameOf("/dir.mix/plain"), ""); // the folder does not count
    EXPECT_EQ(SettingsDisplayNameOf("bare.mix"), "bare");
    EXPECT_EQ(SettingsDisplayNameOf(""), "");
}

TEST(SettingsFileName, OnlyExactlyDefaultDotMixAsksBeforeSave) {
    EXPECT_TRUE(IsDefaultSettingsName("/other/Default.mix"));
    EXPECT_TRUE(IsDefaultSettingsName("Default.mix"));
    EXPECT_FALSE(IsDefaultSettingsName("/other/default.mix"));
    EXPECT_FALSE(IsDefaultSettingsName("/other/Default.MIX"));
    EXPECT_FALSE(IsDefaultSettingsName("/other/MyDefault.mix"));
    EXPECT_FALSE(IsDefaultSettingsName("/Default.mix/x.mix"));
}

TEST(SettingsFileName, FolderAndFileNameParts) {
    EXPECT_EQ(FolderPart("/home/u/a.mix"), "/home/u/");
    EXPECT_EQ(FileNamePart("/home/u/a.mix"), "a.mix");
    EXPECT_EQ(FolderPart("a.mix"), "");
    EXPECT_EQ(FileNamePart("a.mix"), "a.mix");
    EXPECT_EQ(FolderPart("/home/u/"), "/home/u/");
    EXPECT_EQ(FileNamePart("/home/u/"), "");
}

TEST(SettingsFileName, MixExtensionIgnoresCaseAndLooksAtTheLastDot) {
    EXPECT_TRUE(HasMixExtension("/x/SONG.MIX"));
    EXPECT_TRUE(HasMixExtension("/x/a.b.Mix"));
    EXPECT_FALSE(HasMixExtension("/x/my.mix.old"));
    EXPECT_FALSE(HasMixExtension("/x/song.mixx"));
    EXPECT_FALSE(HasMixExtension("/x.mix/song"));
    EXPECT_FALSE(HasMixExtension("/x/mix"));
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolders, DataHomeOrItsStandInUnderHome) {
    const ScopedEnv home("HOME", "/home/tester");
    {
        const ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
        EXPECT_EQ(ProgramDataFolder(), "/srv/data/sonexa-vireo-mixer/");
        EXPECT_EQ(DefaultSettingsFilePath(), "/srv/data/sonexa-vireo-mixer/Default.mix");
    }
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        const ScopedEnv data("XDG_DATA_HOME", ignored);
        EXPECT_EQ(DefaultSettingsFilePath(),
                  "/home/tester/.local/share/sonexa-vireo-mixer/Default.mix");
    }
}

} // namespace
} // namespace vireo
