// What the mixer's messages do to the sound of real synthesizers: each check renders the same
// test note after different settings, with the bytes the mixer's own send path produces, and
// compares the levels of the rendered sound.
#include "SynthRenderer.h"
#include "SynthTakes.h"
#include "mixer/MessageSet.h"
#include "mixer/SynthSender.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace vireo::test {
namespace {

using Takes = std::vector<std::vector<Message>>;

// Loud enough that a ratio against it means something (full scale is 1).
constexpr double kAudible = 0.003;

int ReverbIndex(std::string_view name) {
    const auto& types = synth::kReverbTypes;
    const auto found = std::find_if(types.begin(), types.end(),
                                    [name](const auto& entry) { return entry.name == name; });
    return found == types.end() ? -1 : static_cast<int>(found - types.begin());
}

std::vector<Message> WithChannelLevel(synth::ChannelController controller, int level,
                                      const std::function<void(SynthSender&)>& before = {}) {
    return RecordMixer([&](SynthSender& sender) {
        sender.InitializeSynthesizer();
        if (before)
            before(sender);
        sender.SendChannelControl(controller, [level](int) { return level; });
    });
}

std::string Ratio(double numerator, double denominator) {
    std::ostringstream text;
    text << std::setprecision(3) << numerator << " / " << denominator << " = "
         << (denominator > 0 ? numerator / denominator : 0);
    return text.str();
}

class SynthesizerSoundTest : public testing::TestWithParam<Synthesizer> {
protected:
    void SetUp() override {
        if (const std::string why = GetParam().missing(); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(folder_.isValid());
    }

    const Synthesizer& synth() const { return GetParam(); }
    const Honoured& honoured() const { return GetParam().honoured; }

    void render(const Takes& takes, std::vector<Wave>& waves) {
        std::vector<std::vector<std::uint8_t>> files;
        for (const auto& take : takes)
            files.push_back(TakeFile(take));
        for (Rendering& rendering : RenderAll(synth(), files, folder_.path())) {
            ASSERT_EQ(rendering.error, "");
            waves.push_back(std::move(rendering.wave));
        }
    }

    // Passes when the sound shows the message's effect. When it does not, the check fails
    // where the synthesizer is known to honour the message and is skipped where it ignores it.
    void judge(bool isHonoured, bool holds, const std::string& what, const std::string& measured) {
        std::cout << "[ measured ] " << synth().name << ", " << what << ": " << measured
                  << std::endl;
        if (holds)
            return;
        if (!isHonoured)
            GTEST_SKIP() << synth().name << " ignores " << what << " (" << measured << ")";
        ADD_FAILURE() << synth().name << " did not honour " << what << " (" << measured << ")";
    }

    void checkQuieter(bool isHonoured, const std::string& what, const Takes& loudThenSoft) {
        std::vector<Wave> waves;
        ASSERT_NO_FATAL_FAILURE(render(loudThenSoft, waves));
        const double loud = NoteLevel(waves[0]);
        const double soft = NoteLevel(waves[1]);
        ASSERT_GT(loud, kAudible) << "the test note is not heard at full level";
        judge(isHonoured, soft < 0.5 * loud, what + ", level at 32 / at 127", Ratio(soft, loud));
    }

    // Whether the first take rings on clearly longer after the note than the second, each
    // tail taken relative to the level of its own note.
    void checkLongerTail(bool isHonoured, const std::string& what, const Takes& longThenShort) {
        std::vector<Wave> waves;
        ASSERT_NO_FATAL_FAILURE(render(longThenShort, waves));
        ASSERT_GT(NoteLevel(waves[0]), kAudible);
        ASSERT_GT(NoteLevel(waves[1]), kAudible);
        const double longer = TailLevel(waves[0]) / NoteLevel(waves[0]);
        const double shorter = TailLevel(waves[1]) / NoteLevel(waves[1]);
        judge(isHonoured, longer > 1.5 * shorter, what + ", tail share", Ratio(longer, shorter));
    }

    void checkReverbTypes(std::string_view longer, std::string_view shorter) {
        const auto take = [](std::string_view type) {
            return WithChannelLevel(synth::ChannelController::ReverbSend, 127,
                                    [&](SynthSender& s) { s.SendReverbType(ReverbIndex(type)); });
        };
        const bool isHonoured =
            honoured().reverbTypes.contains(longer) && honoured().reverbTypes.contains(shorter);
        checkLongerTail(isHonoured,
                        "reverb type \"" + std::string(longer) + "\" against \"" +
                            std::string(shorter) + "\"",
                        {take(longer), take(shorter)});
    }

    // A channel turned down to 16, then `reset`: the note should be back near the level it
    // has after the initialisation alone.
    void checkReset(bool isHonoured, const std::string& what,
                    const std::function<void(SynthSender&)>& reset) {
        const auto turnedDown = WithChannelLevel(synth::ChannelController::Volume, 16);
        auto thenReset = turnedDown;
        for (Message& message : RecordMixer(reset))
            thenReset.push_back(std::move(message));
        std::vector<Wave> waves;
        ASSERT_NO_FATAL_FAILURE(render(
            {RecordMixer([](SynthSender& s) { s.InitializeSynthesizer(); }), turnedDown, thenReset},
            waves));
        const double normal = NoteLevel(waves[0]);
        ASSERT_GT(normal, kAudible);
        ASSERT_LT(NoteLevel(waves[1]), 0.5 * normal) << "channel volume 16 did not turn it down";
        const double afterReset = NoteLevel(waves[2]);
        judge(isHonoured, afterReset > 0.5 * normal, what + " resets channel volume",
              Ratio(afterReset, normal));
    }

private:
    QTemporaryDir folder_;
};

TEST_P(SynthesizerSoundTest, MasterVolumeAt32IsClearlyQuieterThanAt127) {
    const auto take = [](int level) {
        return RecordMixer([level](SynthSender& sender) {
            sender.InitializeSynthesizer();
            sender.SendMasterVolume(level);
        });
    };
    checkQuieter(honoured().masterVolume, "master volume", {take(127), take(32)});
}

TEST_P(SynthesizerSoundTest, ChannelVolumeAt32IsClearlyQuieterThanAt127) {
    using synth::ChannelController;
    checkQuieter(honoured().channelVolume, "channel volume",
                 {WithChannelLevel(ChannelController::Volume, 127),
                  WithChannelLevel(ChannelController::Volume, 32)});
}

TEST_P(SynthesizerSoundTest, ReverbSendLengthensTheTail) {
    const auto take = [](int level) {
        return WithChannelLevel(synth::ChannelController::ReverbSend, level,
                                [](SynthSender& s) { s.SendReverbType(ReverbIndex("Hall1")); });
    };
    checkLongerTail(honoured().reverbSend, "reverb send 127 against 0", {take(127), take(0)});
}

TEST_P(SynthesizerSoundTest, Hall2RingsLongerThanNoEffect) {
    checkReverbTypes("Hall2", "No Effect");
}

TEST_P(SynthesizerSoundTest, BasementRingsLongerThanNoEffect) {
    checkReverbTypes("Basement", "No Effect");
}

TEST_P(SynthesizerSoundTest, Hall1RingsLongerThanRoom1) {
    checkReverbTypes("Hall1", "Room1");
}

TEST_P(SynthesizerSoundTest, InitializationResetsTheSynthesizer) {
    checkReset(honoured().xgSystemOnReset, "the initialisation sequence",
               [](SynthSender& s) { s.InitializeSynthesizer(); });
}

TEST_P(SynthesizerSoundTest, XGSystemOnResetsTheSynthesizer) {
    checkReset(honoured().xgSystemOnReset, "XG System On",
               [](SynthSender& s) { s.SendXGSystemOn(); });
}

TEST_P(SynthesizerSoundTest, GSResetResetsTheSynthesizer) {
    checkReset(honoured().gsReset, "GS Reset", [](SynthSender& s) { s.SendGSReset(); });
}

TEST_P(SynthesizerSoundTest, GMSystemOnResetsTheSynthesizer) {
    checkReset(honoured().gmSystemOnReset, "GM System On",
               [](SynthSender& s) { s.SendGMSystemOn(); });
}

INSTANTIATE_TEST_SUITE_P(Synthesizers, SynthesizerSoundTest,
                         testing::Values(Synthesizer::TiMidity(), Synthesizer::FluidSynth()),
                         [](const auto& info) {
                             return info.param.kind == Synthesizer::Kind::TiMidity ? "TiMidity"
                                                                                   : "FluidSynth";
                         });

} // namespace
} // namespace vireo::test
