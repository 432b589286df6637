#include "controls/TTrackBar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QImage>
#include <QTest>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// Records the position the slider shows each time its change notification runs.
class TTrackBarTest : public testing::Test {
protected:
    TTrackBarTest() {
        bar.resize(40, 104);
        QObject::connect(&bar, &TTrackBar::changed, [this] { seen.push_back(bar.Position()); });
    }

    TTrackBar bar;
    std::vector<int> seen;
};

TEST_F(TTrackBarTest, HasTheLevelSliderShape) {
    EXPECT_EQ(bar.orientation(), Qt::Vertical);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 127);
    EXPECT_EQ(bar.pageStep(), 13);
    EXPECT_EQ(bar.tickInterval(), 13);
    EXPECT_EQ(bar.tickPosition(), QSlider::TicksBothSides);
    EXPECT_EQ(bar.Position(), 0);
}

TEST_F(TTrackBarTest, KeyPressNotifiesWithTheNewPositionThenAgainOnRelease) {
    QTest::keyClick(&bar, Qt::Key_Down);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_THAT(seen, ElementsAre(1, 1, 14, 14));

    seen.clear();
    QTest::keyClick(&bar, Qt::Key_Up);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_Home);
    EXPECT_THAT(seen, ElementsAre(13, 13, 127, 127, 0, 0));
}

TEST_F(TTrackBarTest, MovementAgainstTheEndStillNotifies) {
    QTest::keyClick(&bar, Qt::Key_Up);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_THAT(seen, ElementsAre(0, 0, 0, 0));
}

TEST_F(TTrackBarTest, PositionSetByTheProgramIsClampedAndSilent) {
    bar.SetPosition(200);
    EXPECT_EQ(bar.Position(), 127);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(27);
    EXPECT_EQ(bar.Position(), 27);
    EXPECT_THAT(seen, IsEmpty());
}

TEST_F(TTrackBarTest, ClickOnTheTrackMovesAndNotifiesAgainWhenTheButtonIsReleased) {
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const QPoint below(bar.width() / 2, bar.height() - 3); // on the track, below the handle

    QTest::mousePress(&bar, Qt::LeftButton, {}, below);
    ASSERT_FALSE(seen.empty());
    const int moved = seen.back();
    EXPECT_GT(moved, 0);

    const auto before = seen.size();
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, below);
    ASSERT_EQ(seen.size(), before + 1);
    EXPECT_EQ(seen.back(), bar.Position());
}

// How far a pixel is from the palette's highlight colour, the colour of a filled groove.
int DistanceFromHighlight(TTrackBar& bar, QPoint at) {
    const QColor pixel = bar.grab().toImage().pixelColor(at * bar.devicePixelRatio());
    const QColor highlight = bar.palette().color(QPalette::Highlight);
    return std::abs(pixel.red() - highlight.red()) + std::abs(pixel.green() - highlight.green()) +
           std::abs(pixel.blue() - highlight.blue());
}

TEST_F(TTrackBarTest, FillAndReportedValueGrowAsTheHandleRises) {
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const QPoint lowerGroove(bar.width() / 2, bar.height() * 3 / 5);

    bar.SetPosition(0); // handle at the top: the groove below it is filled
    const int filled = DistanceFromHighlight(bar, lowerGroove);
    bar.SetPosition(127);
    const int empty = DistanceFromHighlight(bar, lowerGroove);
    EXPECT_LT(filled + 60, empty);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->valueInterface(), nullptr);
    bar.SetPosition(27);
    EXPECT_EQ(accessible->valueInterface()->currentValue().toInt(), 100);
}

} // namespace
} // namespace vireo
