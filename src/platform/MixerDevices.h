#pragma once

namespace vireo {

// Mixer devices for the start-up hardware check: the sound cards the ALSA library counts,
// plus one when a JACK server answers.
int MixerDeviceCount();

// Whether a JACK server (the one JACK_DEFAULT_SERVER names, else the default one) accepts a
// client. Never starts a server.
bool JackServerAnswers();

} // namespace vireo
