#pragma once

#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "ServerProgress.h"

class HelperConnection;

// Reads the server's progress of the tool's running statement about once a second, on a
// thread of its own: a query on the window's thread would stall it on a slow network.
// Nobody ever waits for that thread: a reading under way when the poller goes is dropped.
class ProgressPoller {
  public:
    enum class Outcome {
        Progress,    // the server reports how far it has got
        NoProgress,  // the running statement is not one the server reports on
        // The server no longer lists the tool's request, or the helper has not reached the
        // server for a while: the tool's own link may be gone.
        Vanished,
        Failed,  // the helper's query failed: no more readings this call
    };
    struct Reading {
        quint64 call = 0;
        Outcome outcome = Outcome::NoProgress;
        ServerProgress progress;
    };
    // Called on the poller's thread, with no lock of the poller held.
    using Deliver = std::function<void(const Reading&)>;

    ProgressPoller(std::shared_ptr<HelperConnection> helper, qint64 processId, Deliver deliver,
                   std::chrono::milliseconds interval = std::chrono::seconds(1),
                   std::chrono::milliseconds unreachableAfter = std::chrono::seconds(30));
    ~ProgressPoller();  // never waits
    ProgressPoller(const ProgressPoller&) = delete;
    ProgressPoller& operator=(const ProgressPoller&) = delete;

    // Starts reading for this call, the first reading at once. Never waits.
    void watch(quint64 call);
    // Stops reading. Never waits: a reading under way is still delivered, with its call.
    void stop();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
