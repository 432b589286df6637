#include "dialogs/TFormMessage.h"

#include "controls/LayoutFont.h"
#include "controls/TCheckBox.h"
#include "persistence/PreferencesStore.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace vireo {
namespace {

constexpr int kClientWidth = 226;
constexpr int kClientHeight = 190;
constexpr int kLeft = 16;
constexpr int kLineHeight = 13;
constexpr QSize kFreeEdge{8, 13}; // room right of and below the controls
constexpr std::string_view kNoWarning = "No Warning";

// "No Warning" lives under the user's settings, whatever root the shared store is set to.
class UserRoot {
public:
    explicit UserRoot(PreferencesStore& store)
        : store_(store)
        , saved_(store.RootKey()) {
        store_.SetRootKey(RegRoot::CurrentUser);
    }
    ~UserRoot() { store_.SetRootKey(saved_); }
    UserRoot(const UserRoot&) = delete;
    UserRoot& operator=(const UserRoot&) = delete;

private:
    PreferencesStore& store_;
    RegRoot saved_;
};

} // namespace

TFormMessage::TFormMessage(PreferencesStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    , store_(store) {
    setObjectName(QStringLiteral("FormMessage"));
    setWindowTitle(tr("Sonexa Vireo Mixer"));
    setAccessibleName(windowTitle());
    setModal(true);
    setFont(LayoutFont());
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = addLine("Label1", tr("Locking the Mixer will lock the Variation"), 16, 186);
    Label2 = addLine("Label2", tr("effects in the current state. XG MIDI files  "), 32, 197);
    Label3 = addLine("Label3", tr("which use Variation effects may not"), 48, 167);
    Label4 = addLine("Label4", tr("playback correctly. Generally, do not lock"), 64, 195);
    Label5 = addLine("Label5", tr("the Mixer when playing XG MIDI files."), 80, 176);

    // The five lines are one warning: read as one text when the dialog opens.
    QStringList lines;
    for (const QLabel* line : {Label1, Label2, Label3, Label4, Label5})
        lines << line->text().simplified();
    setAccessibleDescription(lines.join(QChar(' ')));

    NoMessCheckBox = new TCheckBox(tr("Don't display this warning in future."), this);
    NoMessCheckBox->setObjectName(QStringLiteral("NoMessCheckBox"));
    NoMessCheckBox->setGeometry(kLeft, 112, 201, 17);
    connect(NoMessCheckBox, &TCheckBox::changed, this, &TFormMessage::NoMessCheckBoxClick);

    OKButton = new QPushButton(tr("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(76, 144, 75, 25);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::reject); // also Esc: Cancel

    setTabOrder(NoMessCheckBox, OKButton);
    NoMessCheckBox->setFocus();
    FitControls();
    centreOnScreen();
}

// Lines wider than their boxes in the fonts at hand grow, and the dialog with them; the
// button stays in the middle.
void TFormMessage::FitControls() {
    FitCaptions(this);
    GrowToHoldChildren(this, kFreeEdge);
    OKButton->move((width() - OKButton->width()) / 2, OKButton->y());
}

QLabel* TFormMessage::addLine(const char* name, const QString& text, int top, int width) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(kLeft, top, width, kLineHeight);
    return label;
}

// Placed once: when created, and again at the first showing as soon as the window frame
// around it is known (a window manager tells it only once the window is up).
void TFormMessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeWithFrame();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

bool TFormMessage::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        placeWithFrame();
    return QDialog::event(event);
}

void TFormMessage::placeWithFrame() {
    if (placedWithFrame_)
        return;
    centreOnScreen();
    placedWithFrame_ = frameGeometry().size() != size();
}

void TFormMessage::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize outer = frameGeometry().size();
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void TFormMessage::ShowLockWarning() {
    int noWarning = 0;
    {
        const UserRoot user(store_);
        noWarning = store_.ReadRegInteger(SettingsKey, kNoWarning, 0);
    }
    if (noWarning != 0 || isVisible())
        return;
    exec();
}

void TFormMessage::NoMessCheckBoxClick() {
    if (!NoMessCheckBox->Checked())
        return;
    const UserRoot user(store_);
    store_.WriteRegInteger(SettingsKey, kNoWarning, 1);
}

} // namespace vireo
