#pragma once

#include <QObject>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

class BusyController;
class QEventLoop;

// Runs each call of the window's connection on a worker thread while the window's thread
// waits in a local event loop: the window repaints, can be moved, and answers the desktop,
// while its input reaches no handler (BusyController). Whoever calls still sees a plain
// blocking call, so the handlers stay a plain sequence of steps.
class CallRunner {
  public:
    explicit CallRunner(BusyController& busy);
    ~CallRunner();
    CallRunner(const CallRunner&) = delete;
    CallRunner& operator=(const CallRunner&) = delete;

    // Runs call() on the worker and returns its result or raises what it raised.
    template <typename Call>
    auto run(Call&& call) -> decltype(call()) {
        using Result = decltype(call());
        std::exception_ptr failure;
        if constexpr (std::is_void_v<Result>) {
            runOnWorker([&] {
                try {
                    call();
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            if (failure) {
                std::rethrow_exception(failure);
            }
        } else {
            std::optional<Result> result;
            runOnWorker([&] {
                try {
                    result.emplace(call());
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            if (failure) {
                std::rethrow_exception(failure);
            }
            return std::move(*result);
        }
    }

  private:
    // Returns once the job has run on the worker. The job must not throw.
    void runOnWorker(std::function<void()> job);
    bool waitBriefly();
    void waitInLocalLoop();
    void work();

    BusyController& busy_;
    QObject notices_;  // receives the worker's "done" on the window's thread
    QEventLoop* localLoop_ = nullptr;

    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable jobDone_;
    std::function<void()> job_;
    quint64 jobNumber_ = 0;
    bool done_ = true;
    bool inLocalLoop_ = false;
    bool quitting_ = false;
    std::thread worker_;  // last: starts once everything above is ready
};
