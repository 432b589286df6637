#pragma once

#include <QApplication>
#include <functional>

namespace vireo {

// The program's QApplication. Every error that leaves an event handler ends up here: its
// text is shown in a message box captioned with the application title, written as one line
// on standard error, and the event loop goes on.
class MixerApplication : public QApplication {
    Q_OBJECT
public:
    MixerApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error the way the error report does. While one report is open, further ones
    // only go to standard error, so a failing device cannot pile up message boxes.
    static void ReportError(const QString& text);
    // Replaces the message box, for tests; the default shows a QMessageBox.
    static void SetErrorPresenter(std::function<void(const QString&)> presenter);
};

// Writes one line on standard error: what a message box said, for a start from a terminal.
void LogLine(const QString& text);

} // namespace vireo
