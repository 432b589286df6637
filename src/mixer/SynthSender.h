#pragma once

#include "mixer/MessageSet.h"

#include <functional>
#include <span>

namespace vireo {

class TMidiOutput;

// The send path to the synthesizer: builds the messages of the set from levels and list
// indexes and hands them to the port, one at a time and in a fixed order. Port errors
// (EmidioutputError) are not caught: they end the operation that was sending.
class SynthSender {
public:
    explicit SynthSender(TMidiOutput& port)
        : port_(port)
    {
    }

    // Passes a system-exclusive string of at most 11 bytes to the port; a longer one is
    // dropped without a word.
    void SendSysEx(std::span<const std::uint8_t> bytes);
    void InitializeSynthesizer();

    void SendMasterVolume(int level);
    // The A/D part message for part 0, then the same for part 1.
    void SendADPartLevel(synth::ADParameter parameter, int level);
    // One control change on each channel, 0 to 15, with the level levelOf(channel).
    void SendChannelControl(synth::ChannelController controller,
                            const std::function<int(int channel)>& levelOf);

    // Effect types by list index; an index outside the list (-1: nothing picked) sends nothing.
    void SendReverbType(int index);
    void SendChorusType(int index);
    void SendVariationType(int index);

    void SendLock(bool on);
    void SendXGSystemOn() { SendSysEx(synth::XGSystemOn); }
    void SendGSReset() { SendSysEx(synth::GSReset); }
    void SendGMSystemOn() { SendSysEx(synth::GMSystemOn); }

private:
    TMidiOutput& port_;
};

} // namespace vireo
