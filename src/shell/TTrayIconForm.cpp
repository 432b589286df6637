#include "shell/TTrayIconForm.h"

#include "controls/GuardedHandler.h"
#include "icons/AppIcon.h"
#include "shell/MixerApplication.h"
#include "shell/TTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>

namespace vireo {
namespace {

constexpr QRect kDesignBounds{223, 191, 212, 113};
constexpr int kOffScreenLeft = -5000;

void Run(const std::function<void()>& hook) {
    if (hook)
        hook();
}

} // namespace

TTrayIconForm::TTrayIconForm(Hooks hooks, QWidget* parent)
    : QWidget(parent)
    , hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("TrayIconForm"));
    setWindowTitle(QStringLiteral("Sonexa Vireo Mixer"));
    setGeometry(kDesignBounds);
    // Hiding or closing the other windows must not end the program while this form lives.
    QApplication::setQuitOnLastWindowClosed(false);
    CreateMenu();
    CreateTrayIcon();
    FormCreate();
}

TTrayIconForm::~TTrayIconForm() = default;

void TTrayIconForm::CreateMenu() {
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    openSonexaVireoMixer1_ =
        AddItem("OpenSonexaVireoMixer1", QStringLiteral("&Open Sonexa Vireo Mixer"),
                &TTrayIconForm::OpenSonexaVireoMixer1Click);
    preferences2_ = AddItem("Preferences2", QStringLiteral("&Preferences..."),
                            &TTrayIconForm::Preferences2Click);
    about2_ = AddItem("About2", QStringLiteral("&About"), &TTrayIconForm::About2Click);
    exit2_ = AddItem("Exit2", QStringLiteral("E&xit"), &TTrayIconForm::Exit2Click);
}

QAction* TTrayIconForm::AddItem(const char* name, const QString& caption,
                                void (TTrayIconForm::*click)()) {
    QAction* item = popupMenu1_->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, Guarded(this, click, &MixerApplication::ReportError));
    return item;
}

// Icon and tip go in before the icon is shown, so it comes up whole.
void TTrayIconForm::CreateTrayIcon() {
    trayIcon1_ = new TTrayIcon(this);
    trayIcon1_->setObjectName(QStringLiteral("TrayIcon1"));
    trayIcon1_->SetIcon(AppIcon());
    trayIcon1_->SetToolTip(QStringLiteral("Sonexa Vireo Mixer"));
    trayIcon1_->OnClick = [this](TTrayIcon*) { OpenSonexaVireoMixer1Click(); };
    trayIcon1_->SetPopupMenu(popupMenu1_);
    trayIcon1_->SetActive(true);
}

void TTrayIconForm::FormCreate() {
    move(kOffScreenLeft, y());
    hide();
}

bool TTrayIconForm::FormCloseQuery() {
    Run(hooks_.stopTimer);
    Run(hooks_.releasePort);
    return true;
}

void TTrayIconForm::closeEvent(QCloseEvent* event) {
    event->setAccepted(FormCloseQuery());
    if (event->isAccepted())
        QCoreApplication::quit();
}

// While a modal dialog is open the main window cannot be used: the dialog comes to the front.
void TTrayIconForm::OpenSonexaVireoMixer1Click() {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        if (dialog->isMinimized())
            dialog->showNormal();
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    Run(hooks_.showMainWindow);
}

void TTrayIconForm::Preferences2Click() {
    Run(hooks_.preferences);
}

void TTrayIconForm::About2Click() {
    Run(hooks_.about);
}

void TTrayIconForm::Exit2Click() {
    if (hooks_.exit)
        hooks_.exit();
    else
        QCoreApplication::quit();
}

} // namespace vireo
