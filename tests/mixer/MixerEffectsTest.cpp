#include "mixer/MixerTestSupport.h"

#include <QPushButton>
#include <QSignalSpy>

namespace vireo::test {
namespace {

using testing::ElementsAreArray;
using testing::IsEmpty;

class MixerEffectsTest : public MixerFixture {
protected:
    MixerEffectsTest() {
        panels.SetResetButton(&resetButton);
        presetLevel(panels.ReverbSpinEdit, 40);
        presetLevel(panels.ChorusSpinEdit, 30);
        presetLevel(panels.VariationSpinEdit, 20);
        presetLevel(panels.MIDIReverbSpinEdit, 50);
        presetLevel(panels.MIDIChorusSpinEdit, 60);
    }

    std::vector<QWidget*> lockedControls() {
        return {panels.ADVolumeTrackBar,
                panels.ReverbTrackBar,
                panels.ChorusTrackBar,
                panels.VariationTrackBar,
                panels.DryTrackBar,
                panels.ADVolumeSpinEdit,
                panels.ReverbSpinEdit,
                panels.ChorusSpinEdit,
                panels.VariationSpinEdit,
                panels.DrySpinEdit,
                panels.VariationComboBox,
                panels.Label1,
                panels.Label2,
                panels.Label4,
                panels.Label5,
                panels.Label6,
                panels.Label7,
                &resetButton};
    }

    int enabledCount() {
        int count = 0;
        for (QWidget* control : lockedControls())
            count += control->isEnabled();
        return count;
    }

    QPushButton resetButton{"R&eset", &window};
};

TEST_F(MixerEffectsTest, Room2WithTheMidiPanelFoldedSendsTheTypeAndTheTwoReverbSends) {
    panels.Panel3->hide();
    pick(panels.ReverbComboBox, "Room2");
    EXPECT_THAT(sent(), ElementsAreArray(Concat({{Effect(0x00, 0x02, 0x01)}, ADPair(0x13, 40)})));
}

TEST_F(MixerEffectsTest, Room2WithTheMidiPanelShownPutsTheChannelSendsBetween) {
    pick(panels.ReverbComboBox, "Room2");
    EXPECT_THAT(sent(), ElementsAreArray(Concat(
                            {{Effect(0x00, 0x02, 0x01)}, Burst(0x5B, 50), ADPair(0x13, 40)})));
}

TEST_F(MixerEffectsTest, ChorusNoEffectStillResendsTheChorusLevels) {
    pick(panels.ChorusComboBox, "No Effect");
    EXPECT_THAT(sent(), ElementsAreArray(Concat(
                            {{Effect(0x20, 0x00, 0x00)}, Burst(0x5D, 60), ADPair(0x12, 30)})));
}

TEST_F(MixerEffectsTest, VariationPresetsSendTheirStepsThenTheVariationSends) {
    const std::pair<const char*, Messages> cases[] = {
        {"Flash", {Effect(0x40, 0x46, 0x00), Effect(0x42, 0x00, 0x6D), Effect(0x44, 0x00, 0x7F)}},
        {"Vocal", {Effect(0x40, 0x03, 0x00), Effect(0x42, 0x00, 0x20)}},
        {"Alien",
         {Effect(0x40, 0x50, 0x00), Effect(0x42, 0x00, 0x58), Effect(0x46, 0x00, 0x40),
          Effect(0x48, 0x00, 0x40)}},
        {"Thru", {Effect(0x40, 0x40, 0x00)}},
    };
    for (const auto& [name, steps] : cases) {
        clearSent();
        pick(panels.VariationComboBox, name);
        EXPECT_THAT(sent(), ElementsAreArray(Concat({steps, ADPair(0x14, 20)}))) << name;
    }
}

TEST_F(MixerEffectsTest, SelectionByTheProgramSendsNothingAndNoSelectionSkipsTheHandler) {
    panels.ReverbComboBox->SetItemIndex(3);
    EXPECT_THAT(sent(), IsEmpty());
    panels.ChorusComboBoxChange();
    panels.VariationComboBoxChange();
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(MixerEffectsTest, FailedPresetStepEndsTheChangeAndTheListKeepsTheNewItem) {
    service.failAfter(SimulatedMidiService::Op::Long, 1, MidiError::NotReady);
    panels.VariationComboBox->SetItemIndex(panels.VariationComboBox->findText("Flash"));
    EXPECT_NE(errorOf([&] { panels.VariationComboBoxChange(); }), "");
    EXPECT_THAT(sent(), ElementsAreArray({Effect(0x40, 0x46, 0x00)}));
    EXPECT_EQ(panels.VariationComboBox->currentText(), "Flash");
}

TEST_F(MixerEffectsTest, LockSendsLockOnAndFreezesTheDigitalPartButNotTheOtherTypes) {
    QTest::keyClick(panels.LockADPart, Qt::Key_Space);
    EXPECT_THAT(sent(), ElementsAreArray({kLockOn}));
    EXPECT_EQ(enabledCount(), 0);
    EXPECT_TRUE(panels.LockADPart->isEnabled());
    EXPECT_TRUE(panels.Label9->isEnabled());
    EXPECT_TRUE(panels.ReverbComboBox->isEnabled());
    EXPECT_TRUE(panels.ChorusComboBox->isEnabled());
    EXPECT_TRUE(panels.Label11->isEnabled());

    // Locked rows still go out when a type handler runs them.
    clearSent();
    pick(panels.ReverbComboBox, "Hall1");
    EXPECT_THAT(sent(), ElementsAreArray(Concat(
                            {{Effect(0x00, 0x01, 0x00)}, Burst(0x5B, 50), ADPair(0x13, 40)})));

    clearSent();
    QTest::keyClick(panels.LockADPart, Qt::Key_Space);
    EXPECT_THAT(sent(), ElementsAreArray({kLockOff}));
    EXPECT_EQ(enabledCount(), int(lockedControls().size()));
}

TEST_F(MixerEffectsTest, LockAsksForTheWarningOnlyWhileTheWindowIsVisible) {
    QSignalSpy requests(&panels, &MixerPanels::lockWarningRequested);
    panels.LockADPart->SetChecked(true); // as a load at start-up does: window hidden
    EXPECT_EQ(requests.count(), 0);
    panels.LockADPart->SetChecked(false);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    panels.LockADPart->SetChecked(true);
    EXPECT_EQ(requests.count(), 1);
    panels.LockADPart->SetChecked(false);
    EXPECT_EQ(requests.count(), 1);

    panels.windowVisible = [] { return false; };
    panels.LockADPart->SetChecked(true);
    EXPECT_EQ(requests.count(), 1);
}

TEST_F(MixerEffectsTest, FailedLockMessageLeavesTheControlsAsTheyWere) {
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NotReady);
    panels.LockADPart->blockSignals(true);
    panels.LockADPart->SetChecked(true);
    panels.LockADPart->blockSignals(false);
    EXPECT_NE(errorOf([&] { panels.LockADPartClick(); }), "");
    EXPECT_EQ(enabledCount(), int(lockedControls().size()));
}

} // namespace
} // namespace vireo::test
