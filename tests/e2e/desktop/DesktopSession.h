#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>

namespace vireo::test {

// A desktop on a private X display: a window manager (openbox) and, when asked, a tray host
// (trayer, an XEmbed system tray). Read with xwininfo and xprop, driven with xdotool and wmctrl.
// Every process it starts is ended by its id.
class DesktopSession {
public:
    // Whether openbox, trayer, wmctrl, xwininfo, xprop and xdotool can be run.
    static bool Installed();

    explicit DesktopSession(QString display);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Starts openbox and waits until it manages the screen.
    bool startWindowManager();
    // Starts trayer and waits until its panel is there; ends it.
    bool startTrayHost();
    void stopTrayHost();
    // Starts another program's window over most of the screen (xmessage) and waits until it
    // has the focus.
    bool startCoveringWindow();

    // The id of a window whose title matches, mapped or not, once one is managed (it has a
    // WM_STATE); empty when none is within `limit`.
    QString waitForManagedWindow(const QString& titlePattern,
                                 std::chrono::milliseconds limit) const;
    // Whether a window whose title matches is viewable now.
    bool visible(const QString& titlePattern) const;
    // "Normal", "Iconic" or empty, from the window's WM_STATE.
    QString wmState(const QString& window) const;
    // Where the window manager has put the window's frame (outer top-left).
    std::optional<QPoint> frameTopLeft(const QString& window) const;
    // The frame's left, right, top and bottom widths.
    std::optional<QList<int>> frameExtents(const QString& window) const;
    std::optional<QSize> clientSize(const QString& window) const;

    // The mixer's icon in the tray host's panel (a window of its class), or empty.
    QString trayIcon() const;
    // Presses and releases a mouse button over the middle of a window.
    bool click(const QString& window, int button) const;
    // Presses and releases a mouse button at a point of a window's client area.
    bool clickAt(const QString& window, QPoint point, int button) const;
    // Asks the window manager to minimise a window.
    bool minimise(const QString& window) const;
    // Asks the window manager to activate (restore) a window, or to close it.
    bool activate(const QString& window) const;
    bool close(const QString& window) const;
    bool key(const QString& keys) const;
    // The title of the window that has the focus.
    QString activeTitle() const;
    // The number of viewable windows of the mixer's class.
    int mixerWindowCount() const;

    // Runs an X client on the display; its standard output, or nothing when it fails.
    std::optional<QString> run(const QString& program, const QStringList& arguments) const;

private:
    std::unique_ptr<QProcess> startClient(const QString& program, const QStringList& arguments);
    static void stop(QProcess& process);

    QString display_;
    QTemporaryDir configFolder_;
    std::unique_ptr<QProcess> windowManager_;
    std::unique_ptr<QProcess> trayHost_;
    std::unique_ptr<QProcess> cover_;
};

} // namespace vireo::test
