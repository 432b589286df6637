#pragma once

#include <QObject>

class QSocketNotifier;

namespace vireo {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop (self-pipe: the handler
// only writes one byte), so that they end the program the way Exit does.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vireo
