#include "shell/WindowsUnderTest.h"

#include "dialogs/TAboutBox1.h"
#include "dialogs/TFormMessage.h"
#include "dialogs/TFormSetup.h"
#include "mixer/MixerPanels.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace vireo::test {

std::string WindowName(Window window) {
    switch (window) {
    case Window::MainFolded:
        return "MainWindowFolded";
    case Window::MainUnfolded:
        return "MainWindowUnfolded";
    case Window::Preferences:
        return "Preferences";
    case Window::LockWarning:
        return "LockWarning";
    case Window::About:
        return "About";
    }
    return "Unknown";
}

void PrintTo(Window window, std::ostream* out) {
    *out << WindowName(window);
}

QWidget& WindowsUnderTest::Build(Window window) {
    QWidget& built = BuildHidden(window);
    built.show();
    return built;
}

QWidget& WindowsUnderTest::BuildHidden(Window window) {
    switch (window) {
    case Window::MainFolded:
    case Window::MainUnfolded:
        return BuildMainWindow(window == Window::MainUnfolded);
    case Window::Preferences:
        return Keep(
            std::make_unique<TFormSetup>(TFormSetup::Context{.port = port,
                                                             .store = store,
                                                             .timer = timer,
                                                             .closeDeviceWhenMinimized = false,
                                                             .hintsShown = {},
                                                             .setHintsShown = {},
                                                             .showError = {}}));
    case Window::LockWarning:
        return Keep(std::make_unique<TFormMessage>(store));
    case Window::About:
        // 64 GiB: a long figure.
        return Keep(std::make_unique<TAboutBox1>(std::uint64_t{64} << 30, nullptr));
    }
    throw std::logic_error("unknown window");
}

QWidget& WindowsUnderTest::BuildMainWindow(bool unfolded) {
    main.store.WriteRegInteger(SettingsKey, "No Warning", 1); // no modal warning on show
    TForm1& form = main.Create();
    const bool shown = form.Mixer->Panel3->isVisibleTo(&form);
    if (shown != unfolded)
        form.MIDIButtonClick();
    EXPECT_EQ(form.Mixer->Panel3->isVisibleTo(&form), unfolded);
    return form;
}

QWidget& WindowsUnderTest::Keep(std::unique_ptr<QWidget> window) {
    dialog = std::move(window);
    return *dialog;
}

} // namespace vireo::test
