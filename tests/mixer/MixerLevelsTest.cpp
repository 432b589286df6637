#include "mixer/MixerTestSupport.h"

namespace vireo::test {
namespace {

using testing::ElementsAreArray;
using testing::IsEmpty;

using MixerLevelsTest = MixerFixture;

TEST_F(MixerLevelsTest, TypingTwoHundredSendsPerDigitAndEndsClampedAtTheTop) {
    presetLevel(panels.MIDISpinEdit, 64);
    typeInto(panels.MIDISpinEdit, "200");
    EXPECT_THAT(sent(),
                ElementsAreArray(Concat({Burst(0x07, 2), Burst(0x07, 20), Burst(0x07, 127)})));
    EXPECT_EQ(panels.MIDISpinEdit->Text(), "127");
    EXPECT_EQ(panels.MIDITrackBar->Position(), 0);
}

TEST_F(MixerLevelsTest, ClearingAFieldAboveZeroSendsZeroButAtZeroSendsNothing) {
    presetLevel(panels.MIDIReverbSpinEdit, 64);
    clearField(panels.MIDIReverbSpinEdit);
    EXPECT_THAT(sent(), ElementsAreArray(Burst(0x5B, 0)));
    EXPECT_EQ(panels.MIDIReverbSpinEdit->Text(), "0");
    EXPECT_EQ(panels.MIDIReverbTrackBar->Position(), 127);

    clearSent();
    clearField(panels.MIDIReverbSpinEdit);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(panels.MIDIReverbSpinEdit->Text(), "");
}

TEST_F(MixerLevelsTest, LoneMinusCountsAsLevelZero) {
    typeInto(panels.VolumeSpinEdit, "-");
    EXPECT_THAT(sent(), ElementsAreArray({Master(0)}));
    EXPECT_EQ(panels.VolumeSpinEdit->Text(), "0");
    EXPECT_EQ(panels.VolumeTrackBar->Position(), 127);
}

TEST_F(MixerLevelsTest, TextChangeThatDoesNotMoveTheSliderSendsNothing) {
    presetLevel(panels.VolumeSpinEdit, 64);
    QTest::keyClick(panels.VolumeSpinEdit->Edit(), Qt::Key_Home);
    QTest::keyClick(panels.VolumeSpinEdit->Edit(), Qt::Key_0);
    EXPECT_EQ(panels.VolumeSpinEdit->Text(), "064");
    panels.VolumeSpinEdit->SetText("64");
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(MixerLevelsTest, SliderSendsOnEveryUserNotificationIncludingTheEndOfMovement) {
    QTest::keyClick(panels.VolumeTrackBar, Qt::Key_End); // to the bottom
    EXPECT_THAT(sent(), ElementsAreArray({Master(0), Master(0)}));
    EXPECT_EQ(panels.VolumeSpinEdit->Text(), "0");

    clearSent();
    // A drag step to position 27; the slider value underneath runs from the bottom.
    panels.MIDIChorusTrackBar->setSliderPosition(TTrackBar::kMax - 27);
    EXPECT_THAT(sent(), ElementsAreArray(Burst(0x5D, 100)));
    EXPECT_EQ(panels.MIDIChorusSpinEdit->Text(), "100");

    clearSent();
    QTest::keyClick(panels.MIDIChorusTrackBar, Qt::Key_Home);
    EXPECT_THAT(sent(), ElementsAreArray(Concat({Burst(0x5D, 127), Burst(0x5D, 127)})));
}

TEST_F(MixerLevelsTest, ValuesSetByTheProgramSendNothingUntilTheHandlerRuns) {
    panels.VolumeSpinEdit->SetValue(127); // what it shows already
    panels.MIDITrackBar->SetPosition(40);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(panels.MIDISpinEdit->Text(), "127");

    panels.MIDITrackBarChange();
    EXPECT_THAT(sent(), ElementsAreArray(Burst(0x07, 87)));
    EXPECT_EQ(panels.MIDISpinEdit->Text(), "87");
}

TEST_F(MixerLevelsTest, PortFailureMidBurstLeavesLaterChannelsUnsentAndTheControlsMoved) {
    panels.MIDITrackBar->SetPosition(27);
    service.failAfter(SimulatedMidiService::Op::Short, 5, MidiError::NotReady);
    EXPECT_NE(errorOf([&] { panels.MIDITrackBarChange(); }), "");
    const Messages burst = Burst(0x07, 100);
    const Messages firstFive(burst.begin(), burst.begin() + 5);
    EXPECT_THAT(sent(), ElementsAreArray(firstFive));
    EXPECT_EQ(panels.MIDISpinEdit->Text(), "100");
    EXPECT_EQ(panels.MIDITrackBar->Position(), 27);

    clearSent(); // nothing retries: the next change goes out whole
    panels.MIDITrackBarChange();
    EXPECT_EQ(sent().size(), 16u);
}

} // namespace
} // namespace vireo::test
