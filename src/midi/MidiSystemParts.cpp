#include "midi/MidiSystemParts.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cctype>
#include <jack/jack.h>
#include <regex>

namespace vireo {
namespace {

void QuietJack(const char*) {}

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Length of a " [digits]" at `at`, or 0.
std::size_t ClientIdAt(const std::string& name, std::size_t at) {
    if (name.compare(at, 2, " [") != 0)
        return 0;
    std::size_t end = at + 2;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])) != 0)
        ++end;
    if (end == at + 2 || end >= name.size() || name[end] != ']')
        return 0;
    return end + 1 - at;
}

} // namespace

void ChangeNotifier::set(MidiSystem::ChangeListener listener) {
    const std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void ChangeNotifier::notify() {
    const std::lock_guard lock(mutex_);
    if (listener_)
        listener_();
}

std::optional<MidiSystem::Port> FindPortByName(const std::vector<MidiSystem::Port>& ports,
                                               const std::string& name) {
    const auto found = std::find_if(ports.begin(), ports.end(), [&](const MidiSystem::Port& port) {
        return port.name == name;
    });
    if (found == ports.end())
        return std::nullopt;
    return *found;
}

std::string CleanPortName(const std::string& name) {
    static const std::regex sequencerIds(R"( \d+:\d+$)");
    std::string clean;
    clean.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        if (const std::size_t id = ClientIdAt(name, at)) {
            at += id;
            continue;
        }
        clean += name[at++];
    }
    return std::regex_replace(clean, sequencerIds, "");
}

void SilenceMidiLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(QuietJack);
        jack_set_info_function(QuietJack);
        snd_lib_error_set_handler(QuietAlsa);
    });
}

} // namespace vireo
