#pragma once

#include <memory>
#include <optional>

#include "Prompts.h"

class HelperConnection;
class QWidget;

// QInputDialog for the typed confirmation, and the server's file dialog for every file the
// server is to open. The last file name is kept here from one use to the next.
class QtPrompts : public Prompts {
  public:
    QtPrompts(QWidget* parent, std::shared_ptr<HelperConnection> helper)
        : parent_(parent), helper_(std::move(helper)) {}

    QString askTypedConfirmation(const QString& prompt, const QString& title) override;
    ChosenFile chooseFile(const QString& filter, FileDialogMode mode) override;
    bool askYesNo(const QString& title, const QString& question) override;
    ChosenFile chooseBackupFile(const QString& filter, FileDialogMode mode,
                                const BackupCheck& check) override;
    bool confirmCertificate(const UntrustedCertificate& refusal) override;

  private:
    ChosenFile choose(const QString& filter, FileDialogMode mode,
                      const std::optional<BackupCheck>& check);

    QWidget* parent_;
    std::shared_ptr<HelperConnection> helper_;
    QString lastFileName_;
};
