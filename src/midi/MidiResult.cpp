#include "midi/MidiResult.h"

namespace vireo {

std::optional<std::string> StandardMidiErrorText(MidiResult code)
{
    switch (code) {
    case MidiError::NoError:
        return "The specified command was carried out.";
    case MidiError::Unspecified:
        return "Undefined external error.";
    case MidiError::BadDeviceId:
        return "A device ID has been used that is out of range for your system.";
    case MidiError::NotEnabled:
        return "The driver was not enabled.";
    case MidiError::Allocated:
        return "The specified device is already in use. Wait until it is free, and then try again.";
    case MidiError::InvalidHandle:
        return "The specified device handle is invalid.";
    case MidiError::NoDriver:
        return "There is no driver installed on your system.";
    case MidiError::NoMemory:
        return "There is not enough memory available for this task. Quit one or more "
               "applications to increase available memory, and then try again.";
    case MidiError::NotSupported:
        return "This function is not supported. Use the Capabilities function to determine "
               "which functions and messages the driver supports.";
    case MidiError::InvalidParameter:
        return "An invalid parameter was passed to a system function.";
    case MidiError::Unprepared:
        return "The MIDI header was not prepared. Use the Prepare function to prepare the "
               "header, and then try again.";
    case MidiError::StillPlaying:
        return "Cannot perform this operation while media data is still playing. Reset the "
               "device, or wait until the data is finished playing.";
    case MidiError::NotReady:
        return "The MIDI player or output port is busy. Wait until it is free, and then try "
               "again.";
    case MidiError::NoDevice:
        return "The MIDI device was not found. Check that it is connected and switched on.";
    default:
        return std::nullopt;
    }
}

} // namespace vireo
