#include "CallRunner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <chrono>
#include <stdexcept>

#include "BusyController.h"

namespace {

// A call that returns within this is waited for without an event loop at all: nothing
// could have changed on screen, and a handler's quick calls cost next to nothing extra.
constexpr auto kBriefWait = std::chrono::milliseconds(5);

}  // namespace

CallRunner::CallRunner(BusyController& busy) : busy_(busy), worker_([this] { work(); }) {}

CallRunner::~CallRunner() {
    {
        const std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    jobReady_.notify_all();
    worker_.join();
}

void CallRunner::runOnWorker(std::function<void()> job) {
    if (localLoop_ != nullptr || busy_.busy()) {
        // Input is refused while a call runs, so no handler can start another one.
        throw std::logic_error("a call started while another one runs");
    }
    QElapsedTimer started;
    started.start();
    {
        const std::lock_guard lock(mutex_);
        job_ = std::move(job);
        done_ = false;
        ++jobNumber_;
    }
    jobReady_.notify_one();
    if (waitBriefly()) {
        return;
    }
    busy_.begin(started);
    waitInLocalLoop();
    busy_.end();
}

bool CallRunner::waitBriefly() {
    std::unique_lock lock(mutex_);
    return jobDone_.wait_for(lock, kBriefWait, [this] { return done_; });
}

void CallRunner::waitInLocalLoop() {
    QEventLoop loop;
    localLoop_ = &loop;
    bool done = false;
    {
        const std::lock_guard lock(mutex_);
        inLocalLoop_ = true;
        done = done_;
    }
    if (!done) {
        loop.exec();
    }
    // The loop ends at the worker's notice, or earlier when something tells every event loop
    // to end (the application quitting): the call still has to finish before its caller
    // goes on.
    std::unique_lock lock(mutex_);
    jobDone_.wait(lock, [this] { return done_; });
    inLocalLoop_ = false;
    localLoop_ = nullptr;
}

void CallRunner::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        jobReady_.wait(lock, [this] { return quitting_ || !done_; });
        if (quitting_) {
            return;
        }
        const quint64 number = jobNumber_;
        std::function<void()> job = std::move(job_);
        lock.unlock();
        job();
        lock.lock();
        done_ = true;
        jobDone_.notify_all();
        if (!inLocalLoop_) {
            continue;
        }
        QMetaObject::invokeMethod(
            &notices_,
            [this, number] {
                if (localLoop_ != nullptr && number == jobNumber_) {
                    localLoop_->quit();
                }
            },
            Qt::QueuedConnection);
    }
}
