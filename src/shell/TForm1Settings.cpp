// Settings files: the load that sends the whole state, saving, and the File commands.
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"
#include "mixer/MessageSet.h"
#include "mixer/MixerPanels.h"
#include "persistence/PreferencesStore.h"
#include "persistence/SettingsFile.h"
#include "persistence/SettingsFileName.h"
#include "platform/DataFolders.h"
#include "platform/StringTable.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vireo {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// An error while one control is applied is reported, and the load goes on.
template <typename Step> void ReportAndGoOn(Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        MixerApplication::ReportError(QString::fromUtf8(error.what()));
    }
}

const QString kMixFilter = QStringLiteral("Mixer Settings (*.mix)");

} // namespace

void TForm1::LoadSettingsFile() {
    const MixerSettings s = ReadSettingsFile(SettingsFileName.toStdString());
    MixerPanels& m = *Mixer;
    m.InitializeSynthesizer();
    using Handler = void (MixerPanels::*)();
    const auto level = [&m](TSpinEdit* edit, TTrackBar* bar, Handler barChange, int value) {
        ReportAndGoOn([&] {
            ApplyStoredLevel(
                edit, bar, [&] { (m.*barChange)(); }, value);
        });
    };
    level(m.VolumeSpinEdit, m.VolumeTrackBar, &MixerPanels::VolumeTrackBarChange, s.volumeLevel);
    level(m.MIDISpinEdit, m.MIDITrackBar, &MixerPanels::MIDITrackBarChange, s.midiLevel);
    level(m.MIDIReverbSpinEdit, m.MIDIReverbTrackBar, &MixerPanels::MIDIReverbTrackBarChange,
          s.midiReverbLevel);
    level(m.MIDIChorusSpinEdit, m.MIDIChorusTrackBar, &MixerPanels::MIDIChorusTrackBarChange,
          s.midiChorusLevel);
    level(m.ADVolumeSpinEdit, m.ADVolumeTrackBar, &MixerPanels::ADVolumeTrackBarChange,
          s.adPartLevel);
    m.ReverbTrackBar->SetPosition(synth::InvertLevel(HoldToLevel(s.reverbLevel)));
    m.ChorusTrackBar->SetPosition(synth::InvertLevel(HoldToLevel(s.chorusLevel)));
    m.VariationTrackBar->SetPosition(synth::InvertLevel(HoldToLevel(s.variationLevel)));
    level(m.DrySpinEdit, m.DryTrackBar, &MixerPanels::DryTrackBarChange, s.dryLevel);
    const auto effect = [&m](TComboBox* list, Handler listChange, const std::string& name) {
        ReportAndGoOn([&] {
            SelectComboItemByText(
                list, [&] { (m.*listChange)(); }, name);
        });
    };
    effect(m.ReverbComboBox, &MixerPanels::ReverbComboBoxChange, s.reverbEffect);
    effect(m.ChorusComboBox, &MixerPanels::ChorusComboBoxChange, s.chorusEffect);
    effect(m.VariationComboBox, &MixerPanels::VariationComboBoxChange, s.variationEffect);
    m.LockADPart->setChecked(s.lock);
    m.PeriodicRefresh->setChecked(s.periodicRefresh);
    m.MIDIRefresh->setChecked(false);
    UpdateCaption();
}

void TForm1::ApplyStoredLevel(TSpinEdit* edit, TTrackBar* bar,
                              const std::function<void()>& barChange, int storedLevel) {
    const int level = HoldToLevel(storedLevel);
    const int position = synth::InvertLevel(level);
    // The field stands for a level however its text writes it ("064", "+64", "$40"). Setting
    // it sends only when its text changes and its bar moves; otherwise the bar's handler runs
    // here, so that the level goes out exactly once.
    if (HoldToLevel(edit->Value()) != level && bar->Position() != position) {
        edit->SetValue(level); // its change handler moves the bar and runs the bar's handler
        return;
    }
    bar->SetPosition(position);
    barChange();
}

void TForm1::SelectComboItemByText(TComboBox* list, const std::function<void()>& listChange,
                                   const std::string& text) {
    const int index = list->findText(FromUtf8(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    list->SetItemIndex(index);
    listChange();
}

void TForm1::SaveSettingsFile() {
    MixerPanels& m = *Mixer;
    MixerSettings s;
    s.volumeLevel = m.VolumeSpinEdit->Value();
    s.midiLevel = m.MIDISpinEdit->Value();
    s.midiReverbLevel = m.MIDIReverbSpinEdit->Value();
    s.midiChorusLevel = m.MIDIChorusSpinEdit->Value();
    s.adPartLevel = m.ADVolumeSpinEdit->Value();
    s.reverbLevel = m.ReverbSpinEdit->Value();
    s.chorusLevel = m.ChorusSpinEdit->Value();
    s.variationLevel = m.VariationSpinEdit->Value();
    s.dryLevel = m.DrySpinEdit->Value();
    s.reverbEffect = m.ReverbComboBox->currentText().toStdString();
    s.chorusEffect = m.ChorusComboBox->currentText().toStdString();
    s.variationEffect = m.VariationComboBox->currentText().toStdString();
    s.lock = m.LockADPart->isChecked();
    s.periodicRefresh = m.PeriodicRefresh->isChecked();
    const SettingsWriteResult result = WriteSettingsFile(SettingsFileName.toStdString(), s);
    if (!result)
        throw std::runtime_error(result.errorText);
}

void TForm1::UpdateCaption() {
    setWindowTitle(QString::fromStdString(LoadStr(IDS_APPTITLE)) + " - " + SettingsDisplayName());
}

QString TForm1::InitialDialogFolder() const {
    const std::string folder = store_.ReadRegString(SettingsKey, "DefaultDir", ProgramDataFolder());
    return FromUtf8(folder);
}

void TForm1::RememberDialogFolder(const QString& path) {
    store_.WriteRegString(SettingsKey, "DefaultDir", FolderPart(path.toStdString()));
}

void TForm1::Open1Click() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open"), InitialDialogFolder(), kMixFilter, nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    SettingsFileName = path;
    LoadSettingsFile();
    RememberDialogFolder(path);
}

void TForm1::Saveas1Click() {
    QFileDialog dialog(this, tr("Save as"), InitialDialogFolder(), kMixFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mix"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    SettingsFileName = path;
    SaveSettingsFile();
    UpdateCaption();
    RememberDialogFolder(path);
}

void TForm1::Save1Click() {
    if (SettingsFileName.isEmpty()) {
        Saveas1Click();
        return;
    }
    if (IsDefaultSettingsName(SettingsFileName.toStdString())) {
        const QString text =
            FromUtf8(FmtLoadStr(IDS_REPLACE_DEFAULT, SettingsFileName.toStdString()));
        const auto answer = QMessageBox::question(this, FromUtf8(LoadStr(IDS_SAVE_CAPTION)), text,
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    SaveSettingsFile();
}

void TForm1::DefaultButtonClick() {
    SettingsFileName = FromUtf8(DefaultSettingsFilePath());
    LoadSettingsFile();
}

} // namespace vireo
