#include "JackPortProbe.h"

#include "JackTestProcesses.h"

#include <cerrno>
#include <jack/jack.h>
#include <jack/midiport.h>

namespace vireo::test {

bool WaitForActiveMidiInput(const std::string& port, std::chrono::milliseconds limit) {
    jack_set_error_function([](const char*) {}); // the refusals while it is not ready are expected
    jack_status_t status{};
    jack_client_t* client = jack_client_open("vireo-e2e-probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    jack_port_t* probe =
        jack_port_register(client, "probe", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    bool connected = false;
    if (probe != nullptr && jack_activate(client) == 0) {
        const char* own = jack_port_name(probe);
        connected = WaitUntil(
            [&] {
                const int result = jack_connect(client, own, port.c_str());
                return result == 0 || result == EEXIST;
            },
            limit);
        if (connected)
            jack_disconnect(client, own, port.c_str());
        jack_deactivate(client);
    }
    jack_client_close(client);
    return connected;
}

} // namespace vireo::test
