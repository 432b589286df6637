#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace vireo {
namespace {

constexpr const char* kUsage = "\
Usage: sonexa-vireo-mixer [FILE.mix]\n\
\n\
A mixer panel for the XG wavetable synthesizer behind a MIDI output port.\n\
\n\
FILE.mix  a settings file to load and send to the synthesizer; when the mixer is\n\
          already running, the file is handed to it and this start ends.\n\
          Without it, the mixer loads Default.mix from its data folder.\n\
\n\
  -h, --help     print this help and exit\n\
      --version  print the name and version and exit\n";

int Print(const char* text) {
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int AnswerInformationRequest(int argc, const char* const* argv) {
    if (argc < 2)
        return -1;
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)
        return Print(kUsage);
    if (std::strcmp(first, "--version") == 0)
        return Print("sonexa-vireo-mixer " VIREO_VERSION "\n");
    return -1;
}

} // namespace vireo
