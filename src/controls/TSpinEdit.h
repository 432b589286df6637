#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vireo {

// Numeric field of a level: a line edit (at most 3 characters, any text) with up/down arrows.
// Its value is the text read as an integer (see ParseSpinText); `changed` runs whenever the
// shown text changes, whoever changed it. Values set by the program, the arrows and leaving
// the field keep the value within 0..127.
class TSpinEdit : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMin = 0;
    static constexpr int kMax = 127;
    static constexpr int kMaxLength = 3;

    explicit TSpinEdit(QWidget* parent = nullptr);

    int Value() const;
    // Shows the value clamped to 0..127; runs `changed` only if the text differs.
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& text);

    QLineEdit* Edit() const { return edit_; }

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(int delta);
    void clampText();

    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
};

// Leading blanks, then an optional sign and decimal digits, or "$" and hexadecimal digits;
// any other text is 0.
int ParseSpinText(const QString& text);

// One of the up/down arrows beside a numeric field: repeats while held, takes no focus.
QToolButton* MakeSpinArrow(Qt::ArrowType arrow, QWidget* parent);

} // namespace vireo
