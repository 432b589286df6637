// The main window's controls outside the mixer panels, the menu, and their commands.
#include "controls/Accessibility.h"
#include "controls/GuardedHandler.h"
#include "controls/LayoutFont.h"
#include "controls/TCheckBox.h"
#include "mixer/MixerPanels.h"
#include "shell/MixerApplication.h"
#include "shell/TForm1.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <initializer_list>

namespace vireo {
namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 288;
constexpr int kStatusBarHeight = 19;

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QRect& bounds,
                        const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(bounds);
    Describe(button, QString(), hint);
    return button;
}

} // namespace

void TForm1::BuildWindow() {
    setFont(LayoutFont());

    client_ = new QWidget(this);
    setCentralWidget(client_);

    Bevel1 = new QFrame(client_);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, kClientWidth, 2);

    BuildMenu();
    BuildBottomRow(client_);
    SetClientWidth(kClientWidth);
}

void TForm1::BuildMenu() {
    File1 = menuBar()->addMenu(tr("&File"));
    Open1 = File1->addAction(tr("&Open..."));
    Save1 = File1->addAction(tr("&Save"));
    Saveas1 = File1->addAction(tr("Save &As..."));
    File1->addSeparator();
    Exit1 = File1->addAction(tr("E&xit"));

    Options1 = menuBar()->addMenu(tr("&Options"));
    Preferences1 = Options1->addAction(tr("&Preferences..."));
    Options1->addSeparator();
    MIDIReset1 = Options1->addMenu(tr("&MIDI Reset"));
    YamahaXG1 = MIDIReset1->addAction(tr("&Yamaha XG"));
    GSTG300B1 = MIDIReset1->addAction(tr("&GS/TG300B"));
    GeneralMIDISystemLevel11 = MIDIReset1->addAction(tr("General &MIDI System Level 1"));

    Help1 = menuBar()->addMenu(tr("&Help"));
    About1 = Help1->addAction(tr("&About"));
}

void TForm1::BuildBottomRow(QWidget* client) {
    EnableDeviceCheckBox = new TCheckBox(tr("E&nable Vireo Mixer"), client);
    EnableDeviceCheckBox->setGeometry(16, 236, 145, 17);
    EnableDeviceCheckBox->setChecked(true);
    Describe(EnableDeviceCheckBox, QString(), tr("Close or Open Vireo MIDI Device"));

    MIDIButton = MakeButton(client, tr("&MIDI  <<"), {192, 232, 75, 25},
                            tr("Expand/Collapse MIDI Control Panel"));
    ResetButton = MakeButton(client, tr("R&eset"), {285, 232, 75, 25},
                             tr("Reset Digital Effects With Current Settings"));
    DefaultButton = MakeButton(client, tr("&Default"), {378, 232, 75, 25},
                               tr("Reset Digital Effects With \"Default.mix\""));

    for (QWidget* control : std::initializer_list<QWidget*>{EnableDeviceCheckBox, MIDIButton,
                                                            ResetButton, DefaultButton})
        GrowToFitCaption(control);

    StatusBar1 = new QLabel(client);
    StatusBar1->setFrameShape(QFrame::Panel);
    StatusBar1->setFrameShadow(QFrame::Sunken);
    StatusBar1->setIndent(3); // the frame lives in the contents margins: leave them be
}

// The commands report their errors themselves (RunGuarded): only the user runs them. The
// device check box is also set by the program, from within other handlers.
void TForm1::ConnectCommands() {
    const auto report = &MixerApplication::ReportError;
    const auto command = [report](auto* sender, auto signal, auto* object, auto handler) {
        QObject::connect(sender, signal, object, Guarded(object, handler, report));
    };
    MixerPanels* mixer = Mixer.get();
    connect(EnableDeviceCheckBox, &TCheckBox::changed, this, &TForm1::EnableDeviceCheckBoxClick);
    command(MIDIButton, &QPushButton::clicked, this, &TForm1::MIDIButtonClick);
    command(ResetButton, &QPushButton::clicked, mixer, &MixerPanels::ResetButtonClick);
    command(DefaultButton, &QPushButton::clicked, this, &TForm1::DefaultButtonClick);
    command(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    command(Save1, &QAction::triggered, this, &TForm1::Save1Click);
    command(Saveas1, &QAction::triggered, this, &TForm1::Saveas1Click);
    command(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    command(Preferences1, &QAction::triggered, this, &TForm1::Preferences1Click);
    command(About1, &QAction::triggered, this, &TForm1::About1Click);
    command(YamahaXG1, &QAction::triggered, mixer, &MixerPanels::YamahaXG1Click);
    command(GSTG300B1, &QAction::triggered, mixer, &MixerPanels::GSTG300B1Click);
    command(GeneralMIDISystemLevel11, &QAction::triggered, mixer,
            &MixerPanels::GeneralMIDISystemLevel11Click);
    mixer->errorReport = report;
    connect(mixer, &MixerPanels::lockWarningRequested, this,
            [this] { QCoreApplication::postEvent(this, new QEvent(WM_SHOWLOCKWARNING)); });
}

void TForm1::SetClientWidth(int width) {
    client_->setFixedSize(width, kClientHeight);
    Bevel1->resize(width, 2);
    StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, width, kStatusBarHeight);
    setFixedSize(width, kClientHeight + menuBar()->sizeHint().height());
}

QSize TForm1::ClientSize() const {
    return client_->size();
}

} // namespace vireo
