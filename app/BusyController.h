#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <optional>

#include "operations/ProgressPoller.h"

class HelperConnection;
class ProgressArea;
class QLabel;
class QStatusBar;
class QWidget;

// The window while its thread waits for the server. Nothing changes for a quick call;
// input and close requests reach no handler for as long as any call runs; after about
// 300 ms the progress area shows the elapsed time and, polled on the helper connection,
// the server's own figures.
class BusyController : public QObject {
  public:
    BusyController(QWidget& window, QStatusBar& bar, QLabel& statusPanel, HelperConnection& helper);
    ~BusyController() override;
    BusyController(const BusyController&) = delete;
    BusyController& operator=(const BusyController&) = delete;

    // The window's thread is about to wait for a call that started `elapsed` ago.
    void begin(const QElapsedTimer& callStarted);
    void end();
    bool busy() const { return busy_; }

    // A close request while a call runs is refused, and the progress area says why.
    bool refuseClose();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showProgress();
    void refresh();
    void take(const ProgressPoller::Reading& reading);

    QWidget& window_;
    ProgressArea* area_;
    QElapsedTimer callStarted_;
    QTimer revealTimer_;
    QTimer tickTimer_;
    QTimer noticeTimer_;
    quint64 call_ = 0;
    bool busy_ = false;
    bool revealed_ = false;
    bool cursorSet_ = false;
    std::optional<ServerProgress> server_;
    ProgressPoller poller_;  // last: its thread delivers into the members above
};
