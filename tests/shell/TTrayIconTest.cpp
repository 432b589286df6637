#include "shell/TTrayIcon.h"

#include "icons/AppIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <gtest/gtest.h>
#include <vector>

namespace vireo {
namespace {

// Counts the retip requests that reach the icon.
class RetipCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == TTrayIcon::WM_TRAYRETIP)
            ++count;
        return false;
    }
};

class TTrayIconTest : public testing::Test {
protected:
    TTrayIconTest() { icon.SetIcon(AppIcon()); }
    const QSystemTrayIcon& shown() const { return icon.NotifyIcon(); }

    TTrayIcon icon;
};

TEST(CutToolTipTest, KeepsAtMostSixtyTwoCharactersWithoutSplittingAPair) {
    const QString sixtyTwo(62, 'a');
    EXPECT_EQ(CutToolTip(sixtyTwo), sixtyTwo);
    EXPECT_EQ(CutToolTip(sixtyTwo + "bcd"), sixtyTwo);
    EXPECT_EQ(CutToolTip(QString()), QString());

    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // one character, two code units
    const QString straddling = QString(61, 'a') + clef;
    EXPECT_EQ(CutToolTip(straddling), QString(61, 'a'));
}

TEST_F(TTrayIconTest, StartsInactiveWithNothingShown) {
    TTrayIcon fresh;
    EXPECT_FALSE(fresh.Active());
    EXPECT_TRUE(fresh.ToolTip().isEmpty());
    EXPECT_TRUE(fresh.Icon().isNull());
    EXPECT_EQ(fresh.PopupMenu(), nullptr);
    EXPECT_FALSE(fresh.NotifyIcon().isVisible());
}

TEST_F(TTrayIconTest, LongTipIsStoredAndShownCut) {
    icon.SetActive(true);
    icon.SetToolTip(QString(70, 'x'));
    EXPECT_EQ(icon.ToolTip(), QString(62, 'x'));
    EXPECT_EQ(shown().toolTip(), QString(62, 'x'));
}

TEST_F(TTrayIconTest, ActiveAddsOnceRemovesAndAddsAnew) {
    icon.SetToolTip("Mixer");
    icon.SetActive(true);
    icon.SetActive(true);
    EXPECT_TRUE(icon.Active());
    EXPECT_TRUE(shown().isVisible());

    icon.SetActive(false);
    EXPECT_FALSE(icon.Active());
    EXPECT_FALSE(shown().isVisible());

    icon.SetActive(true);
    EXPECT_TRUE(shown().isVisible());
    EXPECT_EQ(shown().toolTip(), "Mixer");
}

TEST_F(TTrayIconTest, ChangesWhileInactiveReachTheAreaOnlyWithTheNextAdd) {
    icon.SetToolTip("First");
    EXPECT_TRUE(shown().toolTip().isEmpty());
    EXPECT_TRUE(shown().icon().isNull());

    icon.SetActive(true);
    EXPECT_EQ(shown().toolTip(), "First");
    EXPECT_FALSE(shown().icon().isNull());

    icon.SetToolTip("Second");
    EXPECT_EQ(shown().toolTip(), "Second");
}

TEST_F(TTrayIconTest, AddWithoutTipAsksForOneRetipAndAddWithTipForNone) {
    RetipCounter counter;
    icon.installEventFilter(&counter);

    icon.SetActive(true);
    icon.SetToolTip("Late tip");
    QCoreApplication::sendPostedEvents(&icon, TTrayIcon::WM_TRAYRETIP);
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(shown().toolTip(), "Late tip");

    icon.SetActive(false);
    icon.SetActive(true);
    QCoreApplication::sendPostedEvents(&icon, TTrayIcon::WM_TRAYRETIP);
    EXPECT_EQ(counter.count, 1);
}

TEST_F(TTrayIconTest, ShowDesigningHasNoEffectAtRunTime) {
    icon.SetShowDesigning(true);
    EXPECT_FALSE(icon.ShowDesigning());
    EXPECT_FALSE(shown().isVisible());
}

TEST_F(TTrayIconTest, PopupMenuBecomesTheAreasMenu) {
    QMenu menu;
    icon.SetPopupMenu(&menu);
    EXPECT_EQ(icon.PopupMenu(), &menu);
    EXPECT_EQ(shown().contextMenu(), &menu);
}

TEST_F(TTrayIconTest, MouseActionsRunTheirEventsWithTheIconAsSender) {
    std::vector<std::string> ran;
    icon.OnClick = [&](TTrayIcon* sender) {
        EXPECT_EQ(sender, &icon);
        ran.push_back("click");
    };
    icon.OnDblClick = [&](TTrayIcon* sender) {
        EXPECT_EQ(sender, &icon);
        ran.push_back("double");
    };

    // A double click reports the first release, the double click, then the second release.
    icon.TrayNotify(QSystemTrayIcon::Trigger);
    icon.TrayNotify(QSystemTrayIcon::DoubleClick);
    icon.TrayNotify(QSystemTrayIcon::MiddleClick);
    icon.TrayNotify(QSystemTrayIcon::Unknown);
    icon.TrayNotify(QSystemTrayIcon::Context); // no right-click event set
    EXPECT_EQ(ran, (std::vector<std::string>{"click", "double", "click"}));
}

TEST_F(TTrayIconTest, RightClickReportsTheRightButtonAtTheCursor) {
    QCursor::setPos(40, 30);
    const QPoint cursor = QCursor::pos();
    int calls = 0;
    icon.OnRightClick = [&](TTrayIcon* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                            int x, int y) {
        ++calls;
        EXPECT_EQ(sender, &icon);
        EXPECT_EQ(button, Qt::RightButton);
        EXPECT_EQ(shift, Qt::NoModifier);
        EXPECT_EQ(QPoint(x, y), cursor);
    };
    bool clicked = false;
    icon.OnClick = [&](TTrayIcon*) { clicked = true; };

    icon.TrayNotify(QSystemTrayIcon::Context);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(clicked);
}

TEST(AppIconTest, ComesFromTheProgramInEverySize) {
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : kAppIconSizes) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        EXPECT_EQ(icon.pixmap(QSize(size, size), 1.0).size(), QSize(size, size)) << size;
    }
}

} // namespace
} // namespace vireo
