// The DIGITAL CONTROL panel: five level pairs, each sent to A/D part 0 and then part 1.

#include "mixer/MixerPanels.h"

namespace vireo {

using synth::ADParameter;

void MixerPanels::SendADRow(LevelRow row, ADParameter parameter) {
    sender_.SendADPartLevel(parameter, SyncFieldFromBar(row));
}

void MixerPanels::ADVolumeTrackBarChange() {
    SendADRow({ADVolumeTrackBar, ADVolumeSpinEdit}, ADParameter::Volume);
}

void MixerPanels::ADVolumeSpinEditChange() {
    SpinEditChange({ADVolumeTrackBar, ADVolumeSpinEdit}, &MixerPanels::ADVolumeTrackBarChange);
}

void MixerPanels::ReverbTrackBarChange() {
    SendADRow({ReverbTrackBar, ReverbSpinEdit}, ADParameter::ReverbSend);
}

void MixerPanels::ReverbSpinEditChange() {
    SpinEditChange({ReverbTrackBar, ReverbSpinEdit}, &MixerPanels::ReverbTrackBarChange);
}

void MixerPanels::ChorusTrackBarChange() {
    SendADRow({ChorusTrackBar, ChorusSpinEdit}, ADParameter::ChorusSend);
}

void MixerPanels::ChorusSpinEditChange() {
    SpinEditChange({ChorusTrackBar, ChorusSpinEdit}, &MixerPanels::ChorusTrackBarChange);
}

void MixerPanels::VariationTrackBarChange() {
    SendADRow({VariationTrackBar, VariationSpinEdit}, ADParameter::VariationSend);
}

void MixerPanels::VariationSpinEditChange() {
    SpinEditChange({VariationTrackBar, VariationSpinEdit}, &MixerPanels::VariationTrackBarChange);
}

void MixerPanels::DryTrackBarChange() {
    SendADRow({DryTrackBar, DrySpinEdit}, ADParameter::DryLevel);
}

void MixerPanels::DrySpinEditChange() {
    SpinEditChange({DryTrackBar, DrySpinEdit}, &MixerPanels::DryTrackBarChange);
}

} // namespace vireo
