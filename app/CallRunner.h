#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

#include "common/Error.h"
#include "operations/CallPurpose.h"

class BusyController;
class QEventLoop;

// A call that ended at the operator's cancel rather than on its own. Its description is
// what the window says when nothing better can be read back.
class CallCancelled : public Error {
  public:
    enum class Ending {
        Stopped,         // the server stopped the call and said so
        Abandoned,       // the call was left to finish on its own (a login)
        Unacknowledged,  // the server never acknowledged the cancel: the link is given up
    };
    CallCancelled(Ending ending, QString description,
                  std::optional<CallPurpose> purpose = std::nullopt)
        : Error(std::move(description)), ending_(ending), purpose_(std::move(purpose)) {}
    Ending ending() const { return ending_; }
    // What the cancelled call was for.
    const std::optional<CallPurpose>& purpose() const { return purpose_; }

  private:
    Ending ending_;
    std::optional<CallPurpose> purpose_;
};

// Runs each call of the window's connection on a worker thread while the window's thread
// waits in a local event loop: the window repaints, can be moved, and answers the desktop,
// while its input reaches no handler (BusyController). Whoever calls still sees a plain
// blocking call, so the handlers stay a plain sequence of steps.
//
// A call the operator cancels is interrupted (the server is asked to stop, and the call
// then fails) or, when it cannot be, abandoned: its caller goes on at once, and the call
// finishes on a thread of its own that nobody waits for. A call must therefore own what
// it uses.
class CallRunner {
  public:
    struct Cancel {
        QString question;  // what cancelling this call means; empty: it cannot be cancelled
        // On the window's thread, once the operator confirmed: asks the server to stop the
        // call. Empty: the call is abandoned at once.
        std::function<void()> interrupt;
        // On the abandoned call's thread, once the call has returned after all.
        std::function<void()> afterAbandon;
    };

    explicit CallRunner(BusyController& busy,
                        std::chrono::milliseconds acknowledgementWait = std::chrono::seconds(30));
    ~CallRunner();
    CallRunner(const CallRunner&) = delete;
    CallRunner& operator=(const CallRunner&) = delete;

    // Runs call() on the worker and returns its result or raises what it raised; raises
    // CallCancelled when the operator's cancel ended it.
    template <typename Call>
    auto run(Call call, Cancel cancel = {}) -> decltype(call()) {
        using Result = decltype(call());
        struct Outcome {
            std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> value{};
            std::exception_ptr failure;
        };
        auto outcome = std::make_shared<Outcome>();
        const std::optional<CallCancelled::Ending> ending = runOnWorker(
            [outcome, call = std::move(call)]() mutable {
                try {
                    if constexpr (std::is_void_v<Result>) {
                        call();
                    } else {
                        outcome->value.emplace(call());
                    }
                } catch (...) {
                    outcome->failure = std::current_exception();
                }
            },
            std::move(cancel));
        // A call that failed after the operator asked for a cancel was stopped by it; one
        // that succeeded was done before the server heard of the cancel.
        if (ending && (*ending != CallCancelled::Ending::Stopped || outcome->failure)) {
            throw CallCancelled(*ending, {});
        }
        if (outcome->failure) {
            std::rethrow_exception(outcome->failure);
        }
        if constexpr (!std::is_void_v<Result>) {
            return std::move(*outcome->value);
        }
    }

  private:
    struct Worker;
    // Returns once the job has run on the worker, or was abandoned; tells whether the
    // operator's cancel had a part in how it ended.
    // The job must not throw.
    std::optional<CallCancelled::Ending> runOnWorker(std::function<void()> job, Cancel cancel);
    bool waitBriefly();
    void waitInLocalLoop();
    // The operator confirmed the cancel of the running call.
    void cancelRunningCall();
    void abandon(CallCancelled::Ending ending);
    void startWorker();

    BusyController& busy_;
    QObject notices_;  // receives the worker's "done" on the window's thread
    QEventLoop* localLoop_ = nullptr;
    QTimer acknowledgement_;
    Cancel cancel_;
    std::optional<CallCancelled::Ending> ending_;
    bool cancelRequested_ = false;
    std::shared_ptr<Worker> worker_;
};
