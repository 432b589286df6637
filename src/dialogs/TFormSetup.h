#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <stdexcept>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace vireo {

class PreferencesStore;
class TCheckBox;
class TComboBox;
class TMidiOutput;

// A text that does not read as an integer.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a decimal integer: leading blanks, an optional sign, then digits only. Anything else
// raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

// Up/down arrows attached to a line edit: each step reads the edit's number, moves it by one
// within Min..Max (no wrap-around) and writes it back. The Up and Down keys step too, in the
// edit and on the arrows, which are a tab stop of their own and ring themselves when focused.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent = nullptr);

    int Position() const { return position_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool StepByKey(int key);

    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int min_;
    int max_;
    int position_ = 0;
};

// The Preferences dialog: the MIDI output device, control hints, the lock warning and the
// period of the refresh timer. Made for one modal showing. While it exists the refresh timer
// is stopped; every close puts it back as it was.
class TFormSetup : public QDialog {
    Q_OBJECT
public:
    // What the dialog works on; all of it belongs to the main window.
    struct Context {
        TMidiOutput& port; // must be closed
        PreferencesStore& store;
        QTimer& timer; // the refresh timer
        bool closeDeviceWhenMinimized = false;
        std::function<bool()> hintsShown;
        std::function<void(bool)> setHintsShown;
        std::function<void(const QString&)> showError; // the application's error report
    };

    explicit TFormSetup(Context context, QWidget* parent = nullptr);
    ~TFormSetup() override;

    // Applies and stores the choices. Port and conversion errors leave it.
    void OkButtonClick();

    // False when no output device exists: the dialog was told so and shows nothing.
    bool HasDevices() const { return hasDevices_; }
    bool SavedTimerEnabled() const { return savedTimerEnabled_; }

    int exec() override;
    void open() override;
    void done(int result) override;

    QLabel* Label1 = nullptr;
    TComboBox* DevicesComboBox = nullptr;
    TCheckBox* CheckHints = nullptr;
    TCheckBox* WarningCheckBox = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* DelayEdit = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void BuildControls();
    QLabel* AddLabel(const char* name, const QString& caption, const QRect& geometry);
    void FitControls();
    void SetTabOrder();
    void FormCreate();
    void FillDeviceList();
    void PresetChoices();
    void OkButtonPressed();
    void FormClose();
    void ReportError(const QString& text) const;

    Context context_;
    bool savedTimerEnabled_ = false;
    bool hasDevices_ = true;
    bool closed_ = false;
};

} // namespace vireo
