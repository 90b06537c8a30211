#pragma once

#include <QGroupBox>
#include <memory>

#include "operations/OperationHost.h"

class HelperConnection;
class QLabel;

// The pane of the file dialog that shows what the selected backup holds and the reasons to
// look twice, before the operator restores from it. The file is read over the helper
// connection off the window's thread; the newest selection wins over an older read.
class BackupPreviewPane : public QGroupBox {
    Q_OBJECT

  public:
    BackupPreviewPane(std::shared_ptr<HelperConnection> helper, BackupCheck check, QWidget* parent);

    void preview(const QString& backupPath, int serverMajorVersion);
    void clear();
    bool reading() const { return pendingRead_ != 0; }

  signals:
    // A read ended and its outcome is on show.
    void previewShown();

  private:
    void display(const QStringList& details, const QStringList& warnings);

    std::shared_ptr<HelperConnection> helper_;
    BackupCheck check_;
    quint64 lastRead_ = 0;
    quint64 pendingRead_ = 0;
    QLabel* warnings_ = nullptr;
    QLabel* details_ = nullptr;
};
