#pragma once

#include <QString>
#include <exception>
#include <functional>

namespace vireo {

// Where an error that leaves a handler goes: the application's error report.
using ErrorReport = std::function<void(const QString&)>;

// Runs a handler that Qt called (a signal's slot, a timer tick) and hands an error leaving it
// to report, where it ends. Qt's libraries are built without exception support: an error
// unwinding through their frames would skip those frames' clean-up and leak what they hold (a
// QAction's guard pointer, a signal emission's bookkeeping). Without a report the error goes
// on to the caller.
template <typename Handler> void RunGuarded(const ErrorReport& report, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (!report)
            throw;
        report(QString::fromUtf8(error.what()));
    } catch (...) {
        if (!report)
            throw;
        report(QStringLiteral("Unknown error"));
    }
}

// A slot for QObject::connect that runs (object->*handler)() guarded, reporting to report.
template <typename Object>
auto Guarded(Object* object, void (Object::*handler)(), void (*report)(const QString&)) {
    return [object, handler, report] { RunGuarded(report, [&] { (object->*handler)(); }); };
}

} // namespace vireo
