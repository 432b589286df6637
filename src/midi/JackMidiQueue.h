#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vireo {

// Messages on their way from the window thread to a JACK process cycle: a lock-free ring of
// length-prefixed messages with one writer (the window thread) and one reader (the process
// thread). Neither side ever waits for the other.
class JackMidiQueue {
public:
    enum class Push { Queued, Full, TooLarge };

    // Room for `capacity` bytes of messages and their 4-byte length prefixes.
    explicit JackMidiQueue(std::size_t capacity);

    // Writer side.
    Push push(std::span<const std::uint8_t> message);
    // Everything queued so far is dropped by the reader instead of going out.
    void discardPending();
    // Whether the reader has taken everything queued so far.
    bool empty() const;
    std::size_t largestMessage() const { return ring_.size() - kHeader; }

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
    void copyIn(std::uint64_t position, const void* source, std::size_t length);
    void copyOut(std::uint64_t position, void* destination, std::size_t length) const;
    void consume(std::size_t length);

    std::vector<std::uint8_t> ring_;
    // Bytes ever written and ever read: each side publishes its own count, the other reads it.
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
    std::atomic<std::uint64_t> discardBefore_{0};
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
                copyOut(read_.load(std::memory_order_relaxed) + kHeader, room, length);
                ++delivered;
            }
            first = false;
        }
        consume(length);
    }
    return delivered;
}

} // namespace vireo
