#include "mixer/MixerTestSupport.h"

#include <QLabel>

namespace vireo::test {
namespace {

using MixerLayoutTest = MixerFixture;

TEST_F(MixerLayoutTest, PanelsStandWhereTheWindowExpectsThem) {
    EXPECT_EQ(panels.Panel1->geometry(), QRect(8, 8, 70, 209));
    EXPECT_EQ(panels.Panel3->geometry(), QRect(79, 8, 162, 209));
    EXPECT_EQ(panels.Panel2->geometry(), QRect(242, 8, 255, 209));
    EXPECT_EQ(panels.Panel4->geometry(), QRect(498, 8, 127, 209));
    EXPECT_EQ(panels.Label9->geometry(), QRect(1, 3, 253, 13));
    EXPECT_EQ(panels.Label9->text(), "DIGITAL CONTROL");
    EXPECT_TRUE(panels.Label16->alignment() & Qt::AlignHCenter);
}

TEST_F(MixerLayoutTest, LevelRowsFollowTheGridAndStartConsistentAtLevel127) {
    const std::pair<TTrackBar*, TSpinEdit*> rows[] = {
        {panels.VolumeTrackBar, panels.VolumeSpinEdit},
        {panels.MIDIChorusTrackBar, panels.MIDIChorusSpinEdit},
        {panels.DryTrackBar, panels.DrySpinEdit}};
    const int lefts[] = {15, 108, 204};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(rows[i].first->geometry(), QRect(lefts[i], 41, 40, 104));
        EXPECT_EQ(rows[i].second->geometry(), QRect(lefts[i], 151, 43, 22));
        EXPECT_EQ(rows[i].first->Position(), 0);
        EXPECT_EQ(rows[i].second->Text(), "127");
        EXPECT_EQ(rows[i].first->toolTip(), rows[i].second->toolTip());
    }
    EXPECT_EQ(panels.VolumeTrackBar->toolTip(),
              "Master Volume Of All Output (Relative Volume Of 16 MIDI Channels)");
    EXPECT_EQ(panels.LockADPart->geometry(), QRect(12, 184, 57, 17));
    EXPECT_EQ(panels.MIDIRefresh->text(), "Refres&h");
}

TEST_F(MixerLayoutTest, EffectListsHoldTheTypeTablesWithNothingSelected) {
    EXPECT_EQ(panels.ReverbComboBox->count(), 12);
    EXPECT_EQ(panels.ChorusComboBox->itemText(11), "Flanger3");
    EXPECT_EQ(panels.VariationComboBox->count(), 53);
    EXPECT_EQ(panels.VariationComboBox->itemText(52), "Flash");
    EXPECT_EQ(panels.ReverbComboBox->ItemIndex(), -1);
    // 109 wide as drawn, wider where the fonts at hand need it, always inside its panel.
    const QRect list = panels.VariationComboBox->geometry();
    EXPECT_EQ(list.topLeft(), QPoint(8, 151));
    EXPECT_EQ(list.height(), 21);
    EXPECT_GE(list.width(), 109);
    EXPECT_LT(list.right(), panels.Panel4->width() - 1);
    EXPECT_EQ(panels.ReverbComboBox->width(), list.width()); // one column
    EXPECT_EQ(panels.ChorusComboBox->width(), list.width());
}

TEST_F(MixerLayoutTest, AltMnemonicsReachTheirControls) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const std::pair<Qt::Key, QWidget*> keys[] = {{Qt::Key_R, panels.ReverbComboBox},
                                                 {Qt::Key_C, panels.ChorusComboBox},
                                                 {Qt::Key_V, panels.VariationComboBox}};
    for (const auto& [key, target] : keys) {
        QTest::keyClick(&window, key, Qt::AltModifier);
        EXPECT_TRUE(target->hasFocus()) << target->objectName().toStdString();
    }
    QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panels.LockADPart->Checked(); }, 1000));
}

TEST_F(MixerLayoutTest, ControlsCanBeFoundByTheirNames) {
    for (const char* name : {"VolumeTrackBar", "MIDIReverbSpinEdit", "ADVolumeTrackBar",
                             "VariationSpinEdit", "PeriodicRefresh", "Label12", "Label13"})
        EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << name;
}

} // namespace
} // namespace vireo::test
