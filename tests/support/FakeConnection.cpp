#include "FakeConnection.h"

QStringList FakeConnection::texts() const {
    QStringList out;
    for (const Call& call : calls) {
        out << call.sql;
    }
    return out;
}

void FakeConnection::answer(const QString& prefix, ResultSet rows) {
    answers_.append({prefix, std::move(rows)});
}

void FakeConnection::answerOnce(const QString& prefix, ResultSet rows) {
    answers_.append({prefix, std::move(rows), true});
}

void FakeConnection::failCall(qsizetype position, const QString& description) {
    callFailures_.append({position, description});
}

void FakeConnection::fail(const QString& prefix, const QString& description, bool always,
                          int nativeError) {
    failures_.append({prefix, description, always, nativeError});
}

void FakeConnection::open(const QString& connectionString) {
    ++openCount;
    lastConnectionString = connectionString;
    if (openError) {
        state_ = Closed;
        throw DatabaseError(*openError, openErrorState);
    }
    state_ = Open;
}

void FakeConnection::close() {
    ++closeCount;
    state_ = Closed;
    if (onClose) {
        onClose();
    }
}

void FakeConnection::record(Call::Kind kind, const QString& sql) {
    calls.append({kind, sql});
    if (state_ != Open) {
        throw DatabaseError(QStringLiteral("数据库连接未打开"));
    }
    for (const auto& [position, description] : callFailures_) {
        if (position == calls.size() - 1) {
            throw DatabaseError(description);
        }
    }
    for (Failure& failure : failures_) {
        if ((failure.always || !failure.used) && sql.startsWith(failure.prefix)) {
            failure.used = true;
            throw DatabaseError(failure.description, QStringLiteral("42000"), failure.nativeError);
        }
    }
}

void FakeConnection::execute(const QString& sql) {
    record(Call::Execute, sql);
}

ResultSet FakeConnection::query(const QString& sql) {
    record(Call::Query, sql);
    for (Answer& answer : answers_) {
        if (!answer.used && sql.startsWith(answer.prefix)) {
            answer.used = answer.once;
            return answer.rows;
        }
    }
    return {};
}

ResultSet column(const QString& name, const QStringList& values) {
    QList<QStringList> rows;
    for (const QString& value : values) {
        rows.append(QStringList{value});
    }
    return ResultSet({name}, rows);
}
