#include "dialogs/TAboutBox1.h"

#include "controls/LayoutFont.h"
#include "icons/AppIcon.h"
#include "platform/SystemMemory.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace vireo {
namespace {

// Layout at 96 dpi, in device-independent pixels.
constexpr QSize kClientSize{290, 190};
constexpr QRect kPanel1{8, 8, 273, 129};
constexpr QRect kPanel2{12, 12, 41, 41};
constexpr QRect kProgramIcon{6, 4, 32, 32};
constexpr QRect kOKButton{105, 154, 80, 27};
constexpr QPoint kMemoryAvail{211, 96};
constexpr int kMemoryAvailWidth = 54;
constexpr int kPanelRightMargin = kPanel1.width() - (kMemoryAvail.x() + kMemoryAvailWidth);
constexpr int kLabelGap = 4;

constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

} // namespace

QString FormatMemoryFigure(std::uint64_t totalBytes, const QLocale& locale) {
    const std::uint64_t kilobytes = totalBytes / 1024 + (totalBytes % 1024 >= 512 ? 1 : 0);
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(static_cast<qulonglong>(kilobytes)) + QStringLiteral(" KB");
}

TAboutBox1::TAboutBox1(QWidget* parent)
    : TAboutBox1(TotalPhysicalMemory(), parent) {}

TAboutBox1::TAboutBox1(std::uint64_t totalPhysicalBytes, QWidget* parent)
    : QDialog(parent, kFixedDialog) {
    setObjectName(QStringLiteral("AboutBox1"));
    setWindowTitle(QStringLiteral("About Sonexa Vireo Mixer"));
    setAccessibleName(windowTitle());
    setFont(LayoutFont());
    setFixedSize(kClientSize);
    CreateControls();
    MemoryAvail->setText(FormatMemoryFigure(totalPhysicalBytes));
    FitMemoryRow();
}

void TAboutBox1::Execute(QWidget* parent) {
    // The parent may go while the box is open; the guard then knows it is gone.
    QPointer<TAboutBox1> box = new TAboutBox1(parent);
    box->exec();
    delete box.data();
}

void TAboutBox1::CreateControls() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken); // lowered outer, raised inner bevel
    Panel1->setGeometry(kPanel1);
    CreateIcon();
    AddLabel("Label1", QStringLiteral("Sonexa Vireo Mixer"), 88, 12);
    AddLabel("Label2", QStringLiteral("Version 1.3"), 88, 36);
    AddLabel("Label3", QStringLiteral("Mixer panel for the wavetable synthesizer"), 12, 72);
    Label6 = AddLabel("Label6", QStringLiteral("Physical Memory available to Windows:"), 12, 96);
    MemoryAvail = AddLabel("MemoryAvail", QString(), kMemoryAvail.x(), kMemoryAvail.y());

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(kOKButton);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox1::CreateIcon() {
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(kPanel2);
    ProgramIcon = new QLabel(Panel2);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(kProgramIcon);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(AppIcon().pixmap(kProgramIcon.size()));
}

QLabel* TAboutBox1::AddLabel(const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, Panel1);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The figure keeps its place unless the fonts at hand need more room: then it moves right of
// its caption, and the panel and the box grow rather than cut the figure off.
void TAboutBox1::FitMemoryRow() {
    MemoryAvail->adjustSize();
    const int figureWidth = std::max(kMemoryAvailWidth, MemoryAvail->width());
    const int left = std::max(kMemoryAvail.x(), Label6->geometry().right() + 1 + kLabelGap);
    MemoryAvail->setGeometry(left, kMemoryAvail.y(), figureWidth, MemoryAvail->height());

    const int overflow = left + figureWidth + kPanelRightMargin - Panel1->width();
    if (overflow <= 0)
        return;
    Panel1->resize(Panel1->width() + overflow, Panel1->height());
    setFixedSize(kClientSize.width() + overflow, kClientSize.height());
    OKButton->move((width() - OKButton->width()) / 2, OKButton->y());
}

void TAboutBox1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        OKButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}

} // namespace vireo
