#include "XgMessages.h"

#include <cstdio>
#include <sstream>

namespace vireo::test::xg {
namespace {

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value);
}

Message EffectParameter(std::uint8_t address, std::uint8_t msb, std::uint8_t lsb) {
    return {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, address, msb, lsb, 0xF7};
}

Effect Reverb(std::string name, std::uint8_t mm, std::uint8_t ll) {
    return {std::move(name), {EffectParameter(0x00, mm, ll)}};
}

Effect Chorus(std::string name, std::uint8_t mm, std::uint8_t ll) {
    return {std::move(name), {EffectParameter(0x20, mm, ll)}};
}

void Append(Messages& to, const Messages& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// An effect type followed by the A/D part send that feeds it (the MIDI panel is folded).
void AppendEffect(Messages& to, const Effect& effect, std::uint8_t send, int level) {
    Append(to, effect.type);
    Append(to, BothADParts(send, level));
}

} // namespace

Effect NoReverb() {
    return Reverb("No Effect", 0x00, 0x00);
}
Effect Hall2() {
    return Reverb("Hall2", 0x01, 0x01);
}
Effect WhiteRoom() {
    return Reverb("White Room", 0x10, 0x00);
}
Effect NoChorus() {
    return Chorus("No Effect", 0x00, 0x00);
}
Effect Chorus4() {
    return Chorus("Chorus4", 0x41, 0x08);
}
Effect Flanger3() {
    return Chorus("Flanger3", 0x43, 0x08);
}
Effect NoVariation() {
    return {"No Effect", {EffectParameter(0x40, 0x00, 0x00)}};
}
// Preset steps 9 and 10.
Effect Vocal() {
    return {"Vocal", {EffectParameter(0x40, 0x03, 0x00), EffectParameter(0x42, 0x00, 0x20)}};
}
// Preset steps 22 to 24.
Effect Flash() {
    return {"Flash",
            {EffectParameter(0x40, 0x46, 0x00), EffectParameter(0x42, 0x00, 0x6D),
             EffectParameter(0x44, 0x00, 0x7F)}};
}

Messages Initialization() {
    return {
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7},
        {0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x00, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x11, 0x00, 0x00, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5A, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x40, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x41, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, 0x00, 0x00, 0xF7},
    };
}

Message MasterVolume(int level) {
    return {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, Byte(level), 0xF7};
}

Messages AllChannels(std::uint8_t controller, int level) {
    Messages messages;
    for (int channel = 0; channel < 16; ++channel)
        messages.push_back({Byte(0xB0 + channel), controller, Byte(level)});
    return messages;
}

Messages BothADParts(std::uint8_t parameter, int level) {
    Messages messages;
    for (std::uint8_t part : {0, 1})
        messages.push_back({0xF0, 0x43, 0x10, 0x4C, 0x10, part, parameter, Byte(level), 0xF7});
    return messages;
}

Message Lock(bool on) {
    return {0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, Byte(on ? 1 : 0), 0xF7};
}

std::string MixerState::FileText() const {
    std::ostringstream text;
    text << "[Mixer Settings]\n"
         << "Volume Level=" << volume << "\nMIDI Level=" << midiVolume
         << "\nMIDI Reverb Level=" << midiReverb << "\nMIDI Chorus Level=" << midiChorus
         << "\nA/D Part Level=" << adVolume << "\nReverb Level=" << reverb
         << "\nChorus Level=" << chorus << "\nVariation Level=" << variation
         << "\nDry Level=" << dry << "\nReverb Effect=" << reverbEffect.name
         << "\nChorus Effect=" << chorusEffect.name << "\nVariation Effect=" << variationEffect.name
         << "\nLock=" << (lock ? 1 : 0) << "\nPeriodic Refresh=0\n";
    return text.str();
}

MixerState SampleState(bool lock) {
    MixerState state;
    state.volume = 100;
    state.midiVolume = 90;
    state.midiReverb = 40;
    state.midiChorus = 30;
    state.adVolume = 110;
    state.reverb = 20;
    state.chorus = 10;
    state.variation = 5;
    state.dry = 80;
    state.reverbEffect = Hall2();
    state.chorusEffect = Chorus4();
    state.variationEffect = Vocal();
    state.lock = lock;
    return state;
}

Messages Load(const MixerState& state, bool lockBefore) {
    Messages messages = Initialization();
    messages.push_back(MasterVolume(state.volume));
    Append(messages, AllChannels(kChannelVolume, state.midiVolume));
    Append(messages, AllChannels(kChannelReverb, state.midiReverb));
    Append(messages, AllChannels(kChannelChorus, state.midiChorus));
    Append(messages, BothADParts(kADVolume, state.adVolume));
    Append(messages, BothADParts(kADDry, state.dry));
    AppendEffect(messages, state.reverbEffect, kADReverb, state.reverb);
    AppendEffect(messages, state.chorusEffect, kADChorus, state.chorus);
    AppendEffect(messages, state.variationEffect, kADVariation, state.variation);
    if (state.lock != lockBefore)
        messages.push_back(Lock(state.lock));
    return messages;
}

Messages CurrentSettings(const MixerState& state) {
    Messages messages{MasterVolume(state.volume)};
    Append(messages, BothADParts(kADVolume, state.adVolume));
    Append(messages, BothADParts(kADDry, state.dry));
    AppendEffect(messages, state.reverbEffect, kADReverb, state.reverb);
    AppendEffect(messages, state.chorusEffect, kADChorus, state.chorus);
    AppendEffect(messages, state.variationEffect, kADVariation, state.variation);
    messages.push_back(Lock(state.lock));
    return messages;
}

Messages Concat(Messages first, const Messages& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string Hex(const Messages& messages) {
    std::string lines;
    for (const Message& message : messages) {
        for (std::uint8_t byte : message) {
            char text[4];
            std::snprintf(text, sizeof text, "%02X ", byte);
            lines += text;
        }
        if (!message.empty())
            lines.back() = '\n';
    }
    return lines;
}

} // namespace vireo::test::xg
