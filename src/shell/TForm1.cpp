#include "shell/TForm1.h"

#include "controls/TCheckBox.h"
#include "dialogs/TFormMessage.h"
#include "icons/AppIcon.h"
#include "midi/DeviceSelection.h"
#include "midi/MapperPatch.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "persistence/FileTypeRegistration.h"
#include "persistence/PreferencesStore.h"
#include "persistence/SettingsFileName.h"
#include "platform/DataFolders.h"
#include "platform/StringTable.h"
#include "shell/HintSwitch.h"
#include "shell/MixerApplication.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace vireo {
namespace {

QString AppTitle() {
    return QString::fromStdString(LoadStr(IDS_APPTITLE));
}

// The "Close MIDI Device if Minimized" flag lives under the machine's key.
bool ReadCloseDeviceWhenMinimized(PreferencesStore& store) {
    const RegRoot saved = store.RootKey();
    store.SetRootKey(RegRoot::LocalMachine);
    const std::int32_t value =
        store.ReadRegInteger(MachineKey, "Close MIDI Device if Minimized", 0);
    store.SetRootKey(saved);
    return (value & 0xFF) != 0;
}

Qt::WindowFlags MainWindowFlags(bool withMinimizeBox) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (withMinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

} // namespace

TForm1::TForm1(MidiOutService& midi, PreferencesStore& store, Options options, Unstarted)
    : QMainWindow(nullptr, MainWindowFlags(options.isNtBelow4))
    , midi_(midi)
    , store_(store)
    , options_(std::move(options)) {
    setObjectName(QStringLiteral("Form1"));
    // Named by its caption also while minimised, when Qt would read the (empty) icon text.
    connect(this, &QWidget::windowTitleChanged, this, &QWidget::setAccessibleName);
    setWindowTitle(AppTitle());
    BuildWindow();
    MidiOutput1 = std::make_unique<TMidiOutput>(midi, TMidiOutput::CountLater{});
    Mixer = std::make_unique<MixerPanels>(client_, *MidiOutput1);
    Mixer->SetResetButton(ResetButton);
    Mixer->windowVisible = [this] { return isVisible(); };
    ConnectCommands();
    Mixer->VolumeTrackBar->setFocus(); // opens on its first control in reading order
    setWindowIcon(AppIcon());          // the other windows get it once the start is not refused
}

TForm1::TForm1(MidiOutService& midi, PreferencesStore& store, Options options)
    : TForm1(midi, store, std::move(options), Unstarted{}) {
    Start();
}

void TForm1::Start() {
    started_ = true;
    MidiOutput1->RecountDevices();
    WatchMapperPatch();
    try {
        MidiOutput1->ApplyStoredDescription();
        FormCreate();
    } catch (const std::exception& error) {
        MixerApplication::ReportError(QString::fromUtf8(error.what()));
    }
    creating_ = false;
}

// A window thrown away unstarted leaves the preferences as they were.
TForm1::~TForm1() {
    if (started_) {
        StopWatchingMapperPatch();
        FormDestroy();
    }
    qApp->removeEventFilter(this);
}

void TForm1::FormCreate() {
    // The minimised state is set as the window first shows (setVisible): setting it now would
    // make the native window at once, and a window made before it is placed takes its position
    // for the client area's instead of the frame's.
    startMinimized_ = options_.isNtBelow4;
    QApplication::setWindowIcon(windowIcon());
    qApp->installEventFilter(this); // AppMessageHook
    if (!options_.arguments.isEmpty()) {
        SettingsFileName = options_.arguments.first();
    } else {
        RegisterFileType();
        SettingsFileName = QString::fromStdString(DefaultSettingsFilePath());
    }
    ReadWindowPreferences();
    MIDIButtonClick();
    ChooseOutputDevice(*MidiOutput1, store_);
    awaitedDevice_ = AwaitedDevice(*MidiOutput1, store_);
    ShowDeviceName();
    OpenDevice();
    LoadSettingsFile();
    setAcceptDrops(true);
    if (CloseDeviceWhenMinimized)
        MidiOutput1->Close();
}

// Steps 5 to 8 of the start-up: timer period, place, hints, device flag.
void TForm1::ReadWindowPreferences() {
    Mixer->SetRefreshInterval(store_.ReadRegInteger(SettingsKey, "Periodic Delay", 250));
    PlaceWindow();
    ApplyHintPreference();
    CloseDeviceWhenMinimized = ReadCloseDeviceWhenMinimized(store_);
    if (CloseDeviceWhenMinimized) {
        for (TCheckBox* box : {Mixer->PeriodicRefresh, Mixer->MIDIRefresh}) {
            box->setEnabled(false);
            box->setVisible(false);
        }
    } else {
        EnableDeviceCheckBox->setVisible(false);
    }
}

void TForm1::ApplyHintPreference() {
    const bool hints = store_.ReadRegString(SettingsKey, "Display Hints", "True") != "False";
    HintSwitch::Install(*qApp).SetHintsShown(hints);
}

void TForm1::FormDestroy() {
    SavePosition();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm1::FormShow() {
    if (options_.isNtBelow4)
        return;
    ResumeShownWindow();
    QCoreApplication::postEvent(this, new QEvent(WM_SHOWLOCKWARNING));
}

// What closing the window to the tray stopped: the device and the refresh.
void TForm1::ResumeShownWindow() {
    if (CloseDeviceWhenMinimized && EnableDeviceCheckBox->isChecked())
        OpenDevice();
    Mixer->ResumeRefresh();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (options_.isNtBelow4) { // FormCloseQuery: this window ends the program
        StopTimer();
        ReleasePort();
        event->accept();
        return;
    }
    if (CloseDeviceWhenMinimized)
        MidiOutput1->Close();
    Mixer->StopRefresh();
    event->accept(); // hides the window; the program goes on in the tray
}

// Minimising: the window's own command.
void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool minimized = isMinimized();
    if (minimized && !wasMinimized_ && CloseDeviceWhenMinimized && MidiOutput1)
        MidiOutput1->Close();
    wasMinimized_ = minimized;
    CentreOnFrame();
}

// AppMessageHook: a restore of the window reopens the device and asks for the lock warning.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool restored = (change->oldState() & Qt::WindowMinimized) && !isMinimized();
        if (restored) {
            if (CloseDeviceWhenMinimized && EnableDeviceCheckBox->isChecked())
                OpenDevice();
            QCoreApplication::postEvent(this, new QEvent(WM_SHOWLOCKWARNING));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event) {
    if (event->type() == WM_OPENSETTINGSFILE) {
        ShowAndRaise();
        OpenNamedSettingsFile(static_cast<OpenSettingsFileEvent*>(event)->Path());
        return true;
    }
    if (event->type() == WM_SHOWLOCKWARNING) {
        ShowLockWarning();
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::ShowLockWarning() {
    if (lockWarning_ != nullptr)
        lockWarning_->ShowLockWarning();
}

void TForm1::ShowAndRaise() {
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    }
    DropFiles(paths);
}

void TForm1::DropFiles(const QStringList& paths) {
    for (const QString& path : paths)
        OpenNamedSettingsFile(path);
}

void TForm1::OpenNamedSettingsFile(const QString& path) {
    if (!HasMixExtension(path.toStdString()) || !EnableDeviceCheckBox->isChecked())
        return;
    SettingsFileName = path;
    LoadSettingsFile();
}

QString TForm1::SettingsDisplayName() const {
    return QString::fromStdString(SettingsDisplayNameOf(SettingsFileName.toStdString()));
}

void TForm1::ShowDeviceName() {
    StatusBar1->setText(QString::fromStdString(MidiOutput1->ProductName()));
}

void TForm1::StopTimer() {
    Mixer->StopRefresh();
}

// The port object stays, since the panels send through it; releasing it means closing the
// device for good.
void TForm1::ReleasePort() {
    MidiOutput1->Close();
}

void TForm1::Exit1Click() {
    QCoreApplication::quit();
}

} // namespace vireo
