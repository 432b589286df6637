#include "dialogs/TAboutBox1.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace vireo {
namespace {

constexpr std::uint64_t MiB = 1024 * 1024;
constexpr std::uint64_t GiB = 1024 * MiB;

TEST(FormatMemoryFigureTest, GroupsWholeKilobytesWithTheLocalesSeparator) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FormatMemoryFigure(32 * MiB, english), "32,768 KB");
    EXPECT_EQ(FormatMemoryFigure(16 * MiB, english), "16,384 KB");
    EXPECT_EQ(FormatMemoryFigure(3 * GiB, english), "3,145,728 KB");
    EXPECT_EQ(FormatMemoryFigure(32 * MiB, QLocale(QLocale::German, QLocale::Germany)),
              "32.768 KB");
}

TEST(FormatMemoryFigureTest, RoundsToTheNearestKilobyte) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FormatMemoryFigure(1024 + 511, english), "1 KB");
    EXPECT_EQ(FormatMemoryFigure(1024 + 512, english), "2 KB");
    EXPECT_EQ(FormatMemoryFigure(1000 * 1024 - 1, english), "1,000 KB");
    EXPECT_EQ(FormatMemoryFigure(0, english), "0 KB");
}

TEST(FormatMemoryFigureTest, LargeMachinesDoNotWrapAround) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FormatMemoryFigure(4 * GiB, english), "4,194,304 KB");
    EXPECT_EQ(FormatMemoryFigure(64 * GiB, english), "67,108,864 KB");
}

TEST(FormatMemoryFigureTest, GroupsEvenWhereTheLocaleOmitsSeparatorsByDefault) {
    EXPECT_EQ(FormatMemoryFigure(32 * MiB, QLocale::c()), "32,768 KB");
}

class TAboutBox1Test : public testing::Test {
protected:
    template <typename T> T* Child(const TAboutBox1& box, const char* name) {
        auto* child = box.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Text(const TAboutBox1& box, const char* name) {
        return Child<QLabel>(box, name)->text();
    }
};

TEST_F(TAboutBox1Test, ShowsNameVersionAndTheMemoryInTheUsersFormat) {
    const TAboutBox1 box(32 * MiB, nullptr);
    EXPECT_EQ(box.objectName(), "AboutBox1");
    EXPECT_EQ(box.windowTitle(), "About Sonexa Vireo Mixer");
    EXPECT_EQ(Text(box, "Label1"), "Sonexa Vireo Mixer");
    EXPECT_EQ(Text(box, "Label2"), "Version 1.3");
    EXPECT_FALSE(Text(box, "Label3").isEmpty());
    EXPECT_EQ(Text(box, "Label6"), "Physical Memory available to Windows:");

    QString figure = Text(box, "MemoryAvail");
    figure.remove(QLocale::system().groupSeparator());
    EXPECT_EQ(figure, "32768 KB");
    EXPECT_EQ(Child<QPushButton>(box, "OKButton")->text(), "OK");
}

TEST_F(TAboutBox1Test, TakesTheMachinesMemoryByDefault) {
    const TAboutBox1 box;
    const QString figure = Text(box, "MemoryAvail");
    EXPECT_TRUE(figure.endsWith(" KB"));
    EXPECT_NE(figure, "0 KB");
}

TEST_F(TAboutBox1Test, LaysOutAtNinetySixDpi) {
    const TAboutBox1 box(32 * MiB, nullptr);
    EXPECT_EQ(box.height(), 190);
    EXPECT_GE(box.width(), 290);
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    const auto* panel1 = Child<QFrame>(box, "Panel1");
    EXPECT_EQ(panel1->pos(), QPoint(8, 8));
    EXPECT_EQ(panel1->height(), 129);
    EXPECT_EQ(Child<QFrame>(box, "Panel2")->geometry(), QRect(12, 12, 41, 41));
    const auto* icon = Child<QLabel>(box, "ProgramIcon");
    EXPECT_EQ(icon->geometry(), QRect(6, 4, 32, 32));
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_EQ(Child<QLabel>(box, "Label1")->pos(), QPoint(88, 12));
    EXPECT_EQ(Child<QLabel>(box, "Label2")->pos(), QPoint(88, 36));
    EXPECT_EQ(Child<QLabel>(box, "Label3")->pos(), QPoint(12, 72));
    EXPECT_EQ(Child<QLabel>(box, "Label6")->pos(), QPoint(12, 96));

    const auto* ok = Child<QPushButton>(box, "OKButton");
    EXPECT_EQ(ok->size(), QSize(80, 27));
    EXPECT_EQ(ok->y(), 154);
    EXPECT_EQ(ok->x(), (box.width() - 80) / 2);
}

TEST_F(TAboutBox1Test, FigureIsNeverCutOffOrOverCaption) {
    for (std::uint64_t bytes : {32 * MiB, 16 * GiB, 64 * 1024 * GiB}) {
        const TAboutBox1 box(bytes, nullptr);
        const auto* panel1 = Child<QFrame>(box, "Panel1");
        const auto* caption = Child<QLabel>(box, "Label6");
        const auto* figure = Child<QLabel>(box, "MemoryAvail");
        EXPECT_EQ(figure->y(), 96);
        EXPECT_GE(figure->x(), 211);
        EXPECT_GT(figure->x(), caption->geometry().right());
        EXPECT_GE(figure->width(), figure->sizeHint().width());
        EXPECT_LE(figure->geometry().right(), panel1->contentsRect().right()) << bytes;
        EXPECT_LE(panel1->geometry().right(), box.width() - 1 - 8);
        EXPECT_EQ(Child<QPushButton>(box, "OKButton")->x(), (box.width() - 80) / 2);
    }
}

TEST_F(TAboutBox1Test, EnterAndEscapeBothPressOK) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        TAboutBox1 box(32 * MiB, nullptr);
        box.show();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &press);
        EXPECT_FALSE(box.isVisible()) << key;
        EXPECT_EQ(box.result(), QDialog::Accepted) << key;
    }
}

TEST_F(TAboutBox1Test, ExecuteShowsAModalBoxAndReleasesIt) {
    QWidget owner;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TAboutBox1*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        wasModal = box->isModal();
        box->findChild<QPushButton*>("OKButton")->click();
    });
    TAboutBox1::Execute(&owner);
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(owner.findChildren<TAboutBox1*>().isEmpty());
}

} // namespace
} // namespace vireo
