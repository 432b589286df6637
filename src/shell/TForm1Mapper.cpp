// The mapper's patch: the wires of the program's own port are remembered per user and made
// again when their ports exist, and a synthesizer newly wired to it gets the window's state.
#include "controls/GuardedHandler.h"
#include "midi/MapperPatch.h"
#include "midi/MidiOutService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "persistence/PreferencesStore.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"

#include <QTimer>

namespace vireo {
namespace {

constexpr std::string_view kMapperConnections = "Mapper Connections";
// Wires made together (a patchbay's preset, a synthesizer with several ports) give one send.
constexpr int kGatherMs = 200;

} // namespace

void TForm1::WatchMapperPatch() {
    mapperPatch_ = std::make_unique<MapperPatch>(
        midi_, MapperPatch::Split(store_.ReadRegString(SettingsKey, kMapperConnections, "")));
    mapperChangeTimer_ = new QTimer(this);
    mapperChangeTimer_->setSingleShot(true);
    mapperChangeTimer_->setInterval(kGatherMs);
    connect(mapperChangeTimer_, &QTimer::timeout, this, &TForm1::MidiChanged);
    // Called on a thread of the MIDI system: only hand the news to the window thread.
    midi_.setChangeListener([this] {
        QMetaObject::invokeMethod(
            this, [this] { mapperChangeTimer_->start(); }, Qt::QueuedConnection);
    });
}

void TForm1::StopWatchingMapperPatch() {
    midi_.setChangeListener({});
    StoreMapperPatch();
}

// The mapper was opened: its remembered wires are made. While the window is being created
// the start-up load follows and brings the new wires the state; later they get it here, as
// does a wire made while the device was closed.
void TForm1::MapperOpened() {
    if (MidiOutput1->DeviceID() != MidiOutService::kMapper)
        return;
    const MapperPatch::Change change = mapperPatch_->connectRemembered();
    if (change.rememberedChanged)
        StoreMapperPatch();
    if (creating_) {
        mapperStatePending_ = false;
        return;
    }
    if (change.newWire || mapperStatePending_)
        SendStateToNewWire();
}

void TForm1::MapperPatchChanged() {
    const MapperPatch::Change change = mapperPatch_->connectRemembered();
    if (change.rememberedChanged)
        StoreMapperPatch();
    if (change.newWire)
        SendStateToNewWire();
}

void TForm1::StoreMapperPatch() {
    const std::string text = MapperPatch::Join(mapperPatch_->remembered());
    if (store_.ReadRegString(SettingsKey, kMapperConnections, "") != text)
        store_.WriteRegString(SettingsKey, kMapperConnections, text);
}

void TForm1::SendStateToNewWire() {
    const bool open = MidiOutput1->State() == TMidiOutput::MidiState::Opened &&
                      MidiOutput1->DeviceID() == MidiOutService::kMapper;
    mapperStatePending_ = !open;
    if (!open)
        return;
    RunGuarded(&MixerApplication::ReportError, [this] { Mixer->SendWholeState(); });
}

} // namespace vireo
