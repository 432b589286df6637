// The refresh timer, Reset and the three MIDI system resets.

#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"

#include <QVariant>
#include <algorithm>

namespace vireo {
namespace {

// Set on the timer to the port handle whose ticks are failing. A device that went away fails
// every tick: only the first failure on a handle is reported, until a tick goes through again.
constexpr const char* kFailingHandle = "failingHandle";

} // namespace

void MixerPanels::UpdateRefreshTimer() {
    const bool wanted = PeriodicRefresh->Checked() || MIDIRefresh->Checked();
    if (!wanted || Timer1.interval() <= 0)
        Timer1.stop();
    else if (!Timer1.isActive())
        Timer1.start();
}

void MixerPanels::PeriodicRefreshClick() {
    UpdateRefreshTimer();
}

void MixerPanels::MIDIRefreshClick() {
    UpdateRefreshTimer();
}

void MixerPanels::SetRefreshInterval(int milliseconds) {
    Timer1.setInterval(std::max(0, milliseconds)); // restarts a running timer
    if (milliseconds <= 0)
        Timer1.stop();
}

void MixerPanels::StopRefresh() {
    Timer1.stop();
}

void MixerPanels::ResumeRefresh() {
    UpdateRefreshTimer();
}

void MixerPanels::Timer1Timer() {
    if (Timer1.interval() <= 0) {
        Timer1.stop(); // a period of 0 never ticks
        return;
    }
    if (port_.State() != TMidiOutput::MidiState::Opened)
        return; // nothing can go out; say nothing
    const auto handle = static_cast<qulonglong>(port_.Handle());
    try {
        if (PeriodicRefresh->Checked())
            VolumeTrackBarChange();
        if (MIDIRefresh->Checked()) {
            MIDIReverbTrackBarChange();
            ReverbComboBoxChange();
            MIDIChorusTrackBarChange();
            ChorusComboBoxChange();
        }
    } catch (const EmidioutputError&) {
        // The timer keeps running, so the refresh resumes by itself once the device is back.
        if (Timer1.property(kFailingHandle).toULongLong() == handle)
            return;
        Timer1.setProperty(kFailingHandle, handle);
        throw;
    }
    Timer1.setProperty(kFailingHandle, QVariant());
}

void MixerPanels::InitializeSynthesizer() {
    sender_.InitializeSynthesizer();
}

void MixerPanels::SendCurrentSettings() {
    VolumeTrackBarChange();
    ADVolumeTrackBarChange();
    DryTrackBarChange();
    ReverbComboBoxChange();
    ChorusComboBoxChange();
    VariationComboBoxChange();
    LockADPartClick();
}

void MixerPanels::SendWholeState() {
    InitializeSynthesizer();
    VolumeTrackBarChange();
    MIDITrackBarChange();
    MIDIReverbTrackBarChange();
    MIDIChorusTrackBarChange();
    ADVolumeTrackBarChange();
    DryTrackBarChange();
    ReverbComboBoxChange();
    ChorusComboBoxChange();
    VariationComboBoxChange();
    sender_.SendLock(LockADPart->Checked());
}

void MixerPanels::ResetButtonClick() {
    InitializeSynthesizer();
    SendCurrentSettings();
}

void MixerPanels::YamahaXG1Click() {
    sender_.SendXGSystemOn();
}

void MixerPanels::GSTG300B1Click() {
    sender_.SendGSReset();
}

void MixerPanels::GeneralMIDISystemLevel11Click() {
    sender_.SendGMSystemOn();
}

} // namespace vireo
