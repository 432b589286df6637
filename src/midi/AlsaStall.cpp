#include "midi/AlsaStall.h"

namespace vireo {

bool AlsaStall::stalled(int waiting, Clock::time_point now) {
    // Empty, or fewer waiting than after the last send: the receiver reads.
    if (!seen_ || waiting == 0 || waiting < lastWaiting_)
        lastProgress_ = now;
    seen_ = true;
    lastWaiting_ = waiting;
    return waiting > kPatientCells && now - lastProgress_ >= kPatience;
}

void AlsaStall::sent(int waiting) {
    lastWaiting_ = waiting;
}

} // namespace vireo
