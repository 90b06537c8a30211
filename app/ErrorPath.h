#pragma once

#include <QString>
#include <functional>

#include "session/Error.h"

// The frame of every click handler that can fail: whatever Error the handler raises ends
// it, and its description becomes the status line, unchanged.
inline void runWithErrorPath(const std::function<void(const QString&)>& showStatus,
                             const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Error& error) {
        showStatus(error.description());
    }
}
