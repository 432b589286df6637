#pragma once

// Checks on what a jack_midi_dump received, shared by the suites that drive the real program.

#include "JackTestProcesses.h"
#include "XgMessages.h"

#include <chrono>
#include <cstddef>

namespace vireo::test {

// The messages `dump` received from index `from` on are exactly `expected`, waiting up to
// `limit` for them to come.
void ExpectReceived(MidiDump& dump, std::size_t from, const xg::Messages& expected,
                    std::chrono::milliseconds limit);

// Whether `dump` stays at `count` messages for `quiet`.
bool StaysAt(MidiDump& dump, std::size_t count, std::chrono::milliseconds quiet);

} // namespace vireo::test
