#include "app/HardwareCheck.h"

#include "platform/StringTable.h"

#include <QFileInfo>
#include <QMessageBox>
#include <array>
#include <cstdio>

namespace vireo {
namespace {

constexpr std::array<std::string_view, 4> kWindows95Drivers = {"\\vrx4.drv", "\\Vrxsa.drv",
                                                               "\\Vrxsa2.drv", "\\Vrxsa3.drv"};
// The last one lies in the system folder itself, not under Drivers.
constexpr std::array<std::string_view, 3> kNtDrivers = {"\\Drivers\\vrp.sys",
                                                        "\\Drivers\\Vrxsa.sys", "\\Vrxsa32.dll"};

bool NativeFileExists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

// The system folder with no trailing separator; empty where the platform has none.
std::string SystemDirectory() {
    return {};
}

} // namespace

std::optional<PlatformVersion> QueryPlatformVersion() {
    return PlatformVersion{kPlatformOther, 0};
}

bool IsNtBelow4(const std::optional<PlatformVersion>& version) {
    return version && version->platformId == kPlatformNt && version->majorVersion < 4;
}

bool IsNtBelow4() {
    static const bool value = IsNtBelow4(QueryPlatformVersion());
    return value;
}

std::span<const std::string_view> SynthDriverEntries(int platformId) {
    switch (platformId) {
    case kPlatformWindows95:
        return kWindows95Drivers;
    case kPlatformNt:
        return kNtDrivers;
    default:
        return {};
    }
}

bool SynthDriverPresent(int platformId, const std::string& systemDir, const FileExistsFn& exists) {
    const auto entries = SynthDriverEntries(platformId);
    if (entries.empty())
        return true;
    for (const std::string_view entry : entries) {
        if (exists(systemDir + std::string(entry)))
            return true;
    }
    return false;
}

bool SynthDriverPresent() {
    const auto version = QueryPlatformVersion();
    const int platformId = version ? version->platformId : kPlatformOther;
    return SynthDriverPresent(platformId, SystemDirectory(), NativeFileExists);
}

bool MidiDevicesPresent(unsigned midiCount, const std::function<int()>& mixerCount) {
    return midiCount >= 1 && mixerCount() >= 1;
}

bool HardwarePresent(const HardwareProbes& probes) {
    return probes.driverPresent() && MidiDevicesPresent(probes.midiOutCount(), probes.mixerCount);
}

void ReportHardwareMissing() {
    const QString text = QString::fromStdString(LoadStr(IDS_HARDWARE_MISSING));
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok);
    box.exec();
}

QString LimitAppTitle(QString text) {
    if (text.size() <= kAppTitleMaxLength)
        return text;
    int length = kAppTitleMaxLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    text.truncate(length);
    return text;
}

const QString& AppTitle() {
    static const QString title = LimitAppTitle(QString::fromStdString(LoadStr(IDS_APPTITLE)));
    return title;
}

QString InstancePrefix() {
    return AppTitle() + QStringLiteral(" -");
}

} // namespace vireo
