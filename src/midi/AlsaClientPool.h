#pragma once

namespace vireo {

// Events waiting in a sequencer client's input, in pool cells, asked through the sequencer
// device `fd` of any client; 0 for a kernel client, which has no input of its own, or when
// the sequencer does not answer.
int AlsaWaitingCells(int fd, int client);

} // namespace vireo
