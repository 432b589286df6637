#include "mixer/MixerTestSupport.h"

#include <QSignalSpy>

namespace vireo::test {
namespace {

using testing::ElementsAreArray;
using testing::IsEmpty;

class MixerRefreshTest : public MixerFixture {
protected:
    MixerRefreshTest() {
        presetLevel(panels.VolumeSpinEdit, 100);
        presetLevel(panels.ADVolumeSpinEdit, 90);
        presetLevel(panels.DrySpinEdit, 80);
        presetLevel(panels.ReverbSpinEdit, 40);
        presetLevel(panels.ChorusSpinEdit, 30);
        presetLevel(panels.VariationSpinEdit, 20);
        presetLevel(panels.MIDIReverbSpinEdit, 50);
        presetLevel(panels.MIDIChorusSpinEdit, 60);
    }

    void selectTypes() {
        panels.ReverbComboBox->SetItemIndex(1);     // Hall1
        panels.ChorusComboBox->SetItemIndex(1);     // Chorus1
        panels.VariationComboBox->SetItemIndex(48); // Vocal
    }

    static void click(TCheckBox* box) { QTest::keyClick(box, Qt::Key_Space); }
};

TEST_F(MixerRefreshTest, TimerRunsExactlyWhileARefreshBoxIsChecked) {
    EXPECT_FALSE(panels.Timer1.isActive());
    click(panels.PeriodicRefresh);
    EXPECT_TRUE(panels.Timer1.isActive());
    click(panels.MIDIRefresh);
    click(panels.PeriodicRefresh);
    EXPECT_TRUE(panels.Timer1.isActive());
    click(panels.MIDIRefresh);
    EXPECT_FALSE(panels.Timer1.isActive());

    // Folding the MIDI panel clears its box, which stops the timer.
    click(panels.MIDIRefresh);
    panels.Panel3->hide();
    panels.MIDIRefresh->SetChecked(false);
    EXPECT_FALSE(panels.Timer1.isActive());
}

TEST_F(MixerRefreshTest, ClosingStopsTheTimerAndShowingResumesItWhileABoxIsChecked) {
    click(panels.PeriodicRefresh);
    panels.StopRefresh();
    EXPECT_FALSE(panels.Timer1.isActive());
    EXPECT_TRUE(panels.PeriodicRefresh->Checked());
    panels.ResumeRefresh();
    EXPECT_TRUE(panels.Timer1.isActive());

    click(panels.PeriodicRefresh); // the boxes still rule after a resume
    EXPECT_FALSE(panels.Timer1.isActive());
    panels.ResumeRefresh();
    EXPECT_FALSE(panels.Timer1.isActive());
}

TEST_F(MixerRefreshTest, PeriodZeroStopsAllRefreshingWhileTheBoxesStayChecked) {
    click(panels.PeriodicRefresh);
    panels.SetRefreshInterval(0);
    EXPECT_FALSE(panels.Timer1.isActive());
    click(panels.MIDIRefresh);
    panels.ResumeRefresh();
    EXPECT_FALSE(panels.Timer1.isActive());

    panels.Timer1.start(); // started from outside with period 0: the first tick stops it
    QTest::qWait(20);
    EXPECT_FALSE(panels.Timer1.isActive());
    EXPECT_THAT(sent(), IsEmpty());

    panels.SetRefreshInterval(250);
    panels.ResumeRefresh();
    EXPECT_TRUE(panels.Timer1.isActive());
    EXPECT_EQ(panels.Timer1.interval(), 250);
}

TEST_F(MixerRefreshTest, TickWithBothBoxesResendsMasterAndMidiReverbAndChorus) {
    selectTypes();
    panels.SetRefreshInterval(10);
    click(panels.PeriodicRefresh);
    click(panels.MIDIRefresh);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent().size() >= 71; }, 2000));
    panels.StopRefresh();

    const Messages tick = Concat({{Master(100)},
                                  Burst(0x5B, 50),
                                  {Effect(0x00, 0x01, 0x00)},
                                  Burst(0x5B, 50),
                                  ADPair(0x13, 40),
                                  Burst(0x5D, 60),
                                  {Effect(0x20, 0x41, 0x00)},
                                  Burst(0x5D, 60),
                                  ADPair(0x12, 30)});
    const Messages all = sent();
    EXPECT_THAT(Messages(all.begin(), all.begin() + 71), ElementsAreArray(tick));
    EXPECT_EQ(all.size() % 71, 0u); // only whole ticks
}

TEST_F(MixerRefreshTest, TickWhileThePortIsClosedSendsAndReportsNothing) {
    click(panels.PeriodicRefresh);
    port.Close();
    clearSent();
    EXPECT_EQ(errorOf([&] { panels.Timer1Timer(); }), "");
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_TRUE(panels.Timer1.isActive());
}

TEST_F(MixerRefreshTest, AFailingTickEndsAtTheFailedMessage) {
    selectTypes();
    click(panels.PeriodicRefresh);
    click(panels.MIDIRefresh);
    clearSent();
    service.failAfter(SimulatedMidiService::Op::Short, 3, MidiError::NoDevice);
    EXPECT_NE(errorOf([&] { panels.Timer1Timer(); }), "");
    const Messages reverb = Burst(0x5B, 50);
    EXPECT_THAT(sent(), ElementsAreArray(
                            Concat({{Master(100)}, Messages(reverb.begin(), reverb.begin() + 3)})));
}

// A device that went away fails every tick; one report says so, not one every period.
TEST_F(MixerRefreshTest, ATickThatKeepsFailingIsReportedOnceAndTheTimerKeepsTrying) {
    click(panels.PeriodicRefresh);
    clearSent();
    std::vector<std::string> reports;
    for (int tick = 0; tick < 5; ++tick) {
        service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NoDevice);
        reports.push_back(errorOf([&] { panels.Timer1Timer(); }));
    }
    EXPECT_NE(reports[0], "");
    EXPECT_THAT(std::vector(reports.begin() + 1, reports.end()), testing::Each(""));
    EXPECT_EQ(
        std::count_if(service.calls().begin(), service.calls().end(),
                      [](const auto& call) { return call.op == SimulatedMidiService::Op::Long; }),
        5); // every tick tried again
    EXPECT_TRUE(panels.Timer1.isActive());
    EXPECT_TRUE(panels.PeriodicRefresh->Checked());
    EXPECT_EQ(panels.VolumeSpinEdit->Text(), "100");

    // The device is back: the refresh goes on by itself, and a new outage is reported again.
    EXPECT_EQ(errorOf([&] { panels.Timer1Timer(); }), "");
    EXPECT_THAT(sent(), ElementsAreArray({Master(100)}));
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NoDevice);
    EXPECT_NE(errorOf([&] { panels.Timer1Timer(); }), "");
}

TEST_F(MixerRefreshTest, ATickFailingOnAReopenedDeviceIsReportedAgain) {
    click(panels.PeriodicRefresh);
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NoDevice);
    EXPECT_NE(errorOf([&] { panels.Timer1Timer(); }), "");
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NoDevice);
    EXPECT_EQ(errorOf([&] { panels.Timer1Timer(); }), "");

    port.Close(); // the user switches the device off and on again
    port.Open();
    ASSERT_EQ(port.LastError(), MidiError::NoError);
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NoDevice);
    EXPECT_NE(errorOf([&] { panels.Timer1Timer(); }), "");
}

TEST_F(MixerRefreshTest, ResetSendsTheInitialisationThenTheStateEndingWithLockOff) {
    selectTypes();
    panels.Panel3->hide();
    panels.ResetButtonClick();
    Messages init;
    for (const auto& message : synth::InitializationSequence)
        init.emplace_back(message.begin(), message.end());
    EXPECT_THAT(sent(), ElementsAreArray(Concat({init,
                                                 {Master(100)},
                                                 ADPair(0x0B, 90),
                                                 ADPair(0x11, 80),
                                                 {Effect(0x00, 0x01, 0x00)},
                                                 ADPair(0x13, 40),
                                                 {Effect(0x20, 0x41, 0x00)},
                                                 ADPair(0x12, 30),
                                                 {Effect(0x40, 0x03, 0x00)},
                                                 {Effect(0x42, 0x00, 0x20)},
                                                 ADPair(0x14, 20),
                                                 {kLockOff}})));
}

TEST_F(MixerRefreshTest, CurrentSettingsSkipUnselectedTypesAndResendTheLock) {
    panels.VariationComboBox->SetItemIndex(45); // Thru
    panels.LockADPart->SetChecked(true);
    panels.ADVolumeSpinEdit->SetValue(0);
    clearSent();
    panels.ADVolumeTrackBar->SetPosition(0); // the slider alone is the source of a level
    QSignalSpy requests(&panels, &MixerPanels::lockWarningRequested);

    panels.SendCurrentSettings();
    EXPECT_THAT(sent(), ElementsAreArray(Concat({{Master(100)},
                                                 ADPair(0x0B, 127),
                                                 ADPair(0x11, 80),
                                                 {Effect(0x40, 0x40, 0x00)},
                                                 ADPair(0x14, 20),
                                                 {kLockOn}})));
    EXPECT_EQ(panels.ADVolumeSpinEdit->Text(), "127");
    EXPECT_FALSE(panels.ADVolumeTrackBar->isEnabled());
    EXPECT_EQ(requests.count(), 0); // the window is hidden
}

TEST_F(MixerRefreshTest, FailureInTheResetEndsItAtThatMessage) {
    service.failAfter(SimulatedMidiService::Op::Long, 9, MidiError::NotReady);
    EXPECT_NE(errorOf([&] { panels.ResetButtonClick(); }), "");
    const Messages all = sent();
    ASSERT_EQ(all.size(), 9u); // eight initialisation messages and the master volume
    EXPECT_EQ(all.back(), Master(100));
}

TEST_F(MixerRefreshTest, MidiResetItemsSendOneMessageEachAndChangeNoControl) {
    panels.GSTG300B1Click();
    EXPECT_THAT(sent(), ElementsAreArray({Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F,
                                                0x00, 0x41, 0xF7}}));
    clearSent();
    panels.YamahaXG1Click();
    panels.GeneralMIDISystemLevel11Click();
    EXPECT_THAT(sent(),
                ElementsAreArray({Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
                                  Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
    EXPECT_EQ(panels.VolumeSpinEdit->Text(), "100");
    EXPECT_EQ(panels.VolumeTrackBar->Position(), 27);
}

} // namespace
} // namespace vireo::test
