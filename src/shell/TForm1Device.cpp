// The device switch, the controls that follow it, the fold of the MIDI CONTROL panel, and
// the commands that open dialogs.
#include "controls/TCheckBox.h"
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"
#include "dialogs/TAboutBox1.h"
#include "dialogs/TFormSetup.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "shell/HintSwitch.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace vireo {
namespace {

// A widget's own visible and enabled properties, whatever its parents are.
bool OwnVisible(const QWidget* widget) {
    return !widget->isHidden();
}

bool OwnEnabled(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
    for (QWidget* widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

void TForm1::OpenDevice() {
    MidiOutput1->Open();
    if (MidiOutput1->LastError() != 0) {
        EnableDeviceCheckBox->setChecked(false);
        return;
    }
    MapperOpened();
    if (deviceStatePending_)
        SendWholeStateOnce();
}

void TForm1::EnableDeviceCheckBoxClick() {
    if (EnableDeviceCheckBox->isChecked())
        OpenDevice();
    else
        MidiOutput1->Close();
    SetControlsEnabled(EnableDeviceCheckBox->isChecked());
}

void TForm1::SetControlsEnabled(bool e) {
    MixerPanels& m = *Mixer;
    SetEnabled({m.Label13, m.Label14, m.Label15, m.Label12, m.VolumeTrackBar, m.VolumeSpinEdit,
                m.MIDITrackBar, m.MIDISpinEdit},
               e);
    SetEnabled(
        {m.MIDIReverbTrackBar, m.MIDIReverbSpinEdit, m.MIDIChorusTrackBar, m.MIDIChorusSpinEdit},
        e && OwnVisible(m.Panel3));
    SetEnabled({m.PeriodicRefresh, m.Panel1}, e);
    if (!m.LockADPart->isChecked())
        m.EnableDigitalControls(e);
    SetEnabled({m.ReverbComboBox, m.ChorusComboBox, m.Label8, m.Label11, ResetButton, m.LockADPart,
                DefaultButton},
               e);
    for (QAction* item : {YamahaXG1, GSTG300B1, GeneralMIDISystemLevel11, Open1})
        item->setEnabled(e);
}

void TForm1::MIDIButtonClick() {
    MixerPanels& m = *Mixer;
    m.Panel3->setVisible(!OwnVisible(m.Panel3));
    m.Panel3->setEnabled(!OwnEnabled(m.Panel3));
    const bool panelEnabled = OwnEnabled(m.Panel3);
    const bool deviceUsable = !CloseDeviceWhenMinimized || EnableDeviceCheckBox->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{
             m.MIDITrackBar, m.MIDIReverbTrackBar, m.MIDIChorusTrackBar, m.MIDISpinEdit,
             m.MIDIReverbSpinEdit, m.MIDIChorusSpinEdit}) {
        control->setVisible(panelEnabled);
        control->setEnabled(panelEnabled && deviceUsable);
    }
    const int shift = m.Panel3->width() + 1;
    const bool unfolding = OwnVisible(m.Panel3);
    const int delta = unfolding ? shift : -shift;
    m.Panel2->move(m.Panel2->x() + delta, m.Panel2->y());
    m.Panel4->move(m.Panel4->x() + delta, m.Panel4->y());
    SetClientWidth(ClientSize().width() + delta);
    if (unfolding) {
        MIDIButton->setText(tr("&MIDI  <<"));
    } else {
        MIDIButton->setText(tr("&MIDI  >>"));
        m.MIDIRefresh->setChecked(false);
    }
}

std::unique_ptr<QDialog> TForm1::CreatePreferencesDialog(TForm1& form) {
    HintSwitch& hints = HintSwitch::Install(*qApp);
    TFormSetup::Context context{.port = *form.MidiOutput1,
                                .store = form.store_,
                                .timer = form.Mixer->Timer1,
                                .closeDeviceWhenMinimized = form.CloseDeviceWhenMinimized,
                                .hintsShown = [&hints] { return hints.HintsShown(); },
                                .setHintsShown = [&hints](bool on) { hints.SetHintsShown(on); },
                                .showError = &MixerApplication::ReportError};
    return std::make_unique<TFormSetup>(std::move(context), &form);
}

void TForm1::Preferences1Click() {
    MidiOutput1->Close();
    inPreferences_ = true;
    int result = QDialog::Rejected;
    if (preferencesFactory_) {
        std::unique_ptr<QDialog> dialog = preferencesFactory_(*this);
        result = dialog->exec();
    }
    inPreferences_ = false;
    // The dialog puts the timer back as it found it, and a period of 0 had stopped it. While
    // the window is shown, the timer follows its boxes and the new period.
    if (isVisible())
        Mixer->ResumeRefresh();
    if (result == QDialog::Accepted) {
        awaitedDevice_.clear(); // the user has chosen
        deviceStatePending_ = false;
    }
    OpenDevice();
    if (result == QDialog::Accepted) {
        Mixer->InitializeSynthesizer();
        Mixer->SendCurrentSettings();
        ShowDeviceName();
    }
    if ((!isVisible() && CloseDeviceWhenMinimized) || !EnableDeviceCheckBox->isChecked())
        MidiOutput1->Close();
    if (!awaitedDevice_.empty()) // it may have come while the dialog was open
        TakeAwaitedDevice();
    midi_.releaseUnused(); // the dialog's device list
}

void TForm1::About1Click() {
    TAboutBox1 about(this);
    about.exec();
}

} // namespace vireo
