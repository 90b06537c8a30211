#pragma once

#include "Prompts.h"

class QWidget;

// QInputDialog for the typed confirmation and one QFileDialog setup shared by every use,
// which keeps the last file name. The files live on the server's machine, so the dialog
// accepts names of files that do not exist here, and a typed Windows path comes back
// exactly as typed instead of being joined to a local folder.
class QtPrompts : public Prompts {
  public:
    explicit QtPrompts(QWidget* parent) : parent_(parent) {}

    QString askTypedConfirmation(const QString& prompt, const QString& title) override;
    ChosenFile chooseFile(const QString& filter, FileDialogMode mode) override;

  private:
    QWidget* parent_;
    QString lastFileName_;
};
