#pragma once

#include "WaveFile.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vireo {
class SynthSender;
}

namespace vireo::test {

using Message = std::vector<std::uint8_t>;

// The messages one operation of the mixer sends, recorded off its own send path.
std::vector<Message> RecordMixer(const std::function<void(SynthSender&)>& operation);

// One take: the mixer's messages at the start, then a test note (middle C on the first
// channel, held for half a second) and time for it to die away.
namespace take {
inline constexpr int kNoteOnMs = 250;
inline constexpr int kNoteOffMs = 750;
inline constexpr int kLengthMs = 3000;
} // namespace take

std::vector<std::uint8_t> TakeFile(const std::vector<Message>& mixerMessages);

// Level while the note is held, away from its attack and release.
double NoteLevel(const Wave& wave);
// Level of what sounds on after the note was released.
double TailLevel(const Wave& wave);

} // namespace vireo::test
