#include "platform/MixerDevices.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace vireo {
namespace {

void Quiet(const char*) {}

int SoundCardCount() {
    int count = 0;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0)
        ++count;
    return count;
}

} // namespace

int MixerDeviceCount() {
    return MixerDeviceCount(JackServerAnswers);
}

int MixerDeviceCount(const std::function<bool()>& jackAnswers) {
    return SoundCardCount() + (jackAnswers() ? 1 : 0);
}

bool JackServerAnswers() {
    // A missing server is an answer here, not an error to print.
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    jack_status_t status{};
    jack_client_t* client =
        jack_client_open("Sonexa Vireo Mixer probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    jack_client_close(client);
    return true;
}

} // namespace vireo
