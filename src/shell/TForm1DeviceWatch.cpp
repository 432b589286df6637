// The chosen device is watched for the whole run: one that went away is opened again by itself
// once a port of its product name appears, and a recorded choice that was missing at the start
// is taken up once it appears, unless the user has chosen in Preferences since. Either way the
// device gets the window's whole state once.
#include "midi/DeviceSelection.h"
#include "midi/MidiOutService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"

namespace vireo {

// The MIDI systems told of a change (gathered for a moment): a wire of the mapper, a port that
// came or went, a device lost.
void TForm1::MidiChanged() {
    MapperPatchChanged();
    if (!awaitedDevice_.empty())
        TakeAwaitedDevice();
    else
        ReopenLostDevice();
    midi_.releaseUnused(); // what asking about the patch and the devices connected
}

void TForm1::ReopenLostDevice() {
    TMidiOutput& port = *MidiOutput1;
    if (port.DeviceID() == MidiOutService::kMapper ||
        port.State() != TMidiOutput::MidiState::Opened || !midi_.deviceLost(port.Handle()))
        return;
    if (const auto index = DeviceIndexByName(midi_, port.ProductName()))
        SwitchDevice(*index);
}

void TForm1::TakeAwaitedDevice() {
    const auto index = DeviceIndexByName(midi_, awaitedDevice_);
    if (!index)
        return;
    awaitedDevice_.clear();
    SwitchDevice(*index);
    ShowDeviceName();
}

// Puts the port on device `index`, as Preferences OK would, open again when it was open.
void TForm1::SwitchDevice(int index) {
    TMidiOutput& port = *MidiOutput1;
    const bool open = port.State() == TMidiOutput::MidiState::Opened;
    try {
        port.Close();
        port.SetDeviceID(index);
    } catch (const EmidioutputError& error) {
        MixerApplication::ReportError(QString::fromUtf8(error.what()));
        return;
    }
    deviceStatePending_ = true;
    if (open)
        OpenDevice();
}

// The window's whole state to the device: now when the port is open, else at its next open.
void TForm1::SendWholeStateOnce() {
    deviceStatePending_ = MidiOutput1->State() != TMidiOutput::MidiState::Opened;
    if (deviceStatePending_)
        return;
    try {
        Mixer->SendWholeState();
    } catch (const EmidioutputError& error) {
        MixerApplication::ReportError(QString::fromUtf8(error.what()));
    }
}

} // namespace vireo
