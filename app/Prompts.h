#pragma once

#include <QString>

#include "operations/OperationHost.h"

class UntrustedCertificate;

// The modal prompts, behind an interface so that tests can answer them.
class Prompts {
  public:
    virtual ~Prompts() = default;
    // The typed text; empty when cancelled.
    virtual QString askTypedConfirmation(const QString& prompt, const QString& title) = 0;
    // filter as "description|pattern"; raises Error when cancelled.
    virtual ChosenFile chooseFile(const QString& filter, FileDialogMode mode) = 0;
    // Yes or No, No the default; prompts that are never asked this answer No.
    virtual bool askYesNo(const QString& /*title*/, const QString& /*question*/) { return false; }
    // The same, looking inside the chosen backup file first; scripted prompts answer as
    // chooseFile.
    virtual ChosenFile chooseBackupFile(const QString& filter, FileDialogMode mode,
                                        const BackupCheck& /*check*/) {
        return chooseFile(filter, mode);
    }
    // The server certificate dialog; true when the operator trusts the certificate.
    virtual bool confirmCertificate(const UntrustedCertificate& refusal) = 0;
};
