#pragma once

#include <QObject>
#include <memory>

namespace vireo {

class NotificationAreaWatcher;
class TForm1;
class TTrayIconForm;

// The tray form of the running mixer, wired to the main window's commands. It is made at start
// when the desktop offers a notification area; otherwise, given a watcher, when one comes up,
// and from then on the main window runs in tray mode. When the area goes (a panel that quits or
// restarts), the icon goes with it and the main window runs without a tray until an area comes
// back, when the icon is shown there again.
class MixerTray : public QObject {
    Q_OBJECT
public:
    MixerTray(TForm1& form, bool areaAtStart, std::unique_ptr<NotificationAreaWatcher> watcher);
    ~MixerTray() override;

    // The tray form, or null while there is none.
    TTrayIconForm* TrayForm() const { return trayForm_.get(); }

private:
    void CreateTrayForm();
    void AreaAppeared();
    void AreaGone();

    TForm1& form_;
    std::unique_ptr<TTrayIconForm> trayForm_;
    std::unique_ptr<NotificationAreaWatcher> watcher_;
};

} // namespace vireo
