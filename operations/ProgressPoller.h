#pragma once

#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "ServerProgress.h"

class HelperConnection;

// Reads the server's progress of the tool's running statement about once a second, on a
// thread of its own: a query on the window's thread would stall it on a slow network.
class ProgressPoller {
  public:
    enum class Outcome {
        Progress,    // the server reports how far it has got
        NoProgress,  // the running statement is not one the server reports on
        Failed,      // the helper connection or its query failed: no more readings this call
    };
    struct Reading {
        quint64 call = 0;
        Outcome outcome = Outcome::NoProgress;
        ServerProgress progress;
    };
    // Called on the poller's thread, with no lock held.
    using Deliver = std::function<void(const Reading&)>;

    ProgressPoller(HelperConnection& helper, qint64 processId, Deliver deliver,
                   std::chrono::milliseconds interval = std::chrono::seconds(1));
    ~ProgressPoller();  // waits for a reading under way
    ProgressPoller(const ProgressPoller&) = delete;
    ProgressPoller& operator=(const ProgressPoller&) = delete;

    // Starts reading for this call, the first reading at once. Never waits.
    void watch(quint64 call);
    // Stops reading. Never waits: a reading under way is still delivered, with its call.
    void stop();

  private:
    void loop();
    Reading readOnce(quint64 call, ServerProgressReader& reader);

    HelperConnection& helper_;
    const qint64 processId_;
    const Deliver deliver_;
    const std::chrono::milliseconds interval_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<quint64> watched_;
    bool quitting_ = false;
    std::thread thread_;  // last: starts once everything above is ready
};
