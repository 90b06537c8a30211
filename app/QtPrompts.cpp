#include "QtPrompts.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "CertificateDialog.h"
#include "ServerFileDialog.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"

QString QtPrompts::askTypedConfirmation(const QString& prompt, const QString& title) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

ChosenFile QtPrompts::chooseFile(const QString& filter, FileDialogMode mode) {
    return choose(filter, mode, std::nullopt);
}

ChosenFile QtPrompts::chooseBackupFile(const QString& filter, FileDialogMode mode,
                                       const BackupCheck& check) {
    return choose(filter, mode, check);
}

ChosenFile QtPrompts::choose(const QString& filter, FileDialogMode mode,
                             const std::optional<BackupCheck>& check) {
    ServerFileDialog dialog(helper_, filter, mode, lastFileName_, parent_, check);
    if (dialog.exec() != QDialog::Accepted) {
        throw Error(texts::kFileDialogCancelled);
    }
    lastFileName_ = dialog.chosen().fullPath;
    return dialog.chosen();
}

bool QtPrompts::confirmCertificate(const UntrustedCertificate& refusal) {
    CertificateDialog dialog(refusal, parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::askYesNo(const QString& title, const QString& question) {
    return QMessageBox::question(parent_, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}
