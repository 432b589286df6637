// The slider/field pairs of the MASTER and MIDI CONTROL panels, and the echo guard that all
// level pairs share.

#include "mixer/MixerPanels.h"

namespace vireo {

int MixerPanels::SyncFieldFromBar(LevelRow row) {
    const int level = synth::InvertLevel(row.bar->Position());
    row.edit->SetValue(level); // its handler stops at the guard
    return level;
}

void MixerPanels::SpinEditChange(LevelRow row, void (MixerPanels::*barChange)()) {
    const int position = synth::InvertLevel(row.edit->Value());
    if (position == row.bar->Position())
        return; // the slider already stands there: nothing to send
    row.bar->SetPosition(position);
    (this->*barChange)();
}

void MixerPanels::SendChannelRow(LevelRow row, synth::ChannelController controller) {
    SyncFieldFromBar(row);
    TSpinEdit* edit = row.edit;
    sender_.SendChannelControl(controller, [edit](int) { return edit->Value(); });
}

void MixerPanels::VolumeTrackBarChange() {
    sender_.SendMasterVolume(SyncFieldFromBar({VolumeTrackBar, VolumeSpinEdit}));
}

void MixerPanels::VolumeSpinEditChange() {
    SpinEditChange({VolumeTrackBar, VolumeSpinEdit}, &MixerPanels::VolumeTrackBarChange);
}

void MixerPanels::MIDITrackBarChange() {
    SendChannelRow({MIDITrackBar, MIDISpinEdit}, synth::ChannelController::Volume);
}

void MixerPanels::MIDISpinEditChange() {
    SpinEditChange({MIDITrackBar, MIDISpinEdit}, &MixerPanels::MIDITrackBarChange);
}

void MixerPanels::MIDIReverbTrackBarChange() {
    SendChannelRow({MIDIReverbTrackBar, MIDIReverbSpinEdit}, synth::ChannelController::ReverbSend);
}

void MixerPanels::MIDIReverbSpinEditChange() {
    SpinEditChange({MIDIReverbTrackBar, MIDIReverbSpinEdit},
                   &MixerPanels::MIDIReverbTrackBarChange);
}

void MixerPanels::MIDIChorusTrackBarChange() {
    SendChannelRow({MIDIChorusTrackBar, MIDIChorusSpinEdit}, synth::ChannelController::ChorusSend);
}

void MixerPanels::MIDIChorusSpinEditChange() {
    SpinEditChange({MIDIChorusTrackBar, MIDIChorusSpinEdit},
                   &MixerPanels::MIDIChorusTrackBarChange);
}

} // namespace vireo
