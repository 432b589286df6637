#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "shell/MainWindowFixture.h"
#include "shell/MixerTray.h"
#include "shell/NotificationAreaWatcher.h"
#include "shell/TTrayIcon.h"
#include "shell/TTrayIconForm.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace vireo {
namespace {

// A mixer started where no notification area was, to which one comes later.
class LateTray : public testing::Test, public test::MainWindowFixture {
protected:
    void TearDown() override { QApplication::setQuitOnLastWindowClosed(true); }

    void Announce() { announcer.setObjectName(announcer.objectName() + "x"); }

    std::unique_ptr<NotificationAreaWatcher> Watcher() {
        return std::make_unique<NotificationAreaWatcher>(
            &announcer, SIGNAL(objectNameChanged(QString)), [] { return true; });
    }

    QObject announcer;
};

TEST_F(LateTray, ANotificationAreaThatComesLaterBringsTheIconAndTrayMode) {
    QApplication::setQuitOnLastWindowClosed(true);
    TForm1 form(service, store, TForm1::Options{{}, true});
    MixerTray tray(form, false, Watcher());
    EXPECT_EQ(tray.TrayForm(), nullptr);
    EXPECT_FALSE(form.TrayMode());

    Announce();
    ASSERT_NE(tray.TrayForm(), nullptr);
    EXPECT_TRUE(tray.TrayForm()->TrayIcon1()->Active());
    EXPECT_TRUE(form.TrayMode());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    // Closing now only hides the window: the port stays open, as in tray mode.
    form.show();
    ASSERT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
}

// A panel that quits and starts again: meanwhile the window that was closed to the tray is
// shown again as the program's main window, whose closing releases the port; the same icon
// comes back with the panel, and tray mode with it.
TEST_F(LateTray, AnAreaThatGoesBringsTheWindowBackAsMainWindowUntilItComesBack) {
    bool areaThere = true;
    TForm1 form(service, store, TForm1::Options{{}, false});
    MixerTray tray(form, true,
                   std::make_unique<NotificationAreaWatcher>(
                       &announcer, SIGNAL(objectNameChanged(QString)), [&] { return areaThere; }));
    ASSERT_NE(tray.TrayForm(), nullptr);
    ASSERT_FALSE(form.isVisible());

    areaThere = false;
    Announce();
    EXPECT_FALSE(tray.TrayForm()->TrayIcon1()->Active());
    EXPECT_FALSE(form.TrayMode());
    EXPECT_TRUE(form.isVisible()) << "the window was left out of reach";
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    QWidget other; // keeps the test's application from quitting as the window closes
    other.show();
    form.close();
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Closed);

    areaThere = true;
    Announce();
    EXPECT_TRUE(tray.TrayForm()->TrayIcon1()->Active());
    EXPECT_TRUE(form.TrayMode());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

// The window closed to the tray had its device closed and its refresh stopped; brought back
// because the panel went, it works again as a shown window does.
TEST_F(LateTray, AWindowBroughtBackByAGoingAreaHasItsDeviceAndRefreshAgain) {
    store.SetRootKey(RegRoot::LocalMachine);
    store.WriteRegInteger(MachineKey, "Close MIDI Device if Minimized", 1);
    store.SetRootKey(RegRoot::CurrentUser);
    bool areaThere = true;
    TForm1 form(service, store, TForm1::Options{{}, false});
    MixerTray tray(form, true,
                   std::make_unique<NotificationAreaWatcher>(
                       &announcer, SIGNAL(objectNameChanged(QString)), [&] { return areaThere; }));
    form.show();
    form.Mixer->PeriodicRefresh->SetChecked(true);
    form.close();
    ASSERT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Closed);
    ASSERT_FALSE(form.Mixer->Timer1.isActive());

    areaThere = false;
    Announce();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    EXPECT_TRUE(form.Mixer->Timer1.isActive());
}

TEST_F(LateTray, AnAreaThereAtStartGetsTheIconAtOnceAndNoWatcherIsNeeded) {
    TForm1 form(service, store, TForm1::Options{{}, false});
    MixerTray tray(form, true, nullptr);
    ASSERT_NE(tray.TrayForm(), nullptr);
    EXPECT_TRUE(form.TrayMode());
}

TEST_F(LateTray, WithoutAWatcherTheWindowStaysTheMainWindow) {
    TForm1 form(service, store, TForm1::Options{{}, true});
    MixerTray tray(form, false, nullptr);
    Announce();
    EXPECT_EQ(tray.TrayForm(), nullptr);
    EXPECT_FALSE(form.TrayMode());
}

} // namespace
} // namespace vireo
