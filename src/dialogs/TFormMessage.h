#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vireo {

class PreferencesStore;
class TCheckBox;

// The lock warning: tells the user what locking the digital part does to XG files. Created
// once and reused; between showings it is hidden, so its check box keeps its state.
class TFormMessage : public QDialog {
    Q_OBJECT
public:
    // Reads and writes "No Warning" of the user's settings in `store`.
    explicit TFormMessage(PreferencesStore& store, QWidget* parent = nullptr);

    // The window's handling of a lock warning request: shows the dialog modally unless
    // "No Warning" is set or the dialog is already showing.
    void ShowLockWarning();

    // Checking the box turns the warning off at once; unchecking writes nothing.
    void NoMessCheckBoxClick();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    TCheckBox* NoMessCheckBox = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FitControls();
    void placeWithFrame();
    QLabel* addLine(const char* name, const QString& text, int top, int width);
    void centreOnScreen();

    PreferencesStore& store_;
    bool placedWithFrame_ = false;
};

} // namespace vireo
