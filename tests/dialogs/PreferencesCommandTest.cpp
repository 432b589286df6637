#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "dialogs/TFormSetup.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "shell/MainWindowFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::IsEmpty;
using Call = SimulatedMidiService::Call;
using Op = SimulatedMidiService::Op;

class PreferencesCommandTest : public testing::Test, public test::MainWindowFixture {
protected:
    // Runs the Preferences command; `whileShown` gets the dialog once it is up and must close
    // it. False when no Preferences dialog came up.
    bool RunPreferences(TForm1& form, const std::function<void(TFormSetup&)>& whileShown) {
        bool shown = false;
        QTimer probe; // runs inside the dialog's modal loop
        probe.setSingleShot(true);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TFormSetup*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible())
                return;
            shown = true;
            whileShown(*dialog);
        });
        QTimer guard; // never hang on a dialog nobody closes
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        probe.start(0);
        guard.start(5000);
        form.Preferences1Click();
        return shown;
    }

    // The calls made since the last Open of the service, and that Open.
    std::vector<Call> CallsFromLastOpen() const {
        const auto& calls = service.calls();
        auto open = std::find_if(calls.rbegin(), calls.rend(),
                                 [](const Call& call) { return call.op == Op::Open; });
        return open == calls.rend() ? std::vector<Call>{}
                                    : std::vector<Call>(open.base() - 1, calls.end());
    }

    // What re-initialising and sending the current settings puts out now.
    std::vector<Bytes> FreshSettingsSend(TForm1& form) {
        service.clearCalls();
        form.Mixer->InitializeSynthesizer();
        form.Mixer->SendCurrentSettings();
        return Sent();
    }
};

TEST_F(PreferencesCommandTest, OkSendsTheInitialisationAndTheSettingsToTheNewlyChosenDevice) {
    TForm1& form = Create();
    ASSERT_EQ(form.StatusBar1->text(), "MIDI Mapper");
    form.Mixer->VolumeSpinEdit->SetValue(77);
    service.setDevices({"Synth A", "Synth B", "USB Keys"}); // plugged in after start
    service.clearCalls();

    EXPECT_TRUE(RunPreferences(form, [](TFormSetup& dialog) {
        ASSERT_EQ(dialog.DevicesComboBox->count(), 4);
        EXPECT_EQ(dialog.DevicesComboBox->itemText(3), "USB Keys");
        EXPECT_EQ(dialog.DevicesComboBox->ItemIndex(), 0);
        dialog.DevicesComboBox->SetItemIndex(3);
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
    }));

    const std::vector<Call> calls = CallsFromLastOpen();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].index, 2);
    const auto handle = calls[0].handle;
    std::vector<Bytes> sent;
    for (const Call& call : calls) {
        if (call.op == Op::Short || call.op == Op::Long) {
            EXPECT_EQ(call.handle, handle);
            sent.push_back(call.bytes);
        }
    }
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    EXPECT_EQ(form.StatusBar1->text(), "USB Keys");
    EXPECT_EQ(store.ReadRegString(SettingsKey, "DeviceName", ""), "USB Keys");

    const std::vector<Bytes> expected = FreshSettingsSend(form);
    EXPECT_GT(expected.size(), 8u);
    EXPECT_EQ(test::Hex(sent), test::Hex(expected));
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(PreferencesCommandTest, CancelReopensTheSameDeviceAndSendsNothing) {
    TForm1& form = Create();
    form.Mixer->PeriodicRefresh->SetChecked(true);
    ASSERT_TRUE(form.Mixer->Timer1.isActive());
    service.clearCalls();

    EXPECT_TRUE(RunPreferences(form, [&form](TFormSetup& dialog) {
        EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Closed);
        EXPECT_FALSE(form.Mixer->Timer1.isActive());
        dialog.DevicesComboBox->SetItemIndex(2);
        dialog.DelayEdit->setText(QStringLiteral("40"));
        QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
    }));

    const std::vector<Call> calls = CallsFromLastOpen();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].index, -1);
    EXPECT_THAT(Sent(), IsEmpty());
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    EXPECT_EQ(form.StatusBar1->text(), "MIDI Mapper");
    EXPECT_TRUE(form.Mixer->Timer1.isActive());
    EXPECT_EQ(form.Mixer->Timer1.interval(), 250);
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(PreferencesCommandTest, NoDeviceLeftIsReportedAndTheMixerGoesOn) {
    TForm1& form = Create();
    service.setDevices({});
    EXPECT_FALSE(RunPreferences(form, [](TFormSetup& dialog) { dialog.reject(); }));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "No MIDI output device!");
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened); // still on the mapper
    EXPECT_EQ(form.StatusBar1->text(), "MIDI Mapper");
}

// After Preferences the refresh timer runs exactly while a Refresh box is checked and the
// period is above 0, whatever the period was before.
class PreferencesRefreshTest : public PreferencesCommandTest {
protected:
    void SetPeriod(TForm1& form, const char* period) {
        ASSERT_TRUE(RunPreferences(form, [period](TFormSetup& dialog) {
            dialog.DelayEdit->setText(QString::fromLatin1(period));
            QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        }));
        service.clearCalls(); // what OK itself sent
    }

    std::size_t MasterVolumes() const {
        const auto sent = Sent();
        return std::size_t(std::count_if(sent.begin(), sent.end(), [](const Bytes& message) {
            return message.size() == 8 && message[0] == 0xF0 && message[1] == 0x7F &&
                   message[3] == 0x04 && message[4] == 0x01;
        }));
    }
};

TEST_F(PreferencesRefreshTest, APeriodOfZeroAndBackTo250RefreshesAgainWithABoxChecked) {
    TForm1& form = Create();
    form.show();
    form.Mixer->PeriodicRefresh->SetChecked(true);
    ASSERT_TRUE(form.Mixer->Timer1.isActive());

    SetPeriod(form, "0");
    EXPECT_FALSE(form.Mixer->Timer1.isActive());
    QTest::qWait(750); // three periods of the old refresh
    EXPECT_EQ(MasterVolumes(), 0u);

    SetPeriod(form, "250");
    EXPECT_TRUE(form.Mixer->Timer1.isActive());
    EXPECT_EQ(form.Mixer->Timer1.interval(), 250);
    // A wait, not a measure: the refresh is back once two ticks have gone out.
    EXPECT_TRUE(QTest::qWaitFor([this] { return MasterVolumes() >= 2; }, 20000));
    EXPECT_TRUE(form.Mixer->PeriodicRefresh->Checked());
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(PreferencesRefreshTest, WithNoBoxCheckedAPeriodStartsNothing) {
    TForm1& form = Create();
    form.show();
    SetPeriod(form, "0");
    SetPeriod(form, "250");
    EXPECT_FALSE(form.Mixer->Timer1.isActive());
    EXPECT_EQ(form.Mixer->Timer1.interval(), 250);
}

} // namespace
} // namespace vireo
