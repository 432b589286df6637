#include "shell/MixerTray.h"

#include "shell/NotificationAreaWatcher.h"
#include "shell/TForm1.h"
#include "shell/TTrayIcon.h"
#include "shell/TTrayIconForm.h"

namespace vireo {

MixerTray::MixerTray(TForm1& form, bool areaAtStart,
                     std::unique_ptr<NotificationAreaWatcher> watcher)
    : form_(form)
    , watcher_(std::move(watcher)) {
    if (areaAtStart)
        CreateTrayForm();
    if (!watcher_)
        return;
    watcher_->SetAreaThere(areaAtStart);
    connect(watcher_.get(), &NotificationAreaWatcher::appeared, this, &MixerTray::AreaAppeared);
    connect(watcher_.get(), &NotificationAreaWatcher::disappeared, this, &MixerTray::AreaGone);
}

MixerTray::~MixerTray() = default;

void MixerTray::CreateTrayForm() {
    TTrayIconForm::Hooks hooks;
    TForm1& form = form_;
    hooks.showMainWindow = [&form] { form.ShowAndRaise(); };
    hooks.preferences = [&form] { form.Preferences1Click(); };
    hooks.about = [&form] { form.About1Click(); };
    hooks.exit = [&form] { form.Exit1Click(); };
    hooks.stopTimer = [&form] { form.StopTimer(); };
    hooks.releasePort = [&form] { form.ReleasePort(); };
    trayForm_ = std::make_unique<TTrayIconForm>(std::move(hooks));
}

// The window stays as the user has it; only closing it changes: it now hides the window.
// The tray form outlives a going area, since its menu or a dialog it opened may be in use: only
// its icon goes and comes.
void MixerTray::AreaAppeared() {
    if (trayForm_)
        trayForm_->TrayIcon1()->SetActive(true);
    else
        CreateTrayForm();
    form_.UseTrayIcon();
}

void MixerTray::AreaGone() {
    if (trayForm_)
        trayForm_->TrayIcon1()->SetActive(false);
    form_.UseNoTray();
}

} // namespace vireo
