#include "BusyController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "ProgressArea.h"
#include "common/OperatorTexts.h"

namespace {

// A call shorter than this changes nothing visible.
constexpr int kRevealAfterMs = 300;
constexpr int kTickMs = 1000;
constexpr int kNoticeMs = 3000;

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

BusyController::BusyController(QWidget& window, QStatusBar& bar, QLabel& statusPanel,
                               std::shared_ptr<HelperConnection> helper)
    : window_(window),
      area_(new ProgressArea(bar, statusPanel)),
      poller_(std::move(helper), QCoreApplication::applicationPid(),
              [this](const ProgressPoller::Reading& reading) {
                  QMetaObject::invokeMethod(
                      this, [this, reading] { take(reading); }, Qt::QueuedConnection);
              }) {
    revealTimer_.setSingleShot(true);
    connect(&revealTimer_, &QTimer::timeout, this, [this] { showProgress(); });
    tickTimer_.setInterval(kTickMs);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { refresh(); });
    noticeTimer_.setSingleShot(true);
    noticeTimer_.setInterval(kNoticeMs);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] { refresh(); });
    // Queued: the question is asked from the event loop, not from inside the click.
    connect(
        &area_->cancelButton(), &QPushButton::clicked, this, [this] { requestCancel(); },
        Qt::QueuedConnection);
}

BusyController::~BusyController() {
    if (busy_) {
        end();
    }
}

void BusyController::begin(const QElapsedTimer& callStarted, const QString& cancelQuestion,
                           std::function<void()> cancel) {
    busy_ = true;
    ++call_;
    callStarted_ = callStarted;
    cancelQuestion_ = cancelQuestion;
    cancel_ = std::move(cancel);
    cancelling_ = false;
    vanished_ = false;
    server_.reset();
    qApp->installEventFilter(this);
    revealTimer_.start(std::max<int>(0, kRevealAfterMs - static_cast<int>(callStarted.elapsed())));
}

void BusyController::callFinished() {
    if (question_) {
        question_->done(QMessageBox::No);
    }
}

void BusyController::end() {
    callFinished();
    busy_ = false;
    cancel_ = nullptr;
    ++call_;  // readings still on their way belong to no call
    poller_.stop();
    qApp->removeEventFilter(this);
    revealTimer_.stop();
    tickTimer_.stop();
    noticeTimer_.stop();
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
    revealed_ = false;
    area_->clear();
}

bool BusyController::askToCancelForClose() {
    if (!busy_) {
        return true;
    }
    if (cancelQuestion_.isEmpty() || question_) {
        // Nothing to cancel here (or the operator is being asked already): the close waits.
        area_->showNotice(texts::kCloseRefused);
        noticeTimer_.start();
        return false;
    }
    if (cancelling_) {
        return true;
    }
    if (!confirm(texts::kCloseQuestion)) {
        return false;
    }
    cancelConfirmed();
    return true;
}

void BusyController::requestCancel() {
    if (!busy_ || !revealed_ || cancelling_ || cancelQuestion_.isEmpty() || question_) {
        return;
    }
    if (confirm(cancelQuestion_)) {
        cancelConfirmed();
    }
}

bool BusyController::confirm(const QString& text) {
    const quint64 asked = call_;
    QMessageBox question(QMessageBox::Question, texts::kCancelTitle, text,
                         QMessageBox::Yes | QMessageBox::No, &window_);
    question.setDefaultButton(QMessageBox::No);
    question.setObjectName(QStringLiteral("CancelQuestion"));
    question_ = &question;
    const int answer = question.exec();
    question_ = nullptr;
    return answer == QMessageBox::Yes && busy_ && call_ == asked && !cancelling_;
}

void BusyController::cancelConfirmed() {
    cancelling_ = true;
    area_->cancelButton().setEnabled(false);
    area_->showNotice(texts::kCancelling);
    if (cancel_) {
        cancel_();
    }
}

bool BusyController::eventFilter(QObject* watched, QEvent* event) {
    if (!busy_ || !isInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != &window_ && !window_.isAncestorOf(widget)) {
        return false;  // another window: the question, a dialog of the operation
    }
    QPushButton& cancel = area_->cancelButton();
    if (widget == &cancel && event->type() != QEvent::Wheel) {
        return false;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        QMetaObject::invokeMethod(
            this, [this] { requestCancel(); }, Qt::QueuedConnection);
    }
    return true;
}

void BusyController::showProgress() {
    revealed_ = true;
    area_->setCancellable(!cancelQuestion_.isEmpty());
    QApplication::setOverrideCursor(Qt::BusyCursor);
    cursorSet_ = true;
    tickTimer_.start();
    poller_.watch(call_);
    refresh();
}

void BusyController::refresh() {
    if (!revealed_ || noticeTimer_.isActive() || cancelling_) {
        return;
    }
    if (vanished_) {
        area_->showNotice(texts::kOperationVanished);
        return;
    }
    area_->showProgress(callStarted_.elapsed(), server_);
}

void BusyController::take(const ProgressPoller::Reading& reading) {
    if (reading.call != call_ || !busy_) {
        return;
    }
    vanished_ = reading.outcome == ProgressPoller::Outcome::Vanished;
    if (reading.outcome == ProgressPoller::Outcome::Progress) {
        server_ = reading.progress;
    } else {
        server_.reset();
    }
    refresh();
}
