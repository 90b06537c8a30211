#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "FakeConnection.h"
#include "operations/DbList.h"
#include "operations/OperationHost.h"

// The window as the maintenance handlers see it, with scripted prompts and a recording
// connection that starts open. click() runs a handler inside the window's error path.
class FakeHost : public OperationHost, public DbListView {
  public:
    FakeHost();

    FakeConnection conn;

    // The status line and every text it showed, in order.
    QString status;
    QStringList statusHistory;

    // C_DbList: its entries and the selected index (-1: none).
    QStringList entries;
    int selectedIndex = -1;
    void select(const QString& name);

    // Typed confirmation: the answer given (empty text stands for a cancel) and the
    // prompt/title pairs asked.
    QString typedAnswer;
    QList<std::pair<QString, QString>> confirmationsAsked;

    // File dialog: the next choices in order; nullopt cancels. Each use is recorded.
    QList<std::optional<ChosenFile>> fileChoices;
    QList<std::pair<QString, FileDialogMode>> dialogsShown;

    // Yes/No questions: the answers in order (none left: No), and each title/question asked.
    QList<bool> yesNoAnswers;
    QList<std::pair<QString, QString>> questionsAsked;
    // The helper connection, answered as scripted; starts open.
    FakeConnection helper;

    // The attach boxes.
    QString databaseName;
    QString dataFile;
    QString logFile;

    void click(const std::function<void(OperationHost&)>& handler);

    void showStatus(const QString& text) override;
    int selectedDatabaseIndex() const override { return selectedIndex; }
    QString selectedDatabaseText() const override;
    DbListView& databaseList() override { return *this; }
    Connection& connection() override { return conn; }
    // Each purpose the handler announced, and the current one.
    QList<std::optional<CallPurpose>> purposesSet;
    void setCallPurpose(const std::optional<CallPurpose>& purpose) override {
        purposesSet << purpose;
    }
    QString askTypedConfirmation(const QString& prompt, const QString& title) override;
    ChosenFile chooseFile(const QString& filter, FileDialogMode mode) override;
    bool askYesNo(const QString& title, const QString& question) override;
    ResultSet helperQuery(const QString& sql) override { return helper.query(sql); }
    QString databaseNameText() const override { return databaseName; }
    void setDatabaseNameText(const QString& text) override { databaseName = text; }
    QString dataFileText() const override { return dataFile; }
    void setDataFileText(const QString& text) override { dataFile = text; }
    QString logFileText() const override { return logFile; }
    void setLogFileText(const QString& text) override { logFile = text; }

    void clearEntries() override;
    void appendEntries(const QStringList& names) override { entries.append(names); }
};
