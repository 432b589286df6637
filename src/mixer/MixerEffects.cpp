// The EFFECTS panel and the lock of the digital part.

#include "mixer/MixerPanels.h"

namespace vireo {

bool MixerPanels::MidiPanelShown() const {
    return !Panel3->isHidden(); // its own state, whether or not the window is shown
}

void MixerPanels::ReverbComboBoxChange() {
    const int index = ReverbComboBox->ItemIndex();
    if (index < 0)
        return;
    sender_.SendReverbType(index);
    if (MidiPanelShown())
        MIDIReverbTrackBarChange();
    ReverbTrackBarChange();
}

void MixerPanels::ChorusComboBoxChange() {
    const int index = ChorusComboBox->ItemIndex();
    if (index < 0)
        return;
    sender_.SendChorusType(index);
    if (MidiPanelShown())
        MIDIChorusTrackBarChange();
    ChorusTrackBarChange();
}

void MixerPanels::VariationComboBoxChange() {
    const int index = VariationComboBox->ItemIndex();
    if (index < 0)
        return;
    sender_.SendVariationType(index);
    VariationTrackBarChange();
}

void MixerPanels::LockADPartClick() {
    const bool locked = LockADPart->Checked();
    sender_.SendLock(locked);
    EnableDigitalControls(!locked);
    if (locked && windowVisible && windowVisible())
        emit lockWarningRequested();
}

void MixerPanels::EnableDigitalControls(bool enabled) {
    QWidget* const controls[] = {
        ADVolumeTrackBar,
        ReverbTrackBar,
        ChorusTrackBar,
        VariationTrackBar,
        DryTrackBar,
        ADVolumeSpinEdit,
        ReverbSpinEdit,
        ChorusSpinEdit,
        VariationSpinEdit,
        DrySpinEdit,
        VariationComboBox,
        Label1,
        Label2,
        Label4,
        Label5,
        Label6,
        Label7,
    };
    for (QWidget* control : controls)
        control->setEnabled(enabled);
    if (resetButton_)
        resetButton_->setEnabled(enabled);
}

} // namespace vireo
