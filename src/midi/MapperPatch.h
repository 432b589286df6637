#pragma once

#include "midi/MidiOutService.h"

#include <string>
#include <vector>

namespace vireo {

// The mapper's remembered patch: the ports the program's own port was wired to, kept across
// runs so that the same wires are made again when their ports exist. Knows which wires are
// new since the last look, so that a synthesizer newly wired to the mapper can be given the
// mixer's state. Works on the service's mapper operations only; window thread.
class MapperPatch {
public:
    struct Change {
        bool newWire = false;           // a wire appeared since the last look
        bool rememberedChanged = false; // remembered() differs from before
    };

    MapperPatch(MidiOutService& service, std::vector<std::string> remembered);

    // Wires the mapper to every remembered port that exists now and is not wired yet, then
    // looks at the wires (update()).
    Change connectRemembered();
    // Looks at the mapper's wires: wires made since the last look are remembered; a wire that
    // went while its port is still there was removed on purpose and is forgotten; one whose
    // port went is kept, and made again by connectRemembered() once the port is back.
    Change update();

    const std::vector<std::string>& remembered() const { return remembered_; }

    // The remembered ports as one stored text, and back.
    static std::string Join(const std::vector<std::string>& names);
    static std::vector<std::string> Split(const std::string& text);

private:
    MidiOutService& service_;
    std::vector<std::string> remembered_;
    std::vector<std::string> known_; // the wires at the last look
};

} // namespace vireo
