#include "shell/MixerTray.h"

#include "shell/NotificationAreaWatcher.h"
#include "shell/TForm1.h"
#include "shell/TTrayIconForm.h"

namespace vireo {

MixerTray::MixerTray(TForm1& form, bool areaAtStart,
                     std::unique_ptr<NotificationAreaWatcher> watcher)
    : form_(form) {
    if (areaAtStart) {
        CreateTrayForm();
        return;
    }
    watcher_ = std::move(watcher);
    if (watcher_)
        connect(watcher_.get(), &NotificationAreaWatcher::appeared, this, &MixerTray::AreaAppeared);
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
void MixerTray::AreaAppeared() {
    if (trayForm_)
        return;
    CreateTrayForm();
    form_.UseTrayIcon();
}

} // namespace vireo
