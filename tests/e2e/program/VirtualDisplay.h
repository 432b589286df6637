#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace vireo::test {

// A private X display (Xvfb on a display number it picks itself, with no window manager and no
// notification area) and real input on it through xdotool. Ended by its process id.
class VirtualDisplay {
public:
    // Whether Xvfb and xdotool can be run at all.
    static bool Installed();

    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return !name_.isEmpty(); }
    const std::string& startError() const { return startError_; }
    // The DISPLAY value, ":N".
    const QString& name() const { return name_; }

    // The id of a visible window whose title matches the regular expression, once one shows
    // up within `limit`; empty if none does.
    QString waitForWindow(const QString& titlePattern, std::chrono::milliseconds limit) const;
    // Whether no visible window's title matches any more within `limit`.
    bool waitUntilGone(const QString& titlePattern, std::chrono::milliseconds limit) const;
    QString title(const QString& window) const;
    // Position and size of a window, as the X server has it.
    std::optional<QRect> geometry(const QString& window) const;

    // Gives the window the keyboard focus and waits until it has it.
    bool focus(const QString& window) const;
    // Key presses, such as "alt+f" or "Up", to the window that has the focus, in order.
    bool keys(const QStringList& sequence) const;
    // A left click at a point of the window, relative to its top left corner.
    bool click(const QString& window, int x, int y) const;
    bool move(const QString& window, int x, int y) const;

private:
    std::optional<QString> xdotool(const QStringList& arguments) const;

    std::unique_ptr<QProcess> process_;
    QString name_;
    std::string startError_;
};

} // namespace vireo::test
