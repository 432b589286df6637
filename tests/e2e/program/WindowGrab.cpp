// Saves one window of the X display named by DISPLAY as a PNG picture.
// Usage: vireo_window_grab <window id> <file.png>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <window id> <file.png>\n", argv[0]);
        return 2;
    }
    bool isNumber = false;
    const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&isNumber, 0);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!isNumber || screen == nullptr) {
        std::fprintf(stderr, "%s: no window %s on this display\n", argv[0], argv[1]);
        return 1;
    }
    const QPixmap picture = screen->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: could not save window %s to %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }
    return 0;
}
