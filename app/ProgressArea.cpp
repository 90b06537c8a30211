#include "ProgressArea.h"

#include <QPushButton>
#include <QStatusBar>
#include <cmath>

#include "Twips.h"
#include "common/OperatorTexts.h"

namespace {

// Wide enough for the longest text, "完成 100%，剩余 10:00:00，已用 10:00:00", beside the
// Cancel button.
constexpr int kAreaWidthTwips = 4500;
constexpr int kCancelWidthTwips = 780;
// The status bar's own margins and the gap between its two widgets.
constexpr int kMarginsPixels = 16;

}  // namespace

namespace progress_text {

QString duration(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (seconds / 60) % 60 : seconds / 60,
                                               hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + u':' + minutesAndSeconds : minutesAndSeconds;
}

QString progress(qint64 elapsedMilliseconds, const std::optional<ServerProgress>& server) {
    if (!server) {
        return texts::kWaitingElapsed.arg(duration(elapsedMilliseconds));
    }
    const int percent =
        static_cast<int>(std::floor(std::clamp(server->percentComplete, 0.0, 100.0)));
    return texts::kServerProgress.arg(percent)
        .arg(duration(server->millisecondsLeft + 999))  // "0:00 left" only once done
        .arg(duration(elapsedMilliseconds));
}

}  // namespace progress_text

ProgressArea::ProgressArea(QStatusBar& bar, QLabel& statusPanel)
    : QLabel(&bar),
      bar_(bar),
      cancel_(new QPushButton(texts::kCancel, this)),
      statusPanel_(statusPanel),
      panelWidth_(statusPanel.width()) {
    setObjectName(QStringLiteral("ProgressArea"));
    setFixedWidth(twipsToPixels(kAreaWidthTwips));
    cancel_->setObjectName(QStringLiteral("C_Cancel"));
    cancel_->setFocusPolicy(Qt::NoFocus);  // Esc does the same from anywhere in the window
    setContentsMargins(0, 0, twipsToPixels(kCancelWidthTwips) + 4, 0);
    cancel_->hide();
    bar.addPermanentWidget(this);
    hide();
}

void ProgressArea::showProgress(qint64 elapsedMilliseconds,
                                const std::optional<ServerProgress>& server) {
    setText(progress_text::progress(elapsedMilliseconds, server));
    reveal();
}

void ProgressArea::showNotice(const QString& text) {
    setText(text);
    reveal();
}

void ProgressArea::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const int buttonWidth = twipsToPixels(kCancelWidthTwips);
    cancel_->setGeometry(width() - buttonWidth, 0, buttonWidth, height());
}

void ProgressArea::setCancellable(bool cancellable) {
    cancel_->setVisible(cancellable);
    cancel_->setEnabled(cancellable);
}

void ProgressArea::clear() {
    QLabel::clear();
    cancel_->hide();
    hide();
    statusPanel_.setFixedWidth(panelWidth_);
}

void ProgressArea::reveal() {
    if (isVisible()) {
        return;
    }
    const int room = bar_.width() - width() - kMarginsPixels;
    statusPanel_.setFixedWidth(std::clamp(room, 0, panelWidth_));
    show();
}
