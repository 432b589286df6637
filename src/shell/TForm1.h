#pragma once

#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;

namespace vireo {

class MapperPatch;
class MidiOutService;
class MixerPanels;
class PreferencesStore;
class TCheckBox;
class TFormMessage;
class TComboBox;
class TMidiOutput;
class TSpinEdit;
class TTrackBar;

// Posted window messages of the main window.
inline constexpr QEvent::Type WM_OPENSETTINGSFILE = QEvent::Type(QEvent::User + 1025);
inline constexpr QEvent::Type WM_SHOWLOCKWARNING = QEvent::Type(QEvent::User + 1026);

// A settings file handed over by a second start.
class OpenSettingsFileEvent : public QEvent {
public:
    explicit OpenSettingsFileEvent(QString path)
        : QEvent(WM_OPENSETTINGSFILE)
        , path_(std::move(path)) {}
    const QString& Path() const { return path_; }

private:
    QString path_;
};

// The mixer window: owns the MIDI output port, the mixer panels and the refresh timer, and
// runs the window's lifecycle: start-up, showing and hiding, the device switch, the fold of
// the MIDI CONTROL panel, dropped and handed-over files, and the menu commands.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        QStringList arguments;   // command-line arguments, program name excluded
        bool isNtBelow4 = false; // no tray: this window is the application's main window
    };

    // Builds the window with its menus, panels and icon, and nothing more: nothing is read,
    // shown or sent, and the MIDI service, which may still be connecting, is not asked.
    struct Unstarted {};
    TForm1(MidiOutService& midi, PreferencesStore& store, Options options, Unstarted);
    // Builds the window and starts it.
    TForm1(MidiOutService& midi, PreferencesStore& store, Options options);
    ~TForm1() override;

    // The rest of the creation, once the service has connected: the preferences, the device
    // choice and open, and the start-up load. Once only, before the window shows.
    void Start();

    // The hidden lock warning dialog created after this window.
    void SetLockWarningDialog(TFormMessage* dialog) { lockWarning_ = dialog; }
    // Replaces how the Preferences command creates its dialog for one showing (by default
    // the Preferences dialog over this window's port, timer and preferences).
    void SetPreferencesDialogFactory(std::function<std::unique_ptr<QDialog>(TForm1&)> factory) {
        preferencesFactory_ = std::move(factory);
    }

    // Fields.
    QString SettingsFileName;
    bool CloseDeviceWhenMinimized = false;
    std::unique_ptr<TMidiOutput> MidiOutput1;
    std::unique_ptr<MixerPanels> Mixer;

    // Controls outside the panels.
    QFrame* Bevel1 = nullptr;
    TCheckBox* EnableDeviceCheckBox = nullptr;
    QPushButton* MIDIButton = nullptr;
    QPushButton* ResetButton = nullptr;
    QPushButton* DefaultButton = nullptr;
    QLabel* StatusBar1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* Preferences1 = nullptr;
    QMenu* MIDIReset1 = nullptr;
    QAction* YamahaXG1 = nullptr;
    QAction* GSTG300B1 = nullptr;
    QAction* GeneralMIDISystemLevel11 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;

    // Operations.
    void OpenDevice();
    void ShowDeviceName();
    void OpenNamedSettingsFile(const QString& path);
    // Files dropped on the window, in drop order.
    void DropFiles(const QStringList& paths);
    void SetControlsEnabled(bool enabled);
    QString SettingsDisplayName() const;
    void ShowAndRaise();
    // For the tray form's close request: stop Timer1, release the port.
    void StopTimer();
    void ReleasePort();

    // Settings files.
    void LoadSettingsFile();
    void SaveSettingsFile();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void DefaultButtonClick();
    static void ApplyStoredLevel(TSpinEdit* edit, TTrackBar* bar,
                                 const std::function<void()>& barChange, int storedLevel);
    static void SelectComboItemByText(TComboBox* list, const std::function<void()>& listChange,
                                      const std::string& text);

    // Handlers.
    void EnableDeviceCheckBoxClick();
    void MIDIButtonClick();
    void Exit1Click();
    void Preferences1Click();
    void About1Click();

    // The size of the client area (without menu bar) at 96 dpi.
    QSize ClientSize() const;

    // A notification area has come up after the start: from now on closing this window only
    // hides it, as in tray mode.
    void UseTrayIcon();
    // The notification area has gone: this window is the application's main window again,
    // shown and minimisable, and closing it ends the program.
    void UseNoTray();
    bool TrayMode() const { return !options_.isNtBelow4; }

    // Under no tray the window starts minimised, as it first shows.
    void setVisible(bool visible) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override; // AppMessageHook
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ResumeShownWindow();
    void FormDestroy();
    void ShowLockWarning();
    void ReadWindowPreferences();
    void PlaceWindow();
    void CentreOnFrame();
    std::optional<QPoint> CentredOnFrame() const;
    void SavePosition();
    void ApplyHintPreference();

    void BuildWindow();
    void BuildMenu();
    void BuildBottomRow(QWidget* client);
    void ConnectCommands();
    void SetClientWidth(int width);
    void UpdateCaption();
    QString InitialDialogFolder() const;
    void RememberDialogFolder(const QString& path);

    // The mapper's patch (TForm1Mapper.cpp).
    void WatchMapperPatch();
    void StopWatchingMapperPatch();
    void MapperOpened();
    void MapperPatchChanged();
    void StoreMapperPatch();
    void SendStateToNewWire();
    // The chosen device, watched for the whole run (TForm1DeviceWatch.cpp).
    void MidiChanged();
    void NoteLostDevice();
    void TakeAwaitedDevice();
    void SendWholeStateOnce();

    MidiOutService& midi_;
    PreferencesStore& store_;
    Options options_;
    std::unique_ptr<MapperPatch> mapperPatch_;
    QTimer* mapperChangeTimer_ = nullptr; // gathers the changes that come together
    bool mapperStatePending_ = false;     // a wire came while the device was closed
    // The device the port waits for, taken up when a port of this product name appears: the
    // chosen one, lost while open, or the recorded one, missing at the start. Empty once the
    // user chose in Preferences.
    std::string awaitedDevice_;
    bool deviceStatePending_ = false; // the device switched while the port was closed
    bool inPreferences_ = false;      // the Preferences dialog uses the port
    bool creating_ = true;
    bool started_ = false;
    QWidget* client_ = nullptr;
    TFormMessage* lockWarning_ = nullptr;
    static std::unique_ptr<QDialog> CreatePreferencesDialog(TForm1& form);
    std::function<std::unique_ptr<QDialog>(TForm1&)> preferencesFactory_ = CreatePreferencesDialog;
    bool wasMinimized_ = false;
    bool startMinimized_ = false;
    // A default position centres the window by its outer size, known once a window manager
    // has framed it.
    struct DefaultCentring {
        bool left = false;
        bool top = false;
        QRect screen;
        QSize size; // the window's own size when it was centred
    } centring_;
};

} // namespace vireo
