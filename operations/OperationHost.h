#pragma once

#include <QString>

#include "session/ResultSet.h"

class Connection;
class DbListView;

enum class FileDialogMode { Open, Save };

struct ChosenFile {
    QString fullPath;
    QString title;  // the file's name without its directory
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

    // The typed answer; empty when the operator cancels.
    virtual QString askTypedConfirmation(const QString& prompt, const QString& title) = 0;
    // Raises Error with a Chinese description when the operator cancels.
    virtual ChosenFile chooseFile(const QString& filter, FileDialogMode mode) = 0;
    // A question answered with Yes or No; No is the default, and closing the question.
    virtual bool askYesNo(const QString& title, const QString& question) = 0;

    // A query on the tool's own account, over the helper connection, so that the tool's
    // session receives nothing but the operations' statements. Raises Error.
    virtual ResultSet helperQuery(const QString& sql) = 0;

    // The attach boxes of F_A.
    virtual QString databaseNameText() const = 0;
    virtual void setDatabaseNameText(const QString& text) = 0;
    virtual QString dataFileText() const = 0;
    virtual void setDataFileText(const QString& text) = 0;
    virtual QString logFileText() const = 0;
    virtual void setLogFileText(const QString& text) = 0;
};
