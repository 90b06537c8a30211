#pragma once

#include <QString>
#include <exception>
#include <functional>

#include "common/Error.h"

// The frame of every click handler that can fail: whatever Error the handler raises ends
// it, and its description becomes the status line, unchanged. Any other exception ends it
// the same way with its own text, so that no failure can take the window down.
inline void runWithErrorPath(const std::function<void(const QString&)>& showStatus,
                             const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Error& error) {
        showStatus(error.description());
    } catch (const std::exception& error) {
        showStatus(QString::fromUtf8(error.what()));
    }
}
