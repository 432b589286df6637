#include "dialogs/TFormMessage.h"

#include "controls/TCheckBox.h"
#include "persistence/PreferencesStore.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace vireo {
namespace {

// Counts the showings of the dialog and runs a scripted step while it is up.
class TFormMessageTest : public testing::Test {
protected:
    TFormMessageTest() {
        store.WriteRegInteger(SettingsKey, "No Warning", 0);
        dialog.installEventFilter(&showCounter);
    }

    int noWarning() const { return store.ReadRegInteger(SettingsKey, "No Warning", -1); }

    // Asks for the warning; `whileShown` runs once the dialog is up and must close it. A
    // dialog that does not come up leaves `whileShown` unrun.
    bool request(std::function<void()> whileShown) {
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (dialog.isVisible()) {
                ran = true;
                whileShown();
            }
        });
        QTimer guard; // never hang on a dialog nobody closes
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &dialog, &QDialog::reject);
        guard.start(5000);
        dialog.ShowLockWarning();
        QCoreApplication::processEvents();
        return ran;
    }

    struct ShowCounter : QObject {
        int shows = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            shows += event->type() == QEvent::Show;
            return false;
        }
    };

    PreferencesStore store;
    ShowCounter showCounter;
    TFormMessage dialog{store};
};

TEST_F(TFormMessageTest, HasItsFixedLayoutAndTexts) {
    EXPECT_EQ(dialog.windowTitle(), "Sonexa Vireo Mixer");
    // Drawn for 226 by 190; it grows only where the fonts at hand need more room.
    EXPECT_GE(dialog.width(), 226);
    EXPECT_EQ(dialog.height(), 190);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(dialog.Label2->text(), "effects in the current state. XG MIDI files  ");
    EXPECT_EQ(dialog.Label5->geometry().topLeft(), QPoint(16, 80));
    EXPECT_GE(dialog.Label5->width(), 176);
    EXPECT_EQ(dialog.Label5->height(), 13);
    EXPECT_EQ(dialog.NoMessCheckBox->geometry().topLeft(), QPoint(16, 112));
    EXPECT_GE(dialog.NoMessCheckBox->width(), 201);
    EXPECT_EQ(dialog.NoMessCheckBox->height(), 17);
    EXPECT_EQ(dialog.NoMessCheckBox->text(), "Don't display this warning in future.");
    EXPECT_FALSE(dialog.NoMessCheckBox->Checked());
    EXPECT_EQ(dialog.OKButton->size(), QSize(75, 25));
    EXPECT_EQ(dialog.OKButton->y(), 144);
    EXPECT_EQ(dialog.OKButton->x(), (dialog.width() - 75) / 2); // 76 at the drawn width
    EXPECT_TRUE(dialog.OKButton->isDefault());
    EXPECT_EQ(dialog.NoMessCheckBox->nextInFocusChain(), dialog.OKButton);
    // A screen reader reads the five lines as one text when the dialog opens.
    QAccessibleInterface* warning = QAccessible::queryAccessibleInterface(&dialog);
    EXPECT_EQ(warning->role(), QAccessible::Dialog);
    EXPECT_EQ(warning->text(QAccessible::Description),
              "Locking the Mixer will lock the Variation effects in the current state. XG MIDI "
              "files which use Variation effects may not playback correctly. Generally, do not "
              "lock the Mixer when playing XG MIDI files.");
}

TEST_F(TFormMessageTest, StandsInTheMiddleOfTheScreenByItsOuterSize) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect outer = dialog.frameGeometry();
    ASSERT_GT(outer.width(), dialog.width()); // framed: outer and inner size differ
    ASSERT_GT(outer.height(), dialog.height());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(outer.topLeft(), QPoint(screen.x() + (screen.width() - outer.width()) / 2,
                                      screen.y() + (screen.height() - outer.height()) / 2));
    dialog.hide();
}

TEST_F(TFormMessageTest, ShowsModallyUntilOkAndASecondRequestMeanwhileIsIgnored) {
    bool nestedReturned = false;
    EXPECT_TRUE(request([&] {
        EXPECT_TRUE(dialog.isModal());
        dialog.ShowLockWarning(); // already showing: returns at once
        nestedReturned = true;
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
    }));
    EXPECT_TRUE(nestedReturned);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(showCounter.shows, 1);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(TFormMessageTest, CheckingTheBoxWritesOneAtOnceAndEscKeepsTheWarningOff) {
    EXPECT_TRUE(request([&] {
        QTest::keyClick(dialog.NoMessCheckBox, Qt::Key_Space);
        EXPECT_EQ(noWarning(), 1); // before the dialog closes
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(request([&] { dialog.reject(); }));
    EXPECT_EQ(showCounter.shows, 1);
}

TEST_F(TFormMessageTest, UncheckingWritesNothingAndOnlyANewCheckTurnsTheWarningOffAgain) {
    dialog.NoMessCheckBox->SetChecked(true);
    dialog.NoMessCheckBox->SetChecked(false);
    EXPECT_EQ(noWarning(), 1);

    // The Preferences dialog turns the warning back on; the box still shows its old state.
    dialog.NoMessCheckBox->SetChecked(true);
    store.WriteRegInteger(SettingsKey, "No Warning", 0);
    EXPECT_TRUE(request([&] {
        EXPECT_TRUE(dialog.NoMessCheckBox->Checked());
        dialog.NoMessCheckBox->SetChecked(false);
        EXPECT_EQ(noWarning(), 0);
        dialog.NoMessCheckBox->SetChecked(true);
        EXPECT_EQ(noWarning(), 1);
        dialog.reject();
    }));
}

TEST_F(TFormMessageTest, AnyNonZeroNoWarningKeepsTheDialogHidden) {
    store.WriteRegInteger(SettingsKey, "No Warning", 5);
    EXPECT_FALSE(request([&] { dialog.reject(); }));
    EXPECT_EQ(showCounter.shows, 0);
}

TEST_F(TFormMessageTest, ReadsTheUsersSettingsWhateverRootTheStoreIsOn) {
    store.WriteRegInteger(SettingsKey, "No Warning", 1);
    store.SetRootKey(RegRoot::LocalMachine);
    EXPECT_FALSE(request([&] { dialog.reject(); }));
    EXPECT_EQ(store.RootKey(), RegRoot::LocalMachine);
}

} // namespace
} // namespace vireo
