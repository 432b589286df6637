#pragma once

#include <functional>

namespace vireo {

// Mixer devices for the start-up hardware check: the sound cards the ALSA library counts,
// plus one when a JACK server answers (JackServerAnswers, or what `jackAnswers` says).
int MixerDeviceCount();
int MixerDeviceCount(const std::function<bool()>& jackAnswers);

// Whether a JACK server (the one JACK_DEFAULT_SERVER names, else the default one) accepts a
// client. Never starts a server.
bool JackServerAnswers();

} // namespace vireo
