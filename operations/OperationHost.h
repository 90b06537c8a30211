#pragma once

#include <QString>
#include <optional>

#include "CallPurpose.h"
#include "session/ResultSet.h"

class Connection;
class DbListView;

enum class FileDialogMode { Open, Save };

struct ChosenFile {
    QString fullPath;
    QString title;  // the file's name without its directory
};

// What a backup file is chosen for, so that the dialog can look inside it first: a backup
// to restore is previewed against the database it would replace, and an existing file
// that a backup would overwrite is asked about.
enum class BackupUse { BackUp, Restore, ForcedRestore };
struct BackupCheck {
    BackupUse use = BackupUse::Restore;
    QString databaseName;
};

// What the maintenance handlers need of the window, so that they run without widgets.
class OperationHost {
  public:
    virtual ~OperationHost() = default;

    virtual void showStatus(const QString& text) = 0;

    // C_DbList: -1 when nothing is selected.
    virtual int selectedDatabaseIndex() const = 0;
    virtual QString selectedDatabaseText() const = 0;
    virtual DbListView& databaseList() = 0;

    // Conn, created on first use.
    virtual Connection& connection() = 0;
    // What the calls on Conn are for until it is set again (CallPurposeScope); nothing: a
    // plain statement.
    virtual void setCallPurpose(const std::optional<CallPurpose>& purpose) = 0;

    // The typed answer; empty when the operator cancels.
    virtual QString askTypedConfirmation(const QString& prompt, const QString& title) = 0;
    // Raises Error with a Chinese description when the operator cancels.
    virtual ChosenFile chooseFile(const QString& filter, FileDialogMode mode) = 0;
    // A question answered with Yes or No; No is the default, and closing the question.
    virtual bool askYesNo(const QString& title, const QString& question) = 0;

    // A query on the tool's own account, over the helper connection, so that the tool's
    // session receives nothing but the operations' statements. Raises Error.
    virtual ResultSet helperQuery(const QString& sql) = 0;
    // The same dialog, which looks inside the backup file chosen before letting it go. A
    // window that cannot look inside shows the plain dialog.
    virtual ChosenFile chooseBackupFile(const QString& filter, FileDialogMode mode,
                                        const BackupCheck& /*check*/) {
        return chooseFile(filter, mode);
    }

    // The attach boxes of F_A.
    virtual QString databaseNameText() const = 0;
    virtual void setDatabaseNameText(const QString& text) = 0;
    virtual QString dataFileText() const = 0;
    virtual void setDataFileText(const QString& text) = 0;
    virtual QString logFileText() const = 0;
    virtual void setLogFileText(const QString& text) = 0;
};
