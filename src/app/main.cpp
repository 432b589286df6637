// The program's entry: hardware check, single instance, then the windows and the event loop.
#include "app/HardwareCheck.h"
#include "dialogs/TFormMessage.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"
#include "persistence/PreferencesStore.h"
#include "platform/MixerDevices.h"
#include "shell/InstanceChannel.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"
#include "shell/TTrayIconForm.h"
#include "shell/TerminationSignals.h"

#include <memory>

namespace {

using namespace vireo;

std::unique_ptr<TTrayIconForm> CreateTrayForm(TForm1& form) {
    TTrayIconForm::Hooks hooks;
    hooks.showMainWindow = [&form] { form.ShowAndRaise(); };
    hooks.preferences = [&form] { form.Preferences1Click(); };
    hooks.about = [&form] { form.About1Click(); };
    hooks.exit = [&form] { form.Exit1Click(); };
    hooks.stopTimer = [&form] { form.StopTimer(); };
    hooks.releasePort = [&form] { form.ReleasePort(); };
    return std::make_unique<TTrayIconForm>(std::move(hooks));
}

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
    app.setApplicationName(QStringLiteral("sonexa-vireo-mixer"));

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

    const bool noTray = IsNtBelow4() || !TTrayIconForm::NotificationAreaAvailable();
    app.setQuitOnLastWindowClosed(noTray);
    TForm1 form(midi, PreferencesStore::Shared(), {arguments, noTray});
    std::unique_ptr<TTrayIconForm> tray = noTray ? nullptr : CreateTrayForm(form);
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
