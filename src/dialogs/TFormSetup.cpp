#include "dialogs/TFormSetup.h"

#include "controls/Accessibility.h"
#include "controls/LayoutFont.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"
#include "midi/DeviceSelection.h"
#include "midi/TMidiOutput.h"
#include "persistence/PreferencesStore.h"
#include "platform/StringTable.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <limits>

namespace vireo {
namespace {

constexpr int kClientWidth = 353;
constexpr int kClientHeight = 166;
constexpr int kFieldsLeft = 128; // the column of the fields, right of the captions
constexpr int kCaptionGap = 8;
constexpr QSize kFreeEdge{8, 13}; // room right of and below the controls
constexpr int kDelayMaxLength = 4;
constexpr int kDelayMax = 9999;
constexpr std::string_view kDeviceName = "DeviceName";
constexpr std::string_view kDisplayHints = "Display Hints";
constexpr std::string_view kPeriodicDelay = "Periodic Delay";
constexpr std::string_view kNoWarning = "No Warning";

[[noreturn]] void RaiseNotInteger(const QString& text) {
    throw EConvertError("'" + text.toStdString() + "' is not a valid integer value");
}

Qt::WindowFlags DialogFlags() {
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

} // namespace

int StrToInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QChar(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QChar('+') || text[i] == QChar('-'))) {
        negative = text[i] == QChar('-');
        ++i;
    }
    if (i == text.size())
        RaiseNotInteger(text);
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                     : std::numeric_limits<int>::max();
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            RaiseNotInteger(text);
        value = value * 10 + (c - u'0');
        if (value > limit)
            RaiseNotInteger(text);
    }
    return static_cast<int>(negative ? -value : value);
}

// --- TUpDown ---

TUpDown::TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent)
    , buddy_(buddy)
    , up_(MakeSpinArrow(Qt::UpArrow, this))
    , down_(MakeSpinArrow(Qt::DownArrow, this))
    , min_(min)
    , max_(max) {
    setFocusPolicy(Qt::TabFocus);
    buddy_->installEventFilter(this);
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::Step(int delta) {
    bool shownIsNumber = false;
    const int shown = buddy_->text().trimmed().toInt(&shownIsNumber, 10);
    const long long from = shownIsNumber ? shown : position_;
    position_ = static_cast<int>(std::clamp<long long>(from + delta, min_, max_));
    buddy_->setText(QString::number(position_));
}

bool TUpDown::StepByKey(int key) {
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    Step(key == Qt::Key_Up ? 1 : -1);
    return true;
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress &&
        StepByKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TUpDown::keyPressEvent(QKeyEvent* event) {
    if (!StepByKey(event->key()))
        QWidget::keyPressEvent(event);
}

// The arrows leave a one-pixel ring free, where the tab stop shows its focus.
void TUpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int half = inner.height() / 2;
    up_->setGeometry(inner.x(), inner.y(), inner.width(), half);
    down_->setGeometry(inner.x(), inner.y() + half, inner.width(), inner.height() - half);
}

void TUpDown::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Highlight));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- TFormSetup ---

TFormSetup::TFormSetup(Context context, QWidget* parent)
    : QDialog(parent, DialogFlags())
    , context_(std::move(context)) {
    setObjectName(QStringLiteral("FormSetup"));
    setWindowTitle(tr("Preferences"));
    setAccessibleName(windowTitle());
    setModal(true);
    setFont(LayoutFont());
    setFixedSize(kClientWidth, kClientHeight);
    move(157, 84);
    BuildControls();
    SetTabOrder();
    DevicesComboBox->setFocus();
    try {
        FormCreate();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    }
    FitControls(); // after the device list is filled
}

TFormSetup::~TFormSetup() {
    if (!closed_)
        FormClose();
}

QLabel* TFormSetup::AddLabel(const char* name, const QString& caption, const QRect& geometry) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

void TFormSetup::BuildControls() {
    Label1 = AddLabel("Label1", tr("&MIDI Devices Output:"), {8, 8, 103, 13});
    DevicesComboBox = new TComboBox(this);
    DevicesComboBox->setObjectName(QStringLiteral("DevicesComboBox"));
    DevicesComboBox->setGeometry(128, 5, 217, 21);
    Label1->setBuddy(DevicesComboBox);

    CheckHints = new TCheckBox(tr("&Display Hints"), this);
    CheckHints->setObjectName(QStringLiteral("CheckHints"));
    CheckHints->setGeometry(8, 40, 97, 17);
    WarningCheckBox = new TCheckBox(tr("Display &Warning"), this);
    WarningCheckBox->setObjectName(QStringLiteral("WarningCheckBox"));
    WarningCheckBox->setGeometry(8, 64, 97, 17);

    Label2 = AddLabel("Label2", tr("&Periodic Refresh Delay:"), {8, 88, 111, 13});
    DelayEdit = new QLineEdit(QStringLiteral("0"), this);
    DelayEdit->setObjectName(QStringLiteral("DelayEdit"));
    DelayEdit->setGeometry(128, 86, 49, 21);
    DelayEdit->setMaxLength(kDelayMaxLength);
    Label2->setBuddy(DelayEdit);
    UpDown1 = new TUpDown(DelayEdit, 0, kDelayMax, this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(177, 86, 15, 21);
    Label3 = AddLabel("Label3", tr("milliseconds"), {200, 88, 56, 13});
    NameAfterCaption(Label1);
    NameAfterCaption(Label2);
    UpDown1->setAccessibleName(tr("Periodic Refresh Delay up-down"));

    OkButton = new QPushButton(tr("OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(174, 128, 75, 25);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &TFormSetup::OkButtonPressed);
    CancelButton = new QPushButton(tr("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(270, 128, 75, 25);
    CancelButton->setAutoDefault(true); // Enter on a focused Cancel cancels
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

// Captions wider than their boxes in the fonts at hand grow; the fields move right of the
// widest caption, and the dialog grows to hold them, its buttons keeping their right edge.
void TFormSetup::FitControls() {
    FitCaptions(this);
    const int captionsRight = std::max(Label1->geometry().right(), Label2->geometry().right());
    const int shift = std::max(0, captionsRight + 1 + kCaptionGap - kFieldsLeft);
    for (QWidget* field :
         std::initializer_list<QWidget*>{DevicesComboBox, DelayEdit, UpDown1, Label3})
        field->move(field->x() + shift, field->y());
    const int oldWidth = width();
    GrowToHoldChildren(this, kFreeEdge);
    for (QWidget* button : std::initializer_list<QWidget*>{OkButton, CancelButton})
        button->move(button->x() + width() - oldWidth, button->y());
}

void TFormSetup::SetTabOrder() {
    QWidget* order[] = {DevicesComboBox, CheckHints, WarningCheckBox, DelayEdit,
                        UpDown1,         OkButton,   CancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormSetup::FormCreate() {
    if (context_.closeDeviceWhenMinimized) {
        for (QWidget* control : std::initializer_list<QWidget*>{Label2, DelayEdit, UpDown1, Label3})
            control->setVisible(false);
    }
    DevicesComboBox->clear();
    savedTimerEnabled_ = context_.timer.isActive();
    context_.timer.stop();
    context_.port.RecountDevices(); // devices come and go while the mixer runs
    if (context_.port.NumDevs() == 0) {
        hasDevices_ = false;
        ReportError(QString::fromStdString(LoadStr(IDS_NO_MIDI_OUTPUT)));
        return;
    }
    FillDeviceList();
    ChooseOutputDevice(context_.port, context_.store);
    DevicesComboBox->SetItemIndex(context_.port.DeviceID() + 1);
    PresetChoices();
}

void TFormSetup::FillDeviceList() {
    TMidiOutput& port = context_.port;
    for (int index = MidiOutService::kMapper; index < port.NumDevs(); ++index) {
        port.SetDeviceID(index);
        DevicesComboBox->AddItem(port.ProductName());
    }
}

void TFormSetup::PresetChoices() {
    CheckHints->SetChecked(context_.hintsShown && context_.hintsShown());
    DelayEdit->setText(QString::number(context_.timer.interval()));
    context_.store.SetRootKey(RegRoot::CurrentUser);
    WarningCheckBox->SetChecked(context_.store.ReadRegInteger(SettingsKey, kNoWarning, 0) == 0);
}

void TFormSetup::OkButtonClick() {
    TMidiOutput& port = context_.port;
    PreferencesStore& store = context_.store;
    store.SetRootKey(RegRoot::CurrentUser);
    port.SetDeviceID(DevicesComboBox->ItemIndex() - 1);
    store.WriteRegString(SettingsKey, kDeviceName, port.ProductName());
    const bool hints = CheckHints->Checked();
    store.WriteRegString(SettingsKey, kDisplayHints, hints ? "True" : "False");
    if (context_.setHintsShown)
        context_.setHintsShown(hints);
    if (!DelayEdit->text().isEmpty()) {
        // A negative period cannot tick, the same as 0.
        context_.timer.setInterval(std::max(0, StrToInt(DelayEdit->text())));
        store.WriteRegInteger(SettingsKey, kPeriodicDelay, context_.timer.interval());
    }
    store.WriteRegInteger(SettingsKey, kNoWarning, WarningCheckBox->Checked() ? 0 : 1);
}

// The result is OK from the press on; the dialog closes even when the handler fails.
void TFormSetup::OkButtonPressed() {
    setResult(Accepted);
    try {
        OkButtonClick();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    }
    accept();
}

int TFormSetup::exec() {
    if (!hasDevices_) {
        done(Rejected); // nothing to choose from; the user has been told
        return result();
    }
    return QDialog::exec();
}

void TFormSetup::open() {
    if (!hasDevices_) {
        done(Rejected);
        return;
    }
    QDialog::open();
}

void TFormSetup::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormSetup::FormClose() {
    closed_ = true;
    // A period of 0 never ticks.
    if (savedTimerEnabled_ && context_.timer.interval() > 0)
        context_.timer.start();
    else
        context_.timer.stop();
}

void TFormSetup::ReportError(const QString& text) const {
    if (context_.showError)
        context_.showError(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace vireo
