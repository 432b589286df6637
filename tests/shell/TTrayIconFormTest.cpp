#include "shell/TTrayIconForm.h"

#include "shell/TTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vireo {
namespace {

class TTrayIconFormTest : public testing::Test {
protected:
    TTrayIconForm::Hooks RecordingHooks(bool withExit = true) {
        TTrayIconForm::Hooks hooks;
        hooks.showMainWindow = Record("show");
        hooks.preferences = Record("preferences");
        hooks.about = Record("about");
        if (withExit)
            hooks.exit = Record("exit");
        hooks.stopTimer = Record("stopTimer");
        hooks.releasePort = Record("releasePort");
        return hooks;
    }

    std::function<void()> Record(std::string name) {
        return [this, name] { ran.push_back(name); };
    }

    // Runs the event loop until it is asked to end, or fails after two seconds.
    bool LoopEndsAfter(const std::function<void()>& action) {
        bool timedOut = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::quit();
        });
        guard.start(2000);
        QTimer::singleShot(0, action);
        QApplication::exec();
        return !timedOut;
    }

    std::vector<std::string> ran;
};

TEST_F(TTrayIconFormTest, MenuHasFourItemsWithNamesCaptionsAndMnemonics) {
    TTrayIconForm form(RecordingHooks());
    const QList<QAction*> items = form.PopupMenu1()->actions();
    ASSERT_EQ(items.size(), 4);
    const QList<QAction*> named{form.OpenSonexaVireoMixer1(), form.Preferences2(), form.About2(),
                                form.Exit2()};
    EXPECT_EQ(items, named);

    const char* names[] = {"OpenSonexaVireoMixer1", "Preferences2", "About2", "Exit2"};
    const char* captions[] = {"&Open Sonexa Vireo Mixer", "&Preferences...", "&About", "E&xit"};
    const QKeySequence mnemonics[] = {
        QKeySequence(Qt::ALT | Qt::Key_O), QKeySequence(Qt::ALT | Qt::Key_P),
        QKeySequence(Qt::ALT | Qt::Key_A), QKeySequence(Qt::ALT | Qt::Key_X)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->objectName(), names[i]);
        EXPECT_EQ(items[i]->text(), captions[i]);
        EXPECT_FALSE(items[i]->isSeparator());
        EXPECT_EQ(QKeySequence::mnemonic(items[i]->text()), mnemonics[i]) << names[i];
    }
    EXPECT_EQ(form.PopupMenu1()->objectName(), "PopupMenu1");
}

TEST_F(TTrayIconFormTest, EachItemRunsOnlyItsOwnCommand) {
    TTrayIconForm form(RecordingHooks());
    form.OpenSonexaVireoMixer1()->trigger();
    form.Preferences2()->trigger();
    form.About2()->trigger();
    form.Exit2()->trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"show", "preferences", "about", "exit"}));
}

TEST_F(TTrayIconFormTest, MnemonicKeyInTheOpenMenuRunsItsItem) {
    TTrayIconForm form(RecordingHooks());
    QMenu* menu = form.PopupMenu1();
    menu->popup(QPoint(10, 10));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(menu, &press);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, std::vector<std::string>{"about"});
    menu->hide();
}

TEST_F(TTrayIconFormTest, IconCarriesTheProgramIconTipAndMenu) {
    TTrayIconForm form(RecordingHooks());
    TTrayIcon* icon = form.TrayIcon1();
    EXPECT_EQ(icon->objectName(), "TrayIcon1");
    EXPECT_TRUE(icon->Active());
    EXPECT_EQ(icon->ToolTip(), "Sonexa Vireo Mixer");
    EXPECT_FALSE(icon->Icon().isNull());
    EXPECT_EQ(icon->PopupMenu(), form.PopupMenu1());
    EXPECT_EQ(icon->NotifyIcon().toolTip(), "Sonexa Vireo Mixer");
    EXPECT_FALSE(icon->NotifyIcon().icon().isNull());
}

TEST_F(TTrayIconFormTest, LeftClickAndDoubleClickOpenTheMainWindow) {
    TTrayIconForm form(RecordingHooks());
    form.TrayIcon1()->TrayNotify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(ran, std::vector<std::string>{"show"});

    ran.clear();
    form.TrayIcon1()->TrayNotify(QSystemTrayIcon::Trigger);
    form.TrayIcon1()->TrayNotify(QSystemTrayIcon::DoubleClick);
    // Each release of the left button opens it: a second click soon after the first counts.
    EXPECT_EQ(ran, (std::vector<std::string>{"show", "show"}));
}

TEST_F(TTrayIconFormTest, FormIsNeverSeenAndKeepsItsSizeOffScreen) {
    TTrayIconForm form(RecordingHooks());
    QCoreApplication::processEvents();
    EXPECT_EQ(form.objectName(), "TrayIconForm");
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.x(), -5000);
    EXPECT_EQ(form.size(), QSize(212, 113));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

TEST_F(TTrayIconFormTest, CloseRequestStopsTimerReleasesPortThenEndsTheLoop) {
    TTrayIconForm form(RecordingHooks());
    EXPECT_TRUE(LoopEndsAfter([&] { form.close(); }));
    EXPECT_EQ(ran, (std::vector<std::string>{"stopTimer", "releasePort"}));
}

TEST_F(TTrayIconFormTest, ExitWithoutACommandEndsTheLoopWithoutCloseQuery) {
    TTrayIconForm form(RecordingHooks(false));
    EXPECT_TRUE(LoopEndsAfter([&] { form.Exit2()->trigger(); }));
    EXPECT_TRUE(ran.empty());
}

} // namespace
} // namespace vireo
