// A load sends every stored level once, whatever text its field shows for the same level.
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"
#include "mixer/MixerPanels.h"
#include "shell/MainWindowFixture.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

const std::string kMaster64 = "F0 7F 7F 04 01 11 40 F7";

class StoredLevelLoadTest : public testing::Test, public test::MainWindowFixture {
protected:
    // The messages of the last load that are not part of the initialisation.
    std::vector<std::string> LoadedLevels(TForm1& form, const std::string& content) {
        form.SettingsFileName = WriteFile("levels.mix", content);
        service.clearCalls();
        form.LoadSettingsFile();
        std::vector<std::string> sent = test::Hex(Sent());
        return sent.size() > 8 ? std::vector<std::string>(sent.begin() + 8, sent.end())
                               : std::vector<std::string>{};
    }

    static std::vector<std::string> Matching(const std::vector<std::string>& messages,
                                             const std::string& prefix) {
        std::vector<std::string> found;
        for (const std::string& message : messages) {
            if (message.starts_with(prefix))
                found.push_back(message);
        }
        return found;
    }
};

TEST_F(StoredLevelLoadTest, AFieldShowingTheStoredLevelWrittenOtherwiseStillSendsItOnce) {
    TForm1& form = Create();
    MixerPanels& m = *form.Mixer;
    for (const char* shown : {"064", "+64", "$40"}) {
        m.VolumeSpinEdit->SetValue(64);
        // Typed over it: the same level, so the slider does not move and the text stays.
        m.VolumeSpinEdit->SetText(QString::fromLatin1(shown));
        ASSERT_EQ(m.VolumeTrackBar->Position(), 63) << shown;
        ASSERT_EQ(m.VolumeSpinEdit->Text(), QString::fromLatin1(shown));

        const auto sent = LoadedLevels(form, "[Mixer Settings]\nVolume Level=64\n");
        EXPECT_THAT(Matching(sent, "F0 7F 7F 04"), ElementsAre(kMaster64)) << shown;
        EXPECT_EQ(m.VolumeSpinEdit->Text(), "64");
        EXPECT_EQ(m.VolumeTrackBar->Position(), 63);
        EXPECT_THAT(errors, IsEmpty());
    }
}

TEST_F(StoredLevelLoadTest, AChannelRowShowingItsLevelAsHexSendsItsBurstOnce) {
    TForm1& form = Create();
    MixerPanels& m = *form.Mixer;
    m.MIDISpinEdit->SetValue(64);
    m.MIDISpinEdit->SetText(QStringLiteral("$40"));
    ASSERT_EQ(m.MIDISpinEdit->Text(), "$40");
    ASSERT_EQ(m.MIDITrackBar->Position(), 63);

    const auto sent = LoadedLevels(form, "[Mixer Settings]\nMIDI Level=64\n");
    const auto volumes = Matching(sent, "B");
    ASSERT_EQ(volumes.size(), 16u * 3); // volume, reverb send, chorus send
    EXPECT_EQ(std::count_if(volumes.begin(), volumes.end(),
                            [](const std::string& m) { return m.ends_with(" 07 40"); }),
              16);
    EXPECT_EQ(m.MIDISpinEdit->Text(), "64");
}

// A field out of step with its slider still ends with the level sent once.
TEST_F(StoredLevelLoadTest, ASliderAlreadyAtTheStoredLevelStillSendsIt) {
    TForm1& form = Create();
    MixerPanels& m = *form.Mixer;
    m.VolumeTrackBar->SetPosition(63); // by program: the field still shows 127
    ASSERT_EQ(m.VolumeSpinEdit->Text(), "127");

    const auto sent = LoadedLevels(form, "[Mixer Settings]\nVolume Level=64\n");
    EXPECT_THAT(Matching(sent, "F0 7F 7F 04"), ElementsAre(kMaster64));
    EXPECT_EQ(m.VolumeSpinEdit->Text(), "64");
}

} // namespace
} // namespace vireo
