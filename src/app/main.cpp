// The program's entry: the window built while the MIDI systems connect, the hardware check,
// single instance, then the window's start and the event loop.
#include "app/CommandLine.h"
#include "app/HardwareCheck.h"
#include "app/MidiConnection.h"
#include "dialogs/TFormMessage.h"
#include "midi/DeviceSelection.h"
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
#include "shell/TerminationSignals.h"

#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

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

// What Qt's start-up changes in the process must not race the connecting thread: the C locale
// is set first, as Qt sets it, and the start-up notification variables that Qt's platform
// plugins remove go to the end of the environment, where removing one moves no other.
void PrepareForConnectingThread() {
    std::setlocale(LC_ALL, "");
    for (const char* name : {"DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN"}) {
        if (const char* value = std::getenv(name)) {
            const std::string kept(value);
            unsetenv(name);
            setenv(name, kept.c_str(), 1);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int status = AnswerInformationRequest(argc, argv); status >= 0)
        return status;
    // Connecting to the MIDI systems takes as long as Qt's own start-up: both at once.
    PrepareForConnectingThread();
    MidiConnector connector;
    MixerApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    // The notification area names the icon by the application's name.
    app.setApplicationName(QString::fromStdString(LoadStr(IDS_APPTITLE)));
    app.setDesktopFileName(QStringLiteral("sonexa-vireo-mixer"));

    // The window is built while the connection runs, and neither shown nor started: a start
    // that the hardware check refuses, or that hands its file over, throws it away unseen.
    // The toolkit is not asked about a tray: it would settle on a kind of tray icon before a
    // panel that starts later is there. A notification area that comes or goes later is
    // followed.
    auto areas = IsNtBelow4() ? nullptr : NotificationAreaWatcher::ForPlatform();
    const bool areaAtStart = areas && areas->AvailableNow();
    const bool noTray = !areaAtStart;
    std::optional<MidiConnection> connection; // outlives the window, which holds its service
    TForm1 form(connector.service(), PreferencesStore::Shared(), {arguments, noTray},
                TForm1::Unstarted{});
    connector.prepareFor(SearchedDevices(PreferencesStore::Shared()));

    HardwareProbes probes;
    probes.midiOutCount = [&] {
        connection = connector.take();
        return connection->deviceCount;
    };
    // The MIDI service's scan asked JACK's server, giving up on one that hangs: asking again
    // here would wait for such a server without end.
    probes.mixerCount = [&] {
        return MixerDeviceCount([&] { return connection->serversAnswering > 0; });
    };
    if (!HardwarePresent(probes)) {
        ReportHardwareMissing();
        return 1;
    }

    SystemMidiService& midi = *connection->service;

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

    app.setQuitOnLastWindowClosed(noTray);
    form.Start();
    MixerTray tray(form, areaAtStart, std::move(areas));
    TFormMessage lockWarning(PreferencesStore::Shared(), &form);
    form.SetLockWarningDialog(&lockWarning);
    ConnectInstanceChannel(channel, form);

    // Once the start-up choice and load are done, a JACK client that only listed devices goes.
    QTimer::singleShot(0, &form, [&midi] { midi.releaseUnused(); });

    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::terminationRequested, &form,
                     [&form] { form.Exit1Click(); });
    if (noTray)
        form.show();
    return app.exec();
}
