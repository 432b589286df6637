#pragma once

#include <chrono>

namespace vireo {

// Tells a receiver that stopped reading from one that is only busy, by the events waiting in
// its input: a receiver stalls when more than a few of them have waited for a while with none
// taken. Sends to a stalled receiver fail at once instead of piling up stale messages that
// would all arrive once it reads again.
class AlsaStall {
public:
    using Clock = std::chrono::steady_clock;
    // Waiting cells (a short event takes one, an 11-byte system-exclusive one two) a receiver
    // may hold for however long it takes to read them.
    static constexpr int kPatientCells = 8;
    // How long a receiver may leave more than kPatientCells waiting without taking any.
    static constexpr std::chrono::milliseconds kPatience{500};

    // Before a send: whether the receiver, holding `waiting` cells now, counts as stalled.
    bool stalled(int waiting, Clock::time_point now);
    // After a send: what it holds now, the send included.
    void sent(int waiting);

private:
    int lastWaiting_ = 0;
    Clock::time_point lastProgress_{};
    bool seen_ = false;
};

} // namespace vireo
