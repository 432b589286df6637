#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace vireo::test {

// A private X server (Xvfb) for one test, and xdotool to type on it as a user would.
class XvfbDisplay {
public:
    // Whether Xvfb and xdotool can be run at all.
    static bool Installed();

    // Starts the server on a free display number and waits until it has one.
    XvfbDisplay();
    // Ends the server by its process id.
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool running() const { return !display_.isEmpty(); }
    // ":<number>", for DISPLAY.
    const QString& display() const { return display_; }

    // The id of the first visible window whose name matches `pattern` (a regular
    // expression), waiting up to `seconds` for it; empty when none appears.
    QString findWindow(const QString& pattern, int seconds = 10) const;
    // Gives the window the keyboard focus and types the keys (xdotool names, "alt+n").
    bool typeInto(const QString& window, const QStringList& keys) const;

private:
    bool xdotool(const QStringList& arguments, QString* output = nullptr, int msecs = 15000) const;

    std::unique_ptr<QProcess> server_;
    QString display_;
};

} // namespace vireo::test
