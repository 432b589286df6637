#include "midi/MapperPatch.h"

#include <algorithm>

namespace vireo {
namespace {

constexpr char kSeparator = '\n';

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void Remove(std::vector<std::string>& names, const std::string& name) {
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

} // namespace

MapperPatch::MapperPatch(MidiOutService& service, std::vector<std::string> remembered)
    : service_(service)
    , remembered_(std::move(remembered)) {}

MapperPatch::Change MapperPatch::connectRemembered() {
    const Change before = update(); // wires cut by the user are forgotten, not made again
    const std::vector<std::string> wired = service_.mapperConnections();
    const std::vector<std::string> ports = service_.mapperPorts();
    for (const std::string& name : remembered_) {
        if (!Contains(wired, name) && Contains(ports, name))
            service_.connectMapper(name);
    }
    const Change after = update();
    return Change{before.newWire || after.newWire,
                  before.rememberedChanged || after.rememberedChanged};
}

MapperPatch::Change MapperPatch::update() {
    Change change;
    const std::vector<std::string> wired = service_.mapperConnections();
    const std::vector<std::string> ports = service_.mapperPorts();
    for (const std::string& name : wired) {
        if (Contains(known_, name))
            continue;
        change.newWire = true;
        if (!Contains(remembered_, name)) {
            remembered_.push_back(name);
            change.rememberedChanged = true;
        }
    }
    for (const std::string& name : known_) {
        if (Contains(wired, name) || !Contains(ports, name) || !Contains(remembered_, name))
            continue;
        Remove(remembered_, name);
        change.rememberedChanged = true;
    }
    known_ = wired;
    return change;
}

std::string MapperPatch::Join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty())
            text += kSeparator;
        text += name;
    }
    return text;
}

std::vector<std::string> MapperPatch::Split(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(kSeparator, start), text.size());
        if (end > start && !Contains(names, text.substr(start, end - start)))
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace vireo
