#include "CallRunner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "BusyController.h"

namespace {

// A call that returns within this is waited for without an event loop at all: nothing
// could have changed on screen, and a handler's quick calls cost next to nothing extra.
constexpr auto kBriefWait = std::chrono::milliseconds(5);

}  // namespace

// One worker thread and what it shares with the window's thread. An abandoned worker keeps
// it alone: it finishes its call, tidies up after it and ends, and nobody waits for it.
struct CallRunner::Worker {
    std::mutex mutex;
    std::condition_variable jobReady;
    std::condition_variable jobDone;
    std::function<void()> job;
    std::function<void()> finished;  // tells the window's thread; not for an abandoned one
    std::function<void()> afterAbandon;
    quint64 jobNumber = 0;
    bool done = true;
    bool abandoned = false;
    bool quitting = false;

    void work();
};

void CallRunner::Worker::work() {
    std::unique_lock lock(mutex);
    for (;;) {
        jobReady.wait(lock, [this] { return quitting || abandoned || !done; });
        if (quitting || (abandoned && done)) {
            return;
        }
        std::function<void()> current = std::move(job);
        lock.unlock();
        current();
        current = nullptr;  // whatever the call held goes on this thread
        lock.lock();
        done = true;
        jobDone.notify_all();
        if (abandoned) {
            std::function<void()> tidy = std::move(afterAbandon);
            lock.unlock();
            if (tidy) {
                tidy();
            }
            return;
        }
        if (finished) {
            finished();
        }
    }
}

CallRunner::CallRunner(BusyController& busy, std::chrono::milliseconds acknowledgementWait)
    : busy_(busy) {
    acknowledgement_.setSingleShot(true);
    acknowledgement_.setInterval(acknowledgementWait);
    QObject::connect(&acknowledgement_, &QTimer::timeout, &notices_,
                     [this] { abandon(CallCancelled::Ending::Unacknowledged); });
    startWorker();
}

CallRunner::~CallRunner() {
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->quitting = true;
        worker_->finished = nullptr;
    }
    worker_->jobReady.notify_all();
}

void CallRunner::startWorker() {
    worker_ = std::make_shared<Worker>();
    std::thread([worker = worker_] { worker->work(); }).detach();
}

std::optional<CallCancelled::Ending> CallRunner::runOnWorker(std::function<void()> job,
                                                             Cancel cancel) {
    if (localLoop_ != nullptr || busy_.busy()) {
        // Input is refused while a call runs, so no handler can start another one.
        throw std::logic_error("a call started while another one runs");
    }
    QElapsedTimer started;
    started.start();
    cancel_ = std::move(cancel);
    ending_.reset();
    cancelRequested_ = false;
    quint64 number = 0;
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->job = std::move(job);
        worker_->done = false;
        number = ++worker_->jobNumber;
        worker_->finished = [this, number] {
            QMetaObject::invokeMethod(
                &notices_,
                [this, number] {
                    if (localLoop_ != nullptr && number == worker_->jobNumber) {
                        busy_.callFinished();
                        localLoop_->quit();
                    }
                },
                Qt::QueuedConnection);
        };
    }
    worker_->jobReady.notify_one();
    if (!waitBriefly()) {
        busy_.begin(started, cancel_.question, [this] { cancelRunningCall(); });
        waitInLocalLoop();
        busy_.end();
    }
    acknowledgement_.stop();
    cancel_ = {};
    if (ending_) {
        return ending_;
    }
    return cancelRequested_ ? std::optional(CallCancelled::Ending::Stopped) : std::nullopt;
}

bool CallRunner::waitBriefly() {
    std::unique_lock lock(worker_->mutex);
    return worker_->jobDone.wait_for(lock, kBriefWait, [this] { return worker_->done; });
}

void CallRunner::waitInLocalLoop() {
    QEventLoop loop;
    localLoop_ = &loop;
    bool done = false;
    {
        const std::lock_guard lock(worker_->mutex);
        done = worker_->done;
    }
    if (!done) {
        loop.exec();
    }
    // The loop ends at the worker's notice, at an abandon, or earlier when something tells
    // every event loop to end (the application quitting): a call that was not abandoned
    // still has to finish before its caller goes on.
    if (!ending_) {
        std::unique_lock lock(worker_->mutex);
        worker_->jobDone.wait(lock, [this] { return worker_->done; });
    }
    localLoop_ = nullptr;
}

void CallRunner::cancelRunningCall() {
    {
        const std::lock_guard lock(worker_->mutex);
        if (worker_->done || localLoop_ == nullptr) {
            return;  // it ended meanwhile
        }
    }
    cancelRequested_ = true;
    if (!cancel_.interrupt) {
        abandon(CallCancelled::Ending::Abandoned);
        return;
    }
    cancel_.interrupt();
    acknowledgement_.start();
}

void CallRunner::abandon(CallCancelled::Ending ending) {
    {
        const std::lock_guard lock(worker_->mutex);
        if (worker_->done || localLoop_ == nullptr) {
            return;  // it ended meanwhile, on its own
        }
        worker_->abandoned = true;
        worker_->finished = nullptr;
        worker_->afterAbandon = std::move(cancel_.afterAbandon);
    }
    worker_->jobReady.notify_all();
    ending_ = ending;
    startWorker();
    busy_.callFinished();
    localLoop_->quit();
}
