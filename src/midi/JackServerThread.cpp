#include "midi/JackServerThread.h"

namespace vireo {

JackServerThread::JackServerThread()
    : thread_([queue = queue_] { Serve(queue); }) {}

JackServerThread::~JackServerThread() {
    // The last holder of what owns this may let go on the thread itself, inside a call.
    const bool self = std::this_thread::get_id() == thread_.get_id();
    const bool done = !self && finish(kEndMs);
    {
        const std::lock_guard lock(queue_->mutex);
        queue_->ending = true;
        queue_->calls.clear(); // nothing not yet started runs after this
    }
    queue_->posted.notify_all();
    if (done)
        thread_.join();
    else
        thread_.detach(); // inside a call of a hung server; it owns its queue
}

void JackServerThread::post(std::function<void()> call) {
    {
        const std::lock_guard lock(queue_->mutex);
        if (queue_->ending)
            return;
        queue_->calls.push_back(std::move(call));
    }
    queue_->posted.notify_one();
}

bool JackServerThread::finish(std::chrono::milliseconds limit) {
    std::unique_lock lock(queue_->mutex);
    return queue_->idle.wait_for(lock, limit,
                                 [&] { return queue_->calls.empty() && !queue_->busy; });
}

void JackServerThread::Serve(const std::shared_ptr<Queue>& queue) {
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->posted.wait(lock, [&] { return queue->ending || !queue->calls.empty(); });
        if (queue->calls.empty())
            return; // ending
        std::function<void()> call = std::move(queue->calls.front());
        queue->calls.pop_front();
        queue->busy = true;
        lock.unlock();
        call();
        call = nullptr; // what it holds goes here, not under the lock
        lock.lock();
        queue->busy = false;
        queue->idle.notify_all();
    }
}

} // namespace vireo
