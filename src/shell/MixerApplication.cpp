#include "shell/MixerApplication.h"

#include "controls/LayoutFont.h"
#include "platform/StringTable.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace vireo {
namespace {

std::function<void(const QString&)>& Presenter() {
    static std::function<void(const QString&)> presenter;
    return presenter;
}

bool reportOpen = false;

void ShowErrorBox(const QString& text) {
    const QString title = QString::fromStdString(LoadStr(IDS_APPTITLE));
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

} // namespace

MixerApplication::MixerApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    setFont(LayoutFont(), "QMessageBox"); // message boxes read like the windows they come from
}

bool MixerApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error"));
    }
    return true; // the event counts as handled
}

void MixerApplication::ReportError(const QString& text) {
    LogLine(text);
    if (reportOpen)
        return;
    reportOpen = true;
    try {
        if (Presenter())
            Presenter()(text);
        else
            ShowErrorBox(text);
    } catch (...) {
        reportOpen = false;
        throw;
    }
    reportOpen = false;
}

void MixerApplication::SetErrorPresenter(std::function<void(const QString&)> presenter) {
    Presenter() = std::move(presenter);
}

void LogLine(const QString& text) {
    const QByteArray line = text.toLocal8Bit().replace('\n', ' ');
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

} // namespace vireo
