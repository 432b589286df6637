// Runs the instance channel the way the program's start does, for tests with real processes.
//
//   instance_probe [arguments...]
//
// Becomes the listener, hands its first argument to a running instance, or goes on as a full
// instance without a listener, and prints one line for the outcome: "listening", "handed-off",
// "hand-off-failed" or "running". A listener answers with the caption in $VIREO_PROBE_CAPTION
// (minimised when $VIREO_PROBE_MINIMISED is 1), prints "front" and "path <path>" for what it
// receives, and ends when its standard input closes or reads "quit".
#include "app/HardwareCheck.h"
#include "shell/InstanceChannel.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

void Say(const QString& line) {
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

const char* OutcomeName(vireo::InstanceChannel::Outcome outcome, bool listening) {
    switch (outcome) {
    case vireo::InstanceChannel::Outcome::HandedOff:
        return "handed-off";
    case vireo::InstanceChannel::Outcome::HandOffFailed:
        return "hand-off-failed";
    case vireo::InstanceChannel::Outcome::Running:
        break;
    }
    return listening ? "listening" : "running";
}

void ReportWhatArrives(vireo::InstanceChannel& channel) {
    channel.setStatusProvider([] {
        return vireo::InstanceStatus{qEnvironmentVariable("VIREO_PROBE_CAPTION"),
                                     qEnvironmentVariable("VIREO_PROBE_MINIMISED") == "1"};
    });
    QObject::connect(&channel, &vireo::InstanceChannel::bringToFrontRequested,
                     [] { Say("front"); });
    QObject::connect(&channel, &vireo::InstanceChannel::settingsFileHandedOver,
                     [](const QString& path) { Say("path " + path); });
}

void QuitWhenInputEnds(QCoreApplication& app) {
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [&app] {
        char buffer[64];
        const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (size <= 0 || QByteArray(buffer, static_cast<int>(size)).contains("quit"))
            app.quit();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    vireo::InstanceChannel channel(vireo::InstancePrefix());
    const auto outcome = channel.start(QCoreApplication::arguments().mid(1));
    Say(OutcomeName(outcome, channel.isListening()));
    if (!channel.isListening())
        return outcome == vireo::InstanceChannel::Outcome::HandOffFailed ? 1 : 0;
    ReportWhatArrives(channel);
    QuitWhenInputEnds(app);
    return app.exec();
}
