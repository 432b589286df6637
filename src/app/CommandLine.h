#pragma once

namespace vireo {

// Answers --help, -h and --version before anything else starts (no display, no MIDI system,
// no search for a running instance). Returns the exit status when one of them was the
// first argument and has been answered; -1 when the program is to start as usual, every
// argument then meaning a settings file.
int AnswerInformationRequest(int argc, const char* const* argv);

} // namespace vireo
