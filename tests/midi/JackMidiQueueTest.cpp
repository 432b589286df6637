#include "midi/JackMidiQueue.h"

#include <array>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace vireo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Stands in for one process cycle's event buffer: room for a number of events, each of at
// most a number of bytes.
class Cycle {
public:
    explicit Cycle(std::size_t events = 1000, std::size_t largest = 1 << 16)
        : events_(events)
        , largest_(largest) {}

    std::uint8_t* operator()(std::size_t size) {
        if (received.size() == events_ || size > largest_)
            return nullptr;
        received.emplace_back(size);
        return received.back().data();
    }

    std::vector<Bytes> received;

private:
    std::size_t events_;
    std::size_t largest_;
};

Bytes Message(std::uint8_t first, std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

TEST(JackMidiQueue, DeliversMessagesWholeAndInOrderAcrossTheRingsEnd) {
    JackMidiQueue queue(64);
    std::vector<Bytes> sent;
    std::vector<Bytes> received;
    for (int round = 0; round < 50; ++round) {
        for (std::size_t size : {3, 11, 9}) {
            sent.push_back(Message(static_cast<std::uint8_t>(round * 7 + size), size));
            ASSERT_EQ(queue.push(sent.back()), JackMidiQueue::Push::Queued);
        }
        Cycle cycle;
        EXPECT_EQ(queue.drain(cycle), 3u);
        received.insert(received.end(), cycle.received.begin(), cycle.received.end());
    }
    EXPECT_EQ(received, sent);
}

TEST(JackMidiQueue, FullRingRefusesAtOnceAndTakesMessagesAgainWhenDrained) {
    JackMidiQueue queue(256);
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    std::size_t queued = 0;
    while (queue.push(gsReset) == JackMidiQueue::Push::Queued)
        ++queued;
    EXPECT_GT(queued, 10u);
    EXPECT_EQ(queue.push(Bytes{0xB0, 7, 100}), JackMidiQueue::Push::Full);

    Cycle cycle;
    EXPECT_EQ(queue.drain(cycle), queued);
    EXPECT_EQ(cycle.received, std::vector<Bytes>(queued, gsReset));
    EXPECT_EQ(queue.push(gsReset), JackMidiQueue::Push::Queued);
}

TEST(JackMidiQueue, TheLargestMessageFillsTheRingWholeEvenAcrossItsEnd) {
    JackMidiQueue queue(100);
    ASSERT_EQ(queue.largestMessage(), 96u);
    EXPECT_EQ(queue.push(Message(0, 97)), JackMidiQueue::Push::TooLarge);
    ASSERT_EQ(queue.push(Bytes{0xB0, 7, 1}), JackMidiQueue::Push::Queued);
    Cycle first;
    ASSERT_EQ(queue.drain(first), 1u);

    const Bytes largest = Message(0x10, 96); // starts 7 bytes in, so it wraps
    EXPECT_EQ(queue.push(largest), JackMidiQueue::Push::Queued);
    EXPECT_EQ(queue.push(Bytes{0xF8}), JackMidiQueue::Push::Full);
    Cycle second;
    ASSERT_EQ(queue.drain(second), 1u);
    EXPECT_EQ(second.received.front(), largest);
}

TEST(JackMidiQueue, WhatACycleHasNoRoomForWaitsForTheNextCycle) {
    JackMidiQueue queue(1024);
    for (std::uint8_t channel = 0; channel < 5; ++channel)
        queue.push(Bytes{static_cast<std::uint8_t>(0xB0 + channel), 7, 100});

    Cycle first(2);
    EXPECT_EQ(queue.drain(first), 2u);
    Cycle second(2);
    EXPECT_EQ(queue.drain(second), 2u);
    Cycle third(2);
    EXPECT_EQ(queue.drain(third), 1u);

    EXPECT_EQ(first.received[0][0], 0xB0);
    EXPECT_EQ(second.received[0][0], 0xB2);
    EXPECT_EQ(third.received[0][0], 0xB4);
}

TEST(JackMidiQueue, AMessageThatCannotFitAnEmptyCycleIsDroppedInsteadOfBlockingTheRest) {
    JackMidiQueue queue(1024);
    queue.push(Bytes{0xB0, 7, 1});
    queue.push(Message(0xF0, 40));
    queue.push(Bytes{0xB0, 7, 2});

    Cycle first(10, 16);
    EXPECT_EQ(queue.drain(first), 1u); // the long one waits: the cycle is no longer empty
    Cycle second(10, 16);
    EXPECT_EQ(queue.drain(second), 1u); // first in an empty cycle and still too long: dropped
    ASSERT_EQ(second.received.size(), 1u);
    EXPECT_EQ(second.received[0], (Bytes{0xB0, 7, 2}));
}

TEST(JackMidiQueue, DiscardDropsWhatWasQueuedBeforeAndKeepsWhatComesAfter) {
    JackMidiQueue queue(1024);
    queue.push(Bytes{0xB0, 7, 1});
    queue.push(Bytes{0xB1, 7, 1});
    queue.discardPending();
    queue.push(Bytes{0xB2, 7, 1});

    Cycle cycle;
    EXPECT_EQ(queue.drain(cycle), 1u);
    EXPECT_EQ(cycle.received, (std::vector<Bytes>{{0xB2, 7, 1}}));

    queue.push(Bytes{0xB3, 7, 1});
    queue.clear();
    Cycle afterClear;
    EXPECT_EQ(queue.drain(afterClear), 0u);
    queue.push(Bytes{0xB4, 7, 1});
    Cycle next;
    EXPECT_EQ(queue.drain(next), 1u);
}

// One writer thread and one reader thread, as the window thread and the process cycle.
TEST(JackMidiQueue, AWriterAndAReaderOnTwoThreadsLoseAndReorderNothing) {
    constexpr std::uint32_t kMessages = 20000;
    JackMidiQueue queue(512);
    std::atomic<bool> done{false};
    std::uint32_t expected = 0;
    bool intact = true;

    std::thread reader([&] {
        std::array<std::uint8_t, 8> room{};
        auto check = [&](std::size_t size) -> std::uint8_t* {
            if (expected > 0) {
                std::uint32_t value = 0;
                std::memcpy(&value, room.data(), sizeof value);
                intact = intact && value == expected - 1 && room[4] == (expected - 1) % 251;
            }
            ++expected;
            return size == 5 ? room.data() : nullptr;
        };
        while (!done.load() || expected < kMessages) {
            if (queue.drain(check) == 0)
                std::this_thread::yield();
        }
        check(5); // checks the last message
    });
    for (std::uint32_t i = 0; i < kMessages;) {
        std::array<std::uint8_t, 5> message{};
        std::memcpy(message.data(), &i, sizeof i);
        message[4] = static_cast<std::uint8_t>(i % 251);
        if (queue.push(message) == JackMidiQueue::Push::Queued)
            ++i;
        else
            std::this_thread::yield();
    }
    done.store(true);
    reader.join();

    EXPECT_EQ(expected, kMessages + 1);
    EXPECT_TRUE(intact);
}

} // namespace
} // namespace vireo
