// The chosen device is watched for the whole run: one that went away is opened again by itself
// once a port of its product name appears, and a recorded choice that was missing at the start
// is taken up once it appears, unless the user has chosen in Preferences since. Either way the
// device gets the window's whole state once.
#include "controls/GuardedHandler.h"
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
    if (!inPreferences_) { // the dialog has the port meanwhile
        NoteLostDevice();
        if (!awaitedDevice_.empty())
            TakeAwaitedDevice();
    }
    midi_.releaseUnused(); // what asking about the patch and the devices connected
}

// A device lost while open is awaited under its product name.
void TForm1::NoteLostDevice() {
    const TMidiOutput& port = *MidiOutput1;
    if (awaitedDevice_.empty() && port.DeviceID() != MidiOutService::kMapper &&
        port.State() == TMidiOutput::MidiState::Opened && midi_.deviceLost(port.Handle()))
        awaitedDevice_ = port.ProductName();
}

// Puts the port on the awaited device, as Preferences OK would: an open port moves only once
// the device opened, so a port that takes no connection yet (its client still going, or not
// ready) leaves everything as it was, and the next change tries again. A closed port gets the
// state at its next open.
void TForm1::TakeAwaitedDevice() {
    const auto index = DeviceIndexByName(midi_, awaitedDevice_);
    if (!index)
        return;
    MidiOutput1->MoveTo(*index);
    if (MidiOutput1->LastError() != 0)
        return;
    awaitedDevice_.clear();
    ShowDeviceName();
    SendWholeStateOnce();
}

// The window's whole state to the device: now when the port is open, else at its next open.
void TForm1::SendWholeStateOnce() {
    deviceStatePending_ = MidiOutput1->State() != TMidiOutput::MidiState::Opened;
    if (deviceStatePending_)
        return;
    RunGuarded(&MixerApplication::ReportError, [this] { Mixer->SendWholeState(); });
}

} // namespace vireo
