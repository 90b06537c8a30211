#include "OdbcConnection.h"

#include <array>
#include <optional>

#include "ConnectionString.h"
#include "EncryptionRefusal.h"
#include "Error.h"
#include "OdbcDiagnostics.h"

namespace {

const QString kNotOpen = QStringLiteral("数据库连接未打开");

// A statement handle that is freed whatever happens to the call that uses it.
class StatementHandle {
  public:
    explicit StatementHandle(SQLHDBC dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_))) {
            throw DatabaseError(odbcErrorDescription(SQL_HANDLE_DBC, dbc));
        }
    }
    ~StatementHandle() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;

    SQLHSTMT get() const { return handle_; }

  private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

QString columnName(SQLHSTMT stmt, SQLUSMALLINT column) {
    std::array<SQLWCHAR, 256> name{};
    SQLSMALLINT length = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    SQLDescribeColW(stmt, column, name.data(), static_cast<SQLSMALLINT>(name.size()), &length,
                    &type, &size, &digits, &nullable);
    const auto count = std::min<qsizetype>(length, static_cast<qsizetype>(name.size()) - 1);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(name.data()), count);
}

// A field as text; NULL reads as empty text. Long values arrive in pieces.
QString fieldText(SQLHSTMT stmt, SQLUSMALLINT column) {
    QString value;
    std::array<SQLWCHAR, 2048> buffer{};
    constexpr auto kBufferBytes = static_cast<SQLLEN>(sizeof(buffer));
    constexpr qsizetype kBufferChars = std::tuple_size_v<decltype(buffer)> - 1;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), kBufferBytes, &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            throw DatabaseError(odbcErrorDescription(SQL_HANDLE_STMT, stmt));
        }
        const qsizetype chars = (indicator == SQL_NO_TOTAL || indicator >= kBufferBytes)
                                    ? kBufferChars
                                    : static_cast<qsizetype>(indicator / sizeof(SQLWCHAR));
        value.append(QStringView(reinterpret_cast<const char16_t*>(buffer.data()), chars));
        if (rc == SQL_SUCCESS) {
            break;
        }
    }
    return value;
}

// Reads every row of the current result; keeps them only when `keep` is given.
void readRows(SQLHSTMT stmt, SQLSMALLINT columns, ResultSet* keep) {
    QStringList names;
    QList<QStringList> rows;
    if (keep != nullptr) {
        for (SQLSMALLINT c = 1; c <= columns; ++c) {
            names << columnName(stmt, static_cast<SQLUSMALLINT>(c));
        }
    }
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            throw DatabaseError(odbcErrorDescription(SQL_HANDLE_STMT, stmt));
        }
        if (keep == nullptr) {
            continue;
        }
        QStringList row;
        row.reserve(columns);
        for (SQLSMALLINT c = 1; c <= columns; ++c) {
            row << fieldText(stmt, static_cast<SQLUSMALLINT>(c));
        }
        rows.append(std::move(row));
    }
    if (keep != nullptr) {
        *keep = ResultSet(std::move(names), std::move(rows));
    }
}

// Runs one batch and walks every result it yields. The first result with columns is
// returned when `capture` is set; the first error is raised once the batch is drained.
ResultSet runBatch(SQLHDBC dbc, const QString& sql, bool capture) {
    StatementHandle stmt(dbc);
    SQLRETURN rc = SQLExecDirectW(stmt.get(), const_cast<SQLWCHAR*>(sqlText(sql)),
                                  static_cast<SQLINTEGER>(sql.size()));
    std::optional<QString> firstError;
    std::optional<ResultSet> captured;
    int errorsInARow = 0;
    while (rc != SQL_NO_DATA) {
        if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
            if (!firstError) {
                firstError = odbcErrorDescription(SQL_HANDLE_STMT, stmt.get());
            }
            // A dead connection answers every call with an error; one retry is enough
            // to tell a failed statement from a failed link.
            if (rc == SQL_INVALID_HANDLE || ++errorsInARow > 1) {
                break;
            }
        } else if (SQL_SUCCEEDED(rc)) {
            errorsInARow = 0;
            SQLSMALLINT columns = 0;
            SQLNumResultCols(stmt.get(), &columns);
            if (columns > 0) {
                try {
                    ResultSet rows;
                    const bool keep = capture && !captured;
                    readRows(stmt.get(), columns, keep ? &rows : nullptr);
                    if (keep) {
                        captured = std::move(rows);
                    }
                } catch (const DatabaseError& error) {
                    if (!firstError) {
                        firstError = error.description();
                    }
                }
            }
        } else {
            break;
        }
        rc = SQLMoreResults(stmt.get());
    }
    if (firstError) {
        throw DatabaseError(*firstError);
    }
    return captured.value_or(ResultSet());
}

}  // namespace

OdbcConnection::~OdbcConnection() {
    close();
}

void OdbcConnection::requireOpen() const {
    if (!connected_) {
        throw DatabaseError(kNotOpen);
    }
}

void OdbcConnection::freeHandles() {
    if (dbc_ != SQL_NULL_HDBC) {
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = SQL_NULL_HDBC;
    }
    if (env_ != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        env_ = SQL_NULL_HENV;
    }
}

void OdbcConnection::open(const QString& connectionString) {
    if (connected_) {
        throw DatabaseError(QStringLiteral("数据库连接已经打开"));
    }
    const QString odbc = connection_string::toOdbc(connectionString);
    freeHandles();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
        freeHandles();
        throw DatabaseError(QStringLiteral("无法初始化 ODBC 环境"));
    }
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, const_cast<SQLWCHAR*>(sqlText(odbc)),
                                           static_cast<SQLSMALLINT>(odbc.size()), nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const QString description = encryption_refusal::isEncryptionRefusal(
                                        encryption_refusal::diagnosticRecords(SQL_HANDLE_DBC, dbc_))
                                        ? encryption_refusal::kDescription
                                        : odbcErrorDescription(SQL_HANDLE_DBC, dbc_);
        freeHandles();
        throw DatabaseError(description);
    }
    connected_ = true;
}

void OdbcConnection::close() {
    if (connected_) {
        // A link the server already dropped cannot be closed politely; the handles go anyway.
        SQLDisconnect(dbc_);
        connected_ = false;
    }
    freeHandles();
}

void OdbcConnection::execute(const QString& sql) {
    requireOpen();
    runBatch(dbc_, sql, false);
}

ResultSet OdbcConnection::query(const QString& sql) {
    requireOpen();
    return runBatch(dbc_, sql, true);
}
