#include "app/HardwareCheck.h"

#include "InstanceTestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// Records the paths probed; the ones in `present` exist.
struct FileProbe {
    std::vector<std::string> present;
    std::vector<std::string> asked;

    FileExistsFn fn() {
        return [this](const std::string& path) {
            asked.push_back(path);
            return std::find(present.begin(), present.end(), path) != present.end();
        };
    }
};

TEST(HardwareCheckTest, DriverProbeTriesThePlatformsFilesInOrderUntilOneExists) {
    FileProbe probe{{"C:\\WIN\\SYSTEM\\Vrxsa2.drv"}, {}};
    EXPECT_TRUE(SynthDriverPresent(kPlatformWindows95, "C:\\WIN\\SYSTEM", probe.fn()));
    EXPECT_THAT(probe.asked, ElementsAre("C:\\WIN\\SYSTEM\\vrx4.drv", "C:\\WIN\\SYSTEM\\Vrxsa.drv",
                                         "C:\\WIN\\SYSTEM\\Vrxsa2.drv"));

    FileProbe none;
    EXPECT_FALSE(SynthDriverPresent(kPlatformNt, "C:\\NT\\system32", none.fn()));
    EXPECT_THAT(none.asked, ElementsAre("C:\\NT\\system32\\Drivers\\vrp.sys",
                                        "C:\\NT\\system32\\Drivers\\Vrxsa.sys",
                                        "C:\\NT\\system32\\Vrxsa32.dll"));
}

TEST(HardwareCheckTest, OtherPlatformsPassTheDriverProbeWithoutLooking) {
    FileProbe probe;
    EXPECT_TRUE(SynthDriverPresent(kPlatformOther, "/nowhere", probe.fn()));
    EXPECT_TRUE(SynthDriverPresent(7, "/nowhere", probe.fn()));
    EXPECT_THAT(probe.asked, IsEmpty());
    EXPECT_TRUE(SynthDriverPresent()) << "this machine identifies as another platform";
    EXPECT_FALSE(IsNtBelow4());
}

TEST(HardwareCheckTest, NtBelow4OnlyForTheNtFamilyBeforeVersion4) {
    EXPECT_TRUE(IsNtBelow4(PlatformVersion{kPlatformNt, 3}));
    EXPECT_FALSE(IsNtBelow4(PlatformVersion{kPlatformNt, 4}));
    EXPECT_FALSE(IsNtBelow4(PlatformVersion{kPlatformWindows95, 3}));
    EXPECT_FALSE(IsNtBelow4(PlatformVersion{kPlatformOther, 1}));
    EXPECT_FALSE(IsNtBelow4(std::nullopt));
}

TEST(HardwareCheckTest, DeviceCountsNeedOneOfEachAndAskTheMixerOnlyAfterMidi) {
    int mixerAsked = 0;
    const auto mixers = [&mixerAsked](int count) {
        return [&mixerAsked, count] {
            ++mixerAsked;
            return count;
        };
    };
    EXPECT_FALSE(MidiDevicesPresent(0, mixers(1)));
    EXPECT_EQ(mixerAsked, 0);
    EXPECT_FALSE(MidiDevicesPresent(1, mixers(0)));
    EXPECT_TRUE(MidiDevicesPresent(1, mixers(1)));
    EXPECT_TRUE(MidiDevicesPresent(3, mixers(2)));
    EXPECT_EQ(mixerAsked, 3);
}

TEST(HardwareCheckTest, HardwareCheckStopsAtTheFirstFailingProbe) {
    std::vector<std::string> asked;
    const auto check = [&asked](bool driver, unsigned midi, int mixer) {
        asked.clear();
        return HardwarePresent({[&asked, driver] {
                                    asked.push_back("driver");
                                    return driver;
                                },
                                [&asked, midi] {
                                    asked.push_back("midi");
                                    return midi;
                                },
                                [&asked, mixer] {
                                    asked.push_back("mixer");
                                    return mixer;
                                }});
    };
    EXPECT_FALSE(check(false, 1, 1));
    EXPECT_THAT(asked, ElementsAre("driver"));
    EXPECT_FALSE(check(true, 0, 1));
    EXPECT_THAT(asked, ElementsAre("driver", "midi"));
    EXPECT_TRUE(check(true, 1, 1));
    EXPECT_THAT(asked, ElementsAre("driver", "midi", "mixer"));
}

TEST(HardwareCheckTest, TitleAndInstancePrefixComeFromTheStringTable) {
    EXPECT_EQ(AppTitle(), "Sonexa Vireo Mixer");
    EXPECT_EQ(InstancePrefix(), "Sonexa Vireo Mixer -");
    EXPECT_FALSE(QStringLiteral("Sonexa Vireo Mixer").startsWith(InstancePrefix()));
    EXPECT_TRUE(QStringLiteral("Sonexa Vireo Mixer - Default.mix").startsWith(InstancePrefix()));
}

TEST(HardwareCheckTest, LongTitlesAreCutToSixtyCharactersWithoutSplittingACharacter) {
    EXPECT_EQ(LimitAppTitle(QString(70, 'x')), QString(60, 'x'));
    EXPECT_EQ(LimitAppTitle(QString(60, 'x')), QString(60, 'x'));
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    EXPECT_EQ(LimitAppTitle(QString(59, 'x') + clef + "tail"), QString(59, 'x'));
}

TEST(HardwareCheckTest, HardwareErrorIsAnErrorBoxCaptionedWithTheTitleAndALogLine) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    closer.start(10);
    testing::internal::CaptureStderr();
    ReportHardwareMissing();
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(title, "Sonexa Vireo Mixer");
    EXPECT_EQ(text, "Sonexa Vireo not found or MIDI Output device not found!");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_THAT(logged,
                testing::StartsWith("Sonexa Vireo not found or MIDI Output device not found!\n"));
}

} // namespace
} // namespace vireo
