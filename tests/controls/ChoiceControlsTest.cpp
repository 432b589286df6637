#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(TCheckBoxTest, NotifiesEveryStateChangeByUserOrProgramButNotARepeat) {
    TCheckBox box("&Lock");
    QSignalSpy spy(&box, &TCheckBox::changed);

    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(spy.count(), 1);

    box.resize(57, 17);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(box.Checked());
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(spy.count(), 3);
}

TEST(TComboBoxTest, NotifiesWhenTheUserPicksButNotWhenTheProgramSelects) {
    TComboBox box;
    for (const char* item : {"No Effect", "Hall1", "Hall2"})
        box.AddItem(item);
    box.SetItemIndex(-1);
    QSignalSpy spy(&box, &TComboBox::changed);

    box.SetItemIndex(2);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(box.currentText(), "Hall2");

    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(box.ItemIndex(), 1);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
} // namespace vireo
