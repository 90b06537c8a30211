#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "session/Connection.h"
#include "session/DatabaseError.h"

// A Connection that records every text it is given and answers from a script.
// Queries without a scripted answer return an empty result; a failure can be scripted
// for the n-th call or for any text that matches a predicate.
class FakeConnection : public Connection {
  public:
    struct Call {
        enum Kind { Execute, Query } kind;
        QString sql;
    };

    // Calls made so far, in order.
    QList<Call> calls;
    QStringList texts() const;

    // open() succeeds (state 1) unless openError is set.
    std::optional<QString> openError;
    QString openErrorState;  // its SQLSTATE, e.g. 08001 for a server out of reach
    QString lastConnectionString;
    int openCount = 0;
    int closeCount = 0;
    // Outlives the fake, which the window releases right after closing it.
    std::function<void()> onClose;

    // The answer to queries whose text starts with `prefix` (first match wins).
    void answer(const QString& prefix, ResultSet rows);
    // Like answer(), but used up by the first query it answers: a later query with the same
    // text gets the next matching answer, so a re-read can see what changed.
    void answerOnce(const QString& prefix, ResultSet rows);
    // Raises DatabaseError(description) for the first call whose text starts with `prefix`
    // (every such call when `always`), carrying the server's error number when given.
    void fail(const QString& prefix, const QString& description, bool always = false,
              int nativeError = 0);
    // Raises DatabaseError(description) for the call at `position` (0 = the first call made).
    void failCall(qsizetype position, const QString& description);

    void open(const QString& connectionString) override;
    int state() const override { return state_; }
    void close() override;
    void execute(const QString& sql) override;
    ResultSet query(const QString& sql) override;

    // Lets a test drop the connection as a server would.
    void setState(int state) { state_ = state; }

  private:
    void record(Call::Kind kind, const QString& sql);

    struct Answer {
        QString prefix;
        ResultSet rows;
        bool once = false;
        bool used = false;
    };
    struct Failure {
        QString prefix;
        QString description;
        bool always;
        int nativeError = 0;
        bool used = false;
    };
    QList<Answer> answers_;
    QList<Failure> failures_;
    QList<std::pair<qsizetype, QString>> callFailures_;
    int state_ = Closed;
};

// A result set of one text column, for list and existence answers.
ResultSet column(const QString& name, const QStringList& values);
