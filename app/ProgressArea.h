#pragma once

#include <QLabel>
#include <optional>

#include "operations/ServerProgress.h"

class QStatusBar;

// The area beside the status panel that tells how long the window has waited for the
// server and, when the server reports it, how far the server has got. The status panel's
// text is never touched: the panel only yields room while the area shows.
class ProgressArea : public QLabel {
  public:
    ProgressArea(QStatusBar& bar, QLabel& statusPanel);

    void showProgress(qint64 elapsedMilliseconds, const std::optional<ServerProgress>& server);
    void showCloseRefused();
    void clear();

  private:
    void reveal();

    QStatusBar& bar_;
    QLabel& statusPanel_;
    int panelWidth_;
};

namespace progress_text {

// 0:07, 12:30, 1:02:03
QString duration(qint64 milliseconds);
QString progress(qint64 elapsedMilliseconds, const std::optional<ServerProgress>& server);

}  // namespace progress_text
