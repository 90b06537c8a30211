#include "BackupPreviewPane.h"

#include <QLabel>
#include <QVBoxLayout>

#include "DetachedJob.h"
#include "common/OperatorTexts.h"
#include "operations/BackupPreview.h"

namespace {

constexpr int kWidth = 340;

QLabel* paneLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

}  // namespace

BackupPreviewPane::BackupPreviewPane(std::shared_ptr<HelperConnection> helper, BackupCheck check,
                                     QWidget* parent)
    : QGroupBox(texts::kBackupPreviewTitle, parent),
      helper_(std::move(helper)),
      check_(std::move(check)) {
    setObjectName(QStringLiteral("backupPreview"));
    setFixedWidth(kWidth);
    warnings_ = paneLabel("backupWarnings", this);
    warnings_->setStyleSheet(QStringLiteral("color: #b00000;"));
    details_ = paneLabel("backupDetails", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warnings_);
    layout->addWidget(details_, 1);
    clear();
}

void BackupPreviewPane::preview(const QString& backupPath, int serverMajorVersion) {
    const quint64 read = ++lastRead_;
    pendingRead_ = read;
    display({texts::kBackupPreviewReading}, {});
    runDetached(
        this,
        [helper = helper_, check = check_, backupPath, serverMajorVersion] {
            return previewBackup(*helper, backupPath, check, serverMajorVersion);
        },
        [this, read](const BackupPreview& preview) {
            // The operator has moved on to another file: its read will show.
            if (read == lastRead_) {
                pendingRead_ = 0;
                display(preview.details, preview.warnings);
                emit previewShown();
            }
        });
}

void BackupPreviewPane::clear() {
    ++lastRead_;
    pendingRead_ = 0;
    display({texts::kBackupPreviewHint}, {});
}

void BackupPreviewPane::display(const QStringList& details, const QStringList& warnings) {
    warnings_->setText(warnings.join(u'\n'));
    warnings_->setVisible(!warnings.isEmpty());
    details_->setText(details.join(u'\n'));
}
