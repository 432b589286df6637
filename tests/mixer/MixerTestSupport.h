#pragma once

#include "controls/LayoutFont.h"
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"

#include <QLineEdit>
#include <QTest>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace vireo::test {

using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<Bytes>;

// Expected messages, written the way the message tables are.
inline Bytes Master(std::uint8_t level) {
    return {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, level, 0xF7};
}

inline Messages Burst(std::uint8_t controller, std::uint8_t level) {
    Messages burst;
    for (int n = 0; n < 16; ++n)
        burst.push_back({std::uint8_t(0xB0 + n), controller, level});
    return burst;
}

inline Messages ADPair(std::uint8_t address, std::uint8_t level) {
    return {{0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, address, level, 0xF7},
            {0xF0, 0x43, 0x10, 0x4C, 0x10, 0x01, address, level, 0xF7}};
}

inline Bytes Effect(std::uint8_t aa, std::uint8_t mm, std::uint8_t ll) {
    return {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, aa, mm, ll, 0xF7};
}

inline const Bytes kLockOn{0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x01, 0xF7};
inline const Bytes kLockOff{0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x00, 0xF7};

inline Messages Concat(std::initializer_list<Messages> parts) {
    Messages all;
    for (const Messages& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The panels on a hidden window, sending into a simulated service through an open port.
class MixerFixture : public testing::Test {
protected:
    MixerFixture() {
        window.resize(632, 288);
        port.Open();
        service.clearCalls();
    }

    Messages sent() const { return service.sentMessages(); }
    void clearSent() { service.clearCalls(); }

    // Sets a level through its field, then forgets what that sent.
    void presetLevel(TSpinEdit* field, int level) {
        field->SetValue(level);
        clearSent();
    }

    // Types over the field's whole text, as a user who selected it first.
    static void typeInto(TSpinEdit* field, const QString& text) {
        field->Edit()->selectAll();
        QTest::keyClicks(field->Edit(), text);
    }

    static void clearField(TSpinEdit* field) {
        field->Edit()->selectAll();
        QTest::keyClick(field->Edit(), Qt::Key_Backspace);
    }

    // The user picks the item with this text from the keyboard.
    static void pick(TComboBox* box, const QString& text) {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        if (index > 0) {
            box->SetItemIndex(index - 1);
            QTest::keyClick(box, Qt::Key_Down);
        } else {
            box->SetItemIndex(1);
            QTest::keyClick(box, Qt::Key_Up);
        }
        ASSERT_EQ(box->ItemIndex(), index);
    }

    // The text of the port error that `action` raises, or "" when it raises none.
    template <typename F> static std::string errorOf(F&& action) {
        try {
            action();
        } catch (const EmidioutputError& error) {
            return error.what();
        }
        return {};
    }

    SimulatedMidiService service{{"Synth"}};
    TMidiOutput port{service};
    // The main window's font, which the panels are laid out for.
    struct MainWindowFace : QWidget {
        MainWindowFace() { setFont(LayoutFont()); }
    };
    MainWindowFace window;
    MixerPanels panels{&window, port};
};

} // namespace vireo::test
