#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vireo {

// The one thread that makes a JACK system's calls to its server (open, activate, register,
// connect, disconnect, close), one at a time and in the order given. libjack waits as long as
// the server takes to answer, for ever when it hangs; here only this thread does: a caller
// waits for a call's result only as long as it chooses, and a call it gave up on finishes on
// the thread (and is undone there, when the caller said how).
class JackServerThread {
public:
    JackServerThread();
    // Ends the thread once the calls posted are done, waiting at most kEndMs for them; a
    // thread still inside a call of a hung server is then left to the process's end.
    ~JackServerThread();
    JackServerThread(const JackServerThread&) = delete;
    JackServerThread& operator=(const JackServerThread&) = delete;

    static constexpr std::chrono::milliseconds kEndMs{200};

    // Runs `call` on the thread and waits up to `limit` for its result: nullopt when it did
    // not end in time. A call that ends later hands its result to `undo` instead, when given.
    template <typename Result>
    std::optional<Result> run(std::function<Result()> call, std::chrono::milliseconds limit,
                              std::function<void(Result)> undo = {});
    // Runs `call` on the thread without waiting for it.
    void post(std::function<void()> call);
    // Waits up to `limit` for the calls posted so far to end; whether they did.
    bool finish(std::chrono::milliseconds limit);

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable posted;
        std::condition_variable idle;
        std::deque<std::function<void()>> calls;
        bool busy = false;
        bool ending = false;
    };
    static void Serve(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
    std::thread thread_;
};

template <typename Result>
std::optional<Result> JackServerThread::run(std::function<Result()> call,
                                            std::chrono::milliseconds limit,
                                            std::function<void(Result)> undo) {
    struct Pending {
        std::mutex mutex;
        std::condition_variable ended;
        std::optional<Result> result;
        bool abandoned = false;
    };
    auto pending = std::make_shared<Pending>();
    post([pending, call = std::move(call), undo = std::move(undo)] {
        Result result = call();
        std::unique_lock lock(pending->mutex);
        if (pending->abandoned) {
            lock.unlock();
            if (undo)
                undo(result);
            return;
        }
        pending->result = result;
        pending->ended.notify_all();
    });
    std::unique_lock lock(pending->mutex);
    if (!pending->ended.wait_for(lock, limit, [&] { return pending->result.has_value(); }))
        pending->abandoned = true;
    return pending->result;
}

} // namespace vireo
