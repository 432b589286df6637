#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <jack/ringbuffer.h>
#include <span>

namespace vireo {

// Messages on their way from the window thread to a JACK process cycle: a lock-free ring of
// length-prefixed messages with one writer (the window thread) and one reader (the process
// thread). Neither side ever waits for the other.
class JackMidiQueue {
public:
    enum class Push { Queued, Full, TooLarge };

    // Room for `capacity` bytes of messages and their 4-byte length prefixes.
    explicit JackMidiQueue(std::size_t capacity);
    ~JackMidiQueue();
    JackMidiQueue(const JackMidiQueue&) = delete;
    JackMidiQueue& operator=(const JackMidiQueue&) = delete;

    // Writer side.
    Push push(std::span<const std::uint8_t> message);
    // Everything queued so far is dropped by the reader instead of going out.
    void discardPending();
    std::size_t largestMessage() const;

    // Reader side: hands messages in order to reserve(size), which gives room for one event in
    // the current cycle or nullptr when the cycle has none left; the rest waits for the next
    // cycle. A message that does not even fit an empty cycle is dropped, as it never would.
    // Returns the number of messages delivered.
    template <typename Reserve> std::size_t drain(Reserve&& reserve);

    // Empties the queue. Only while no reader can run.
    void clear();

private:
    static constexpr std::size_t kHeader = sizeof(std::uint32_t);

    bool nextLength(std::size_t& length) const;
    bool discarding() const;
    void copyOut(std::uint8_t* destination, std::size_t length) const;
    void consume(std::size_t length);

    jack_ringbuffer_t* ring_;
    std::uint64_t written_ = 0; // writer only: bytes ever pushed
    std::atomic<std::uint64_t> discardBefore_{0};
    std::uint64_t read_ = 0; // reader only: bytes ever consumed
};

template <typename Reserve> std::size_t JackMidiQueue::drain(Reserve&& reserve) {
    std::size_t delivered = 0;
    std::size_t length = 0;
    bool first = true;
    while (nextLength(length)) {
        if (!discarding()) {
            std::uint8_t* room = reserve(length);
            if (room == nullptr && !first)
                break;
            if (room != nullptr) {
                copyOut(room, length);
                ++delivered;
            }
            first = false;
        }
        consume(length);
    }
    return delivered;
}

} // namespace vireo
