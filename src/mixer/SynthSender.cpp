#include "mixer/SynthSender.h"

#include "midi/TMidiOutput.h"

#include <algorithm>

namespace vireo {
namespace {

std::uint8_t DataByte(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

template <std::size_t N>
const synth::EffectTypeEntry* EntryAt(const std::array<synth::EffectTypeEntry, N>& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? &list[std::size_t(index)] : nullptr;
}

} // namespace

void SynthSender::SendSysEx(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > synth::kMaxSysExLength)
        return;
    port_.PutLong(bytes);
}

void SynthSender::InitializeSynthesizer()
{
    for (const auto& message : synth::InitializationSequence)
        SendSysEx(message);
}

void SynthSender::SendMasterVolume(int level)
{
    SendSysEx(synth::MasterVolume(DataByte(level)));
}

void SynthSender::SendADPartLevel(synth::ADParameter parameter, int level)
{
    for (std::uint8_t part = 0; part < synth::kADPartCount; ++part)
        SendSysEx(synth::ADPartLevel(parameter, part, DataByte(level)));
}

void SynthSender::SendChannelControl(synth::ChannelController controller,
                                     const std::function<int(int channel)>& levelOf)
{
    const auto number = static_cast<unsigned>(controller);
    for (int channel = 0; channel < synth::kChannelCount; ++channel)
        port_.PutShort(synth::kControlChange + unsigned(channel), number, DataByte(levelOf(channel)));
}

void SynthSender::SendReverbType(int index)
{
    if (const auto* entry = EntryAt(synth::kReverbTypes, index))
        SendSysEx(synth::EffectType(synth::EffectBlock::Reverb, entry->first, entry->second));
}

void SynthSender::SendChorusType(int index)
{
    if (const auto* entry = EntryAt(synth::kChorusTypes, index))
        SendSysEx(synth::EffectType(synth::EffectBlock::Chorus, entry->first, entry->second));
}

void SynthSender::SendVariationType(int index)
{
    const auto* entry = EntryAt(synth::kVariationTypes, index);
    if (entry == nullptr)
        return;
    if (!entry->isPreset()) {
        SendSysEx(synth::EffectType(synth::EffectBlock::Variation, entry->first, entry->second));
        return;
    }
    for (int step = entry->firstStep(); step < entry->firstStep() + entry->stepCount(); ++step)
        SendSysEx(synth::VariationPresetStep(step));
}

void SynthSender::SendLock(bool on)
{
    SendSysEx(on ? synth::LockOn : synth::LockOff);
}

} // namespace vireo
