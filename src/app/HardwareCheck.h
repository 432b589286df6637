#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vireo {

// Platform identification as the operating system's version query reports it.
enum PlatformId : int {
    kPlatformOther = 0,
    kPlatformWindows95 = 1,
    kPlatformNt = 2,
};

struct PlatformVersion {
    int platformId = kPlatformOther;
    int majorVersion = 0;
};

// The version of the running system; nullopt when the query fails. Off Windows the platform
// is "other".
std::optional<PlatformVersion> QueryPlatformVersion();

// True on the NT family before version 4; false in every other case, a failed query included.
bool IsNtBelow4(const std::optional<PlatformVersion>& version);
// The value for this run, computed once.
bool IsNtBelow4();

// The synthesizer's driver files for a platform, tried in this order, each appended to the
// system folder. Empty for a platform that has none to look for.
std::span<const std::string_view> SynthDriverEntries(int platformId);

using FileExistsFn = std::function<bool(const std::string& path)>;

// Succeeds at the first entry that exists below systemDir (which has no trailing separator),
// and at once for a platform without entries.
bool SynthDriverPresent(int platformId, const std::string& systemDir, const FileExistsFn& exists);
// The probe on this machine; a failed version query counts as a platform without entries.
bool SynthDriverPresent();

// At least one MIDI output device and one mixer device. The mixer count is asked only when
// the MIDI output count is at least 1.
bool MidiDevicesPresent(unsigned midiCount, const std::function<int()>& mixerCount);

// The three probes of the hardware check; each is asked only when the one before passed.
struct HardwareProbes {
    std::function<bool()> driverPresent = [] { return SynthDriverPresent(); };
    std::function<unsigned()> midiOutCount;
    std::function<int()> mixerCount;
};

// The driver probe, then the device counts.
bool HardwarePresent(const HardwareProbes& probes);

// Shows the hardware error (string 10001) in a message box captioned AppTitle with the error
// icon, after writing it on standard error. Returns when the box is closed.
void ReportHardwareMissing();

// Longest application title: the table's text is read into a buffer of 61 characters.
inline constexpr int kAppTitleMaxLength = 60;

// text cut to kAppTitleMaxLength characters, never between the halves of a surrogate pair.
QString LimitAppTitle(QString text);

// String 10000, loaded once and kept for the run.
const QString& AppTitle();
// AppTitle followed by " -": the head of the main window's caption once a file is loaded.
QString InstancePrefix();

} // namespace vireo
