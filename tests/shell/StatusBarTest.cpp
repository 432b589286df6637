// The status bar reads as a bar of its own: a frame on every side that stands out from the
// window around it.
#include "shell/MainWindowFixture.h"

#include <QImage>
#include <QLabel>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace vireo {
namespace {

// How far a line of pixels is, on average, from the background, in grey levels.
int Contrast(const std::vector<QRgb>& line, QRgb background) {
    long total = 0;
    for (const QRgb pixel : line)
        total += std::abs(qGray(pixel) - qGray(background));
    return static_cast<int>(total / static_cast<long>(line.size()));
}

TEST(StatusBarFrameTest, StandsOutOnEverySide) {
    test::MainWindowFixture main;
    main.store.WriteRegInteger(SettingsKey, "No Warning", 1); // no modal warning on show
    TForm1& form = main.Create();
    form.show(); // lays the bar out as the user sees it
    QLabel& bar = *form.StatusBar1;
    ASSERT_GT(bar.frameWidth(), 0);
    const QImage image = bar.grab().toImage();
    const QRgb background = form.palette().color(QPalette::Window).rgb();
    std::vector<QRgb> top, bottom, left, right;
    for (int x = 2; x < image.width() - 2; ++x) {
        top.push_back(image.pixel(x, 0));
        bottom.push_back(image.pixel(x, image.height() - 1));
    }
    for (int y = 2; y < image.height() - 2; ++y) {
        left.push_back(image.pixel(0, y));
        right.push_back(image.pixel(image.width() - 1, y));
    }
    // A line that differs by less than this from the window is hard to see.
    constexpr int kVisible = 12;
    EXPECT_GE(Contrast(top, background), kVisible) << "top";
    EXPECT_GE(Contrast(bottom, background), kVisible) << "bottom";
    EXPECT_GE(Contrast(left, background), kVisible) << "left";
    EXPECT_GE(Contrast(right, background), kVisible) << "right";
}

} // namespace
} // namespace vireo
