#include "ProgressPoller.h"

#include "HelperConnection.h"

ProgressPoller::ProgressPoller(HelperConnection& helper, qint64 processId, Deliver deliver,
                               std::chrono::milliseconds interval)
    : helper_(helper),
      processId_(processId),
      deliver_(std::move(deliver)),
      interval_(interval),
      thread_([this] { loop(); }) {}

ProgressPoller::~ProgressPoller() {
    {
        const std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ProgressPoller::watch(quint64 call) {
    {
        const std::lock_guard lock(mutex_);
        watched_ = call;
    }
    wake_.notify_all();
}

void ProgressPoller::stop() {
    const std::lock_guard lock(mutex_);
    watched_.reset();
}

void ProgressPoller::loop() {
    std::unique_lock lock(mutex_);
    while (!quitting_) {
        if (!watched_) {
            wake_.wait(lock);
            continue;
        }
        const quint64 call = *watched_;
        ServerProgressReader reader(processId_);
        for (;;) {
            const auto next = std::chrono::steady_clock::now() + interval_;
            lock.unlock();
            const Reading reading = readOnce(call, reader);
            deliver_(reading);
            lock.lock();
            if (reading.outcome == Outcome::Failed && watched_ == call) {
                watched_.reset();
            }
            wake_.wait_until(lock, next, [&] { return quitting_ || watched_ != call; });
            if (quitting_ || watched_ != call) {
                break;
            }
        }
    }
}

ProgressPoller::Reading ProgressPoller::readOnce(quint64 call, ServerProgressReader& reader) {
    Reading reading{call, Outcome::NoProgress, {}};
    try {
        const std::optional<ServerProgress> progress =
            helper_.run([&reader](Connection& connection) { return reader.read(connection); });
        if (progress) {
            reading.outcome = Outcome::Progress;
            reading.progress = *progress;
        }
    } catch (const std::exception&) {
        // The operation itself is never affected: the window shows the elapsed time alone.
        reading.outcome = Outcome::Failed;
    }
    return reading;
}
