#pragma once

#include <QWidget>
#include <functional>

class QAction;
class QMenu;

namespace vireo {

class TTrayIcon;

// The never-seen form that carries the tray icon and its menu. Created first, it stands for the
// application's main window: the program ends by Exit or by a close request to this form.
class TTrayIconForm : public QWidget {
    Q_OBJECT
public:
    // The main window's commands that the icon and its menu run.
    struct Hooks {
        std::function<void()> showMainWindow; // make the main window visible, raise, activate it
        std::function<void()> preferences;    // the main window's Preferences1Click
        std::function<void()> about;          // the main window's About1Click
        std::function<void()> exit;           // the main window's Exit1Click; quits when unset
        std::function<void()> stopTimer;      // stop the main window's Timer1
        std::function<void()> releasePort;    // release the main window's MidiOutput1
    };

    explicit TTrayIconForm(Hooks hooks, QWidget* parent = nullptr);
    ~TTrayIconForm() override;

    TTrayIcon* TrayIcon1() const { return trayIcon1_; }
    QMenu* PopupMenu1() const { return popupMenu1_; }
    QAction* OpenSonexaVireoMixer1() const { return openSonexaVireoMixer1_; }
    QAction* Preferences2() const { return preferences2_; }
    QAction* About2() const { return about2_; }
    QAction* Exit2() const { return exit2_; }

    void FormCreate();
    bool FormCloseQuery();
    void OpenSonexaVireoMixer1Click();
    void Preferences2Click();
    void About2Click();
    void Exit2Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    QAction* AddItem(const char* name, const QString& caption, void (TTrayIconForm::*click)());
    void CreateTrayIcon();

    Hooks hooks_;
    QMenu* popupMenu1_ = nullptr;
    QAction* openSonexaVireoMixer1_ = nullptr;
    QAction* preferences2_ = nullptr;
    QAction* about2_ = nullptr;
    QAction* exit2_ = nullptr;
    TTrayIcon* trayIcon1_ = nullptr;
};

} // namespace vireo
