#pragma once

#include <QString>
#include <optional>

class OperationHost;

// What a call of the tool's own session is for, as far as cancelling it matters: what the
// operator is told a cancel means, and what is read back from the server after one.
struct CallPurpose {
    enum class Kind { Connect, Statement, BackUp, Restore, CleanUp };

    Kind kind = Kind::Statement;
    QString database;
    QString backupFile;  // the target of a backup, as the server names it

    static CallPurpose connect() { return {Kind::Connect, {}, {}}; }
    static CallPurpose backUp(const QString& database, const QString& backupFile) {
        return {Kind::BackUp, database, backupFile};
    }
    static CallPurpose restore(const QString& database) { return {Kind::Restore, database, {}}; }
    static CallPurpose cleanUp(const QString& database) { return {Kind::CleanUp, database, {}}; }

    bool operator==(const CallPurpose&) const = default;
};

// The question a cancel asks first, saying what cancelling this call means.
QString cancelQuestion(const std::optional<CallPurpose>& purpose);

// Tells the window what the calls of a handler's steps are for, from here to the end of
// the scope.
class CallPurposeScope {
  public:
    CallPurposeScope(OperationHost& host, const CallPurpose& purpose);
    ~CallPurposeScope();
    CallPurposeScope(const CallPurposeScope&) = delete;
    CallPurposeScope& operator=(const CallPurposeScope&) = delete;

  private:
    OperationHost& host_;
};
