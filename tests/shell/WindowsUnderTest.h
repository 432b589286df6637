#pragma once

#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "persistence/PreferencesStore.h"
#include "shell/MainWindowFixture.h"

#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>

class QWidget;

namespace vireo::test {

// Every window of the program; the main window twice, folded and unfolded.
enum class Window { MainFolded, MainUnfolded, Preferences, LockWarning, About };
inline constexpr Window kEveryWindow[] = {Window::MainFolded, Window::MainUnfolded,
                                          Window::Preferences, Window::LockWarning, Window::About};

std::string WindowName(Window window);
void PrintTo(Window window, std::ostream* out);

// Each window as the program builds it, over a simulated service and private hives. The
// main window comes with its lock warning switched off, so that showing it opens nothing.
class WindowsUnderTest {
public:
    QWidget& BuildHidden(Window window);
    // Shown, so that every control has its final geometry and state.
    QWidget& Build(Window window);

    MainWindowFixture main;

private:
    QWidget& BuildMainWindow(bool unfolded);
    QWidget& Keep(std::unique_ptr<QWidget> window);

    QTemporaryDir hiveFolder;
    PreferencesStore store{HivePaths{hiveFolder.filePath("user.reg"),
                                     hiveFolder.filePath("machine.reg"),
                                     hiveFolder.filePath("overlay.reg")}};
    SimulatedMidiService service{{"Synth A", "Synth B"}};
    TMidiOutput port{service};
    QTimer timer;
    std::unique_ptr<QWidget> dialog;
};

} // namespace vireo::test
