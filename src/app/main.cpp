// The program's entry: hardware check, single instance, then the windows and the event loop.
#include "app/HardwareCheck.h"
#include "dialogs/TFormMessage.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"
#include "persistence/PreferencesStore.h"
#include "platform/MixerDevices.h"
#include "platform/StringTable.h"
#include "shell/InstanceChannel.h"
#include "shell/MixerApplication.h"
#include "shell/MixerTray.h"
#include "shell/NotificationAreaWatcher.h"
#include "shell/TForm1.h"
#include "shell/TTrayIconForm.h"
#include "shell/TerminationSignals.h"

#include <memory>

namespace {

using namespace vireo;

void ConnectInstanceChannel(InstanceChannel& channel, TForm1& form) {
    channel.setStatusProvider([&form] {
        return InstanceStatus{form.windowTitle(), form.isMinimized()};
    });
    QObject::connect(&channel, &InstanceChannel::bringToFrontRequested, &form, [&form] {
        if (form.isVisible()) {
            form.raise();
            form.activateWindow();
        }
    });
    QObject::connect(&channel, &InstanceChannel::settingsFileHandedOver, &form,
                     [&form](const QString& path) {
                         QCoreApplication::postEvent(&form, new OpenSettingsFileEvent(path));
                     });
}

} // namespace

int main(int argc, char* argv[]) {
    MixerApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    // The notification area names the icon by the application's name.
    app.setApplicationName(QString::fromStdString(LoadStr(IDS_APPTITLE)));
    app.setDesktopFileName(QStringLiteral("sonexa-vireo-mixer"));

    SystemMidiService midi;
    HardwareProbes probes;
    probes.midiOutCount = [&midi] { return midi.deviceCount(); };
    // The MIDI service's own JACK client, once connected, shows that the server answers.
    probes.mixerCount = [] {
        return MixerDeviceCount(
            [] { return JackMidiSystem::AnyClientConnected() || JackServerAnswers(); });
    };
    if (!HardwarePresent(probes)) {
        ReportHardwareMissing();
        return 1;
    }

    InstanceChannel channel(InstancePrefix());
    switch (channel.start(arguments)) {
    case InstanceChannel::Outcome::HandedOff:
        return 0;
    case InstanceChannel::Outcome::HandOffFailed:
        LogLine(QStringLiteral("The running mixer did not take the hand-off."));
        return 1;
    case InstanceChannel::Outcome::Running:
        break;
    }

    const bool areaAtStart = !IsNtBelow4() && TTrayIconForm::NotificationAreaAvailable();
    const bool noTray = !areaAtStart;
    app.setQuitOnLastWindowClosed(noTray);
    TForm1 form(midi, PreferencesStore::Shared(), {arguments, noTray});
    // Without a notification area at start, one that comes later brings the tray icon up.
    MixerTray tray(form, areaAtStart,
                   noTray && !IsNtBelow4() ? NotificationAreaWatcher::ForPlatform() : nullptr);
    TFormMessage lockWarning(PreferencesStore::Shared(), &form);
    form.SetLockWarningDialog(&lockWarning);
    ConnectInstanceChannel(channel, form);

    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::terminationRequested, &form,
                     [&form] { form.Exit1Click(); });
    if (noTray)
        form.show();
    return app.exec();
}
