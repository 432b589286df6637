#include "SynthTakes.h"

#include "MidiFileWriter.h"
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/SynthSender.h"

namespace vireo::test {
namespace {

constexpr std::uint8_t kNote = 60;
constexpr std::uint8_t kVelocity = 100;

} // namespace

std::vector<Message> RecordMixer(const std::function<void(SynthSender&)>& operation) {
    SimulatedMidiService service{{"Synthesizer"}};
    TMidiOutput port{service};
    port.Open();
    SynthSender sender{port};
    operation(sender);
    return service.sentMessages();
}

std::vector<std::uint8_t> TakeFile(const std::vector<Message>& mixerMessages) {
    MidiFileWriter file;
    for (const Message& message : mixerMessages)
        file.message(message);
    file.wait(take::kNoteOnMs);
    file.message(Message{0x90, kNote, kVelocity});
    file.wait(take::kNoteOffMs - take::kNoteOnMs);
    file.message(Message{0x80, kNote, 0x00});
    file.wait(take::kLengthMs - take::kNoteOffMs);
    return file.bytes();
}

double NoteLevel(const Wave& wave) {
    return wave.rms((take::kNoteOnMs + 50) / 1000.0, (take::kNoteOffMs - 50) / 1000.0);
}

double TailLevel(const Wave& wave) {
    return wave.rms((take::kNoteOffMs + 150) / 1000.0, 2.0);
}

} // namespace vireo::test
