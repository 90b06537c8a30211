#include "ProgressPoller.h"

#include <thread>

#include "HelperConnection.h"

// What the poller's thread works with; it outlives the poller while a reading is under way.
struct ProgressPoller::Shared {
    std::shared_ptr<HelperConnection> helper;
    qint64 processId = 0;
    std::chrono::milliseconds interval{};
    std::chrono::milliseconds unreachableAfter{};

    std::mutex mutex;
    std::condition_variable wake;
    Deliver deliver;  // emptied when the poller goes
    std::optional<quint64> watched;
    bool quitting = false;

    void loop();
    Reading readOnce(quint64 call, ServerProgressReader& reader,
                     std::optional<std::chrono::steady_clock::time_point>& unreachableSince);
};

ProgressPoller::ProgressPoller(std::shared_ptr<HelperConnection> helper, qint64 processId,
                               Deliver deliver, std::chrono::milliseconds interval,
                               std::chrono::milliseconds unreachableAfter)
    : shared_(std::make_shared<Shared>()) {
    shared_->helper = std::move(helper);
    shared_->processId = processId;
    shared_->interval = interval;
    shared_->unreachableAfter = unreachableAfter;
    shared_->deliver = std::move(deliver);
    std::thread([shared = shared_] { shared->loop(); }).detach();
}

ProgressPoller::~ProgressPoller() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->quitting = true;
        shared_->deliver = nullptr;
    }
    shared_->wake.notify_all();
}

void ProgressPoller::watch(quint64 call) {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->watched = call;
    }
    shared_->wake.notify_all();
}

void ProgressPoller::stop() {
    const std::lock_guard lock(shared_->mutex);
    shared_->watched.reset();
}

void ProgressPoller::Shared::loop() {
    std::unique_lock lock(mutex);
    while (!quitting) {
        if (!watched) {
            wake.wait(lock);
            continue;
        }
        const quint64 call = *watched;
        ServerProgressReader reader(processId);
        std::optional<std::chrono::steady_clock::time_point> unreachableSince;
        for (;;) {
            const auto next = std::chrono::steady_clock::now() + interval;
            lock.unlock();
            const Reading reading = readOnce(call, reader, unreachableSince);
            lock.lock();
            if (quitting) {
                return;
            }
            // Delivered with the lock held, so that a poller going away never meets a
            // delivery under way; delivering only posts to the window's thread.
            deliver(reading);
            if (reading.outcome == Outcome::Failed && watched == call) {
                watched.reset();
            }
            wake.wait_until(lock, next, [&] { return quitting || watched != call; });
            if (quitting || watched != call) {
                break;
            }
        }
    }
}

ProgressPoller::Reading ProgressPoller::Shared::readOnce(
    quint64 call, ServerProgressReader& reader,
    std::optional<std::chrono::steady_clock::time_point>& unreachableSince) {
    Reading reading{call, Outcome::NoProgress, {}};
    try {
        const std::optional<ServerProgress> progress =
            helper->run([&reader](Connection& connection) { return reader.read(connection); });
        unreachableSince.reset();
        if (progress) {
            reading.outcome = Outcome::Progress;
            reading.progress = *progress;
        } else if (reader.requestMissing()) {
            reading.outcome = Outcome::Vanished;
        }
    } catch (const DatabaseError& error) {
        if (!error.isConnectionFailure()) {
            reading.outcome = Outcome::Failed;
            return reading;
        }
        // The helper's own link failing says little at first; for long, it says the server
        // is out of reach, for the tool's session too.
        const auto now = std::chrono::steady_clock::now();
        if (!unreachableSince) {
            unreachableSince = now;
        }
        if (now - *unreachableSince >= unreachableAfter) {
            reading.outcome = Outcome::Vanished;
        }
    } catch (const std::exception&) {
        // The operation itself is never affected: the window shows the elapsed time alone.
        reading.outcome = Outcome::Failed;
    }
    return reading;
}
