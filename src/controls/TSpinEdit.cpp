#include "controls/TSpinEdit.h"

#include "controls/Accessibility.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace vireo {
namespace {

constexpr int kArrowWidth = 15;
constexpr long long kLargest = 0x7FFFFFFF;

int DigitValue(QChar c, int base) {
    const int d = c.isDigit() ? c.digitValue()
                  : (c.toLower() >= QChar('a') && c.toLower() <= QChar('f'))
                      ? c.toLower().unicode() - 'a' + 10
                      : -1;
    return d >= 0 && d < base ? d : -1;
}

// Digits from `from` to the end of the text in `base`; -1 when there are none or one is bad.
long long ReadDigits(const QString& text, qsizetype from, int base) {
    if (from >= text.size())
        return -1;
    long long value = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0)
            return -1;
        value = value * base + d;
        if (value > kLargest)
            return -1;
    }
    return value;
}

} // namespace

QToolButton* MakeSpinArrow(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setAccessibleName(arrow == Qt::UpArrow
                                  ? QCoreApplication::translate("TSpinEdit", "Increase")
                                  : QCoreApplication::translate("TSpinEdit", "Decrease"));
    return button;
}

int ParseSpinText(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QChar(' '))
        ++i;
    if (i < text.size() && text[i] == QChar('$')) {
        const long long value = ReadDigits(text, i + 1, 16);
        return value < 0 ? 0 : int(value);
    }
    bool negative = false;
    if (i < text.size() && (text[i] == QChar('+') || text[i] == QChar('-'))) {
        negative = text[i] == QChar('-');
        ++i;
    }
    const long long value = ReadDigits(text, i, 10);
    if (value < 0)
        return 0;
    return negative ? -int(value) : int(value);
}

TSpinEdit::TSpinEdit(QWidget* parent)
    : QWidget(parent)
    , edit_(new QLineEdit(this))
    , up_(MakeSpinArrow(Qt::UpArrow, this))
    , down_(MakeSpinArrow(Qt::DownArrow, this)) {
    edit_->setMaxLength(kMaxLength);
    edit_->installEventFilter(this);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);
    InstallControlsAccessibility();
    connect(edit_, &QLineEdit::textChanged, this, [this] { AnnounceValue(this, Value()); });
    connect(edit_, &QLineEdit::textChanged, this, &TSpinEdit::changed);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

int TSpinEdit::Value() const {
    return ParseSpinText(edit_->text());
}

void TSpinEdit::SetValue(int value) {
    SetText(QString::number(std::clamp(value, kMin, kMax)));
}

QString TSpinEdit::Text() const {
    return edit_->text();
}

void TSpinEdit::SetText(const QString& text) {
    if (edit_->text() != text)
        edit_->setText(text);
}

void TSpinEdit::step(int delta) {
    SetValue(Value() + delta);
}

void TSpinEdit::clampText() {
    const int value = Value();
    if (value != std::clamp(value, kMin, kMax))
        SetValue(value);
}

bool TSpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    if (watched == edit_ && event->type() == QEvent::FocusOut)
        clampText();
    return QWidget::eventFilter(watched, event);
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int arrowsLeft = std::max(0, width() - kArrowWidth);
    const int half = height() / 2;
    edit_->setGeometry(0, 0, arrowsLeft, height());
    up_->setGeometry(arrowsLeft, 0, width() - arrowsLeft, half);
    down_->setGeometry(arrowsLeft, half, width() - arrowsLeft, height() - half);
}

} // namespace vireo
