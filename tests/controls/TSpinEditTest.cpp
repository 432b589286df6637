#include "controls/TSpinEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(ParseSpinText, ReadsDecimalAndDollarHexAndCountsEverythingElseAsZero) {
    const std::pair<const char*, int> cases[] = {
        {"12", 12},   {"  7", 7},   {"+5", 5},   {"-5", -5}, {"007", 7},
        {"$7F", 127}, {"$7f", 127}, {" $a", 10}, {"", 0},    {"-", 0},
        {"+", 0},     {"$", 0},     {"1a", 0},   {"7 ", 0},  {"$-1", 0},
        {"-$1", 0},   {"0x1", 0},   {"1.5", 0},  {"   ", 0}, {"99999999999", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseSpinText(QString::fromLatin1(text)), value) << '"' << text << '"';
}

class TSpinEditTest : public testing::Test {
protected:
    TSpinEditTest() {
        field.SetValue(64);
        QObject::connect(&field, &TSpinEdit::changed, [this] { seen.push_back(field.Text()); });
    }

    QLineEdit* edit() { return field.Edit(); }

    TSpinEdit field;
    QStringList seen;
};

TEST_F(TSpinEditTest, TypedTextOfAnyKindIsShownUpToThreeCharactersAndReportedPerChange) {
    edit()->selectAll();
    QTest::keyClicks(edit(), "2004");
    EXPECT_EQ(seen, (QStringList{"2", "20", "200"}));
    EXPECT_EQ(field.Value(), 200); // not limited while typing

    edit()->selectAll();
    QTest::keyClicks(edit(), "x-");
    EXPECT_EQ(field.Text(), "x-");
    EXPECT_EQ(field.Value(), 0);
}

TEST_F(TSpinEditTest, ValueSetByTheProgramIsClampedAndASameTextChangesNothing) {
    field.SetValue(200);
    EXPECT_EQ(field.Text(), "127");
    field.SetValue(-3);
    EXPECT_EQ(field.Text(), "0");
    field.SetValue(0);
    field.SetText("0");
    EXPECT_EQ(seen, (QStringList{"127", "0"}));
}

TEST_F(TSpinEditTest, UpDownKeysAndArrowsStepByOneWithinTheRange) {
    QTest::keyClick(edit(), Qt::Key_Up);
    QTest::keyClick(edit(), Qt::Key_Down);
    QTest::keyClick(edit(), Qt::Key_Down);
    EXPECT_EQ(seen, (QStringList{"65", "64", "63"}));

    const auto arrows = field.findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
    QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];
    field.resize(43, 22);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(field.Text(), "64");
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(field.Text(), "63");

    field.SetValue(127);
    seen.clear();
    QTest::keyClick(edit(), Qt::Key_Up);
    EXPECT_TRUE(seen.isEmpty());
    edit()->setText("300");
    QTest::keyClick(edit(), Qt::Key_Down); // 299, clamped
    EXPECT_EQ(field.Text(), "127");
}

class TSpinEditFocusTest : public testing::Test {
protected:
    TSpinEditFocusTest()
        : field(new TSpinEdit(&window))
        , other(new QLineEdit(&window)) {
        field->setGeometry(0, 0, 43, 22);
        other->setGeometry(0, 30, 43, 22);
        window.show();
        window.activateWindow();
    }

    void typeThenLeave(const QString& text) {
        field->setFocus();
        field->Edit()->selectAll();
        QTest::keyClicks(field->Edit(), text);
        other->setFocus();
    }

    QWidget window;
    TSpinEdit* field;
    QLineEdit* other;
};

TEST_F(TSpinEditFocusTest, LeavingTheFieldClampsOnlyValuesOutsideTheRange) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    typeThenLeave("200");
    EXPECT_EQ(field->Text(), "127");
    typeThenLeave("-5");
    EXPECT_EQ(field->Text(), "0");
    typeThenLeave("$7");
    EXPECT_EQ(field->Text(), "$7");
    field->setFocus();
    field->Edit()->clear();
    other->setFocus();
    EXPECT_EQ(field->Text(), ""); // empty reads as 0, which is in range
}

} // namespace
} // namespace vireo
