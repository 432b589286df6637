// The floor for the start-up and memory measurements: the least a Qt Widgets program does
// to put one window on the screen. It prints one line when its window is first shown and
// then idles until it is ended, so that its resident set can be read like the mixer's.
// With --text the window also holds a label and a button, so that the fonts and the style's
// drawing are loaded as in any window that shows text.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

class FloorWindow : public QWidget {
protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (announced_)
            return;
        announced_ = true;
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
    }

private:
    bool announced_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    FloorWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.resize(632, 288);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("MASTER"), &window));
        layout->addWidget(new QPushButton(QStringLiteral("R&eset"), &window));
    }
    window.show();
    return app.exec();
}
