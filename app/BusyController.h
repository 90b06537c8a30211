#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "operations/ProgressPoller.h"

class HelperConnection;
class ProgressArea;
class QLabel;
class QMessageBox;
class QStatusBar;
class QWidget;

// The window while its thread waits for the server. Nothing changes for a quick call;
// input reaches no control but the Cancel button for as long as any call runs; after about
// 300 ms the progress area shows the elapsed time, the Cancel button (Esc does the same)
// and, polled on the helper connection, the server's own figures. A cancel, and a close
// request, first ask the operator.
class BusyController : public QObject {
  public:
    BusyController(QWidget& window, QStatusBar& bar, QLabel& statusPanel,
                   std::shared_ptr<HelperConnection> helper);
    ~BusyController() override;
    BusyController(const BusyController&) = delete;
    BusyController& operator=(const BusyController&) = delete;

    // The window's thread is about to wait for a call that started `elapsed` ago. `cancel`
    // runs once the operator has confirmed `cancelQuestion`; an empty question: the call
    // cannot be cancelled.
    void begin(const QElapsedTimer& callStarted, const QString& cancelQuestion,
               std::function<void()> cancel);
    // The call has returned or was let go: a question still open is answered "no".
    void callFinished();
    void end();
    bool busy() const { return busy_; }

    // A close request while a call runs: asks whether to cancel the call and close. True
    // when the operator agreed; the call is then being cancelled.
    bool askToCancelForClose();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showProgress();
    void refresh();
    void take(const ProgressPoller::Reading& reading);
    void requestCancel();
    // Asks the question; true for "是", given while the same call still runs.
    bool confirm(const QString& text);
    void cancelConfirmed();

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
    bool vanished_ = false;
    bool cancelling_ = false;
    QString cancelQuestion_;
    std::function<void()> cancel_;
    QPointer<QMessageBox> question_;
    std::optional<ServerProgress> server_;
    ProgressPoller poller_;  // last: its thread delivers into the members above
};
