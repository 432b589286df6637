// The floor for the start-up and memory measurements: the least a Qt Widgets program does
// to put one window on the screen. It prints one line when its window is first shown and
// then idles until it is ended, so that its resident set can be read like the mixer's.
// With --text the window also holds a label and a button, so that the fonts and the style's
// drawing are loaded as in any window that shows text. Built as a module as well, for the JACK
// floor that is also a window (bench/jack_floor.c --window), which loads it with dlopen and
// runs QtFloorRun.
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
public:
    explicit FloorWindow(void (*shown)())
        : shown_(shown) {}

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (announced_)
            return;
        announced_ = true;
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        if (shown_ != nullptr)
            shown_();
    }

private:
    void (*shown_)();
    bool announced_ = false;
};

} // namespace

// Shows the window and runs the event loop; `shown`, when given, is called once it is shown.
extern "C" Q_DECL_EXPORT int QtFloorRun(int argc, char* argv[], void (*shown)()) {
    QApplication app(argc, argv);
    FloorWindow window(shown);
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

#ifndef QT_FLOOR_MODULE
int main(int argc, char* argv[]) {
    return QtFloorRun(argc, argv, nullptr);
}
#endif
