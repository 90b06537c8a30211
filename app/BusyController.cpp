#include "BusyController.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "ProgressArea.h"

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
                               HelperConnection& helper)
    : window_(window),
      area_(new ProgressArea(bar, statusPanel)),
      poller_(helper, QCoreApplication::applicationPid(),
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
}

BusyController::~BusyController() {
    if (busy_) {
        end();
    }
}

void BusyController::begin(const QElapsedTimer& callStarted) {
    busy_ = true;
    ++call_;
    callStarted_ = callStarted;
    server_.reset();
    qApp->installEventFilter(this);
    revealTimer_.start(std::max<int>(0, kRevealAfterMs - static_cast<int>(callStarted.elapsed())));
}

void BusyController::end() {
    busy_ = false;
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

bool BusyController::refuseClose() {
    if (!busy_) {
        return false;
    }
    area_->showCloseRefused();
    noticeTimer_.start();
    return true;
}

bool BusyController::eventFilter(QObject* watched, QEvent* event) {
    if (!busy_ || !isInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    return widget == &window_ || window_.isAncestorOf(widget);
}

void BusyController::showProgress() {
    revealed_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    cursorSet_ = true;
    tickTimer_.start();
    poller_.watch(call_);
    refresh();
}

void BusyController::refresh() {
    if (!revealed_ || noticeTimer_.isActive()) {
        return;
    }
    area_->showProgress(callStarted_.elapsed(), server_);
}

void BusyController::take(const ProgressPoller::Reading& reading) {
    if (reading.call != call_ || !busy_) {
        return;
    }
    if (reading.outcome == ProgressPoller::Outcome::Progress) {
        server_ = reading.progress;
    } else {
        server_.reset();
    }
    refresh();
}
