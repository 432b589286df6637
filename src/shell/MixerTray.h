#pragma once

#include <QObject>
#include <memory>

namespace vireo {

class NotificationAreaWatcher;
class TForm1;
class TTrayIconForm;

// The tray form of the running mixer, wired to the main window's commands. It is made at start
// when the desktop offers a notification area; otherwise, given a watcher, when one comes up,
// and from then on the main window runs in tray mode.
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

    TForm1& form_;
    std::unique_ptr<TTrayIconForm> trayForm_;
    std::unique_ptr<NotificationAreaWatcher> watcher_;
};

} // namespace vireo
