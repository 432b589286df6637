#pragma once

#include <chrono>
#include <string>

namespace vireo::test {

// Whether the MIDI input port of another client on the current JACK server takes a connection
// within `limit`: a port shows before its client is active, and until then nothing can be
// connected to it, so a program started on it earlier would find its device refusing.
bool WaitForActiveMidiInput(const std::string& port, std::chrono::milliseconds limit);

} // namespace vireo::test
