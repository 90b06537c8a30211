#pragma once

#include <QLabel>
#include <optional>

#include "operations/ServerProgress.h"

class QPushButton;
class QStatusBar;

// The area beside the status panel that tells how long the window has waited for the
// server and, when the server reports it, how far the server has got, with the call's
// Cancel button. The status panel's text is never touched: the panel only yields room
// while the area shows.
class ProgressArea : public QLabel {
  public:
    ProgressArea(QStatusBar& bar, QLabel& statusPanel);

    void showProgress(qint64 elapsedMilliseconds, const std::optional<ServerProgress>& server);
    // One of the texts that stand for a while in place of the figures.
    void showNotice(const QString& text);
    // The Cancel button shows with the area while the call can be cancelled.
    void setCancellable(bool cancellable);
    QPushButton& cancelButton() { return *cancel_; }
    void clear();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void reveal();

    QStatusBar& bar_;
    QPushButton* cancel_;
    QLabel& statusPanel_;
    int panelWidth_;
};

namespace progress_text {

// 0:07, 12:30, 1:02:03
QString duration(qint64 milliseconds);
QString progress(qint64 elapsedMilliseconds, const std::optional<ServerProgress>& server);

}  // namespace progress_text
