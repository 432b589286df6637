#pragma once

#include <QDialog>
#include <QLocale>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

namespace vireo {

// The memory figure: whole kilobytes, rounded to the nearest, grouped by threes with the
// locale's separator, followed by " KB".
QString FormatMemoryFigure(std::uint64_t totalBytes, const QLocale& locale = QLocale::system());

// The About box: name, version and the machine's physical memory. Made for one showing.
class TAboutBox1 : public QDialog {
    Q_OBJECT
public:
    // Takes the memory figure from the machine.
    explicit TAboutBox1(QWidget* parent = nullptr);
    TAboutBox1(std::uint64_t totalPhysicalBytes, QWidget* parent);

    // Creates a box, shows it modally and releases it.
    static void Execute(QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateIcon();
    QLabel* AddLabel(const char* name, const QString& text, int left, int top);
    void FitMemoryRow();

    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* MemoryAvail = nullptr;
    QPushButton* OKButton = nullptr;
};

} // namespace vireo
