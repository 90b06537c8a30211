#include "OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <mutex>
#include <optional>
#include <utility>

#include "CertificateRefusal.h"
#include "EncryptionRefusal.h"
#include "OdbcConnectionString.h"
#include "OdbcDiagnostics.h"
#include "ServerTrust.h"
#include "common/OperatorTexts.h"

namespace {

// SQLSTATE 08S01, communication link failure.
const QString kLinkFailureState = QStringLiteral("08S01");
// SQLSTATE HY008, the statement was cancelled: it has nothing more to give.
const QString kCancelledState = QStringLiteral("HY008");
// SQLSTATE HYT00, a time-out expired.
const QString kTimeoutState = QStringLiteral("HYT00");

// An ODBC handle, freed when its owner goes, whatever happened to the calls that used it.
template <SQLSMALLINT Type>
class OdbcHandle {
  public:
    // Raises the parent's diagnostics when the driver manager refuses the handle.
    OdbcHandle(SQLSMALLINT parentType, SQLHANDLE parent) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(Type, parent, &handle_))) {
            handle_ = SQL_NULL_HANDLE;
            throw parent == SQL_NULL_HANDLE ? DatabaseError(texts::kOdbcUnavailable)
                                            : odbcError(parentType, parent);
        }
    }
    ~OdbcHandle() {
        if (handle_ != SQL_NULL_HANDLE) {
            SQLFreeHandle(Type, handle_);
        }
    }
    OdbcHandle(OdbcHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle& operator=(OdbcHandle&&) = delete;

    SQLHANDLE get() const { return handle_; }

  private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using ConnectionHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

EnvironmentHandle odbc3Environment() {
    EnvironmentHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        throw DatabaseError(texts::kOdbcUnavailable);
    }
    return env;
}

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
            throw odbcError(SQL_HANDLE_STMT, stmt);
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
            throw odbcError(SQL_HANDLE_STMT, stmt);
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

bool isLinkDead(SQLHDBC dbc) {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

// A statement whose link broke under it may carry only an unknown driver error (FreeTDS
// gives HY000 "Unknown error" when the server hung up mid-reply). The driver still knows the
// link is dead, so the error is marked as such, and a reason the server gave is kept.
DatabaseError statementError(SQLHDBC dbc, SQLHSTMT stmt) {
    DatabaseError error = odbcError(SQL_HANDLE_STMT, stmt);
    if (error.isConnectionFailure() || !isLinkDead(dbc)) {
        return error;
    }
    const QString description = error.nativeError() != 0 ? error.description() : texts::kLinkLost;
    return DatabaseError(description, kLinkFailureState, error.nativeError());
}

}  // namespace

// The handles of an open connection. Members go in reverse order: the link is ended, then
// the connection handle freed, then the environment.
struct OdbcConnection::Link {
    EnvironmentHandle env = odbc3Environment();
    ConnectionHandle dbc{SQL_HANDLE_ENV, env.get()};
    bool connected = false;
    std::optional<int> commandTimeoutSeconds;

    // The statement under way, for cancel() from another thread.
    std::mutex runningMutex;
    SQLHSTMT running = SQL_NULL_HSTMT;

    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    ~Link() {
        if (connected) {
            // A link the server already dropped cannot be ended politely; the handles go anyway.
            SQLDisconnect(dbc.get());
        }
    }
};

namespace {

// Makes a statement reachable for cancel() while it runs; it is unreachable again before
// its handle is freed.
class RunningStatement {
  public:
    RunningStatement(OdbcConnection::Link& link, SQLHSTMT stmt) : link_(link) {
        const std::lock_guard lock(link_.runningMutex);
        link_.running = stmt;
    }
    ~RunningStatement() {
        const std::lock_guard lock(link_.runningMutex);
        link_.running = SQL_NULL_HSTMT;
    }
    RunningStatement(const RunningStatement&) = delete;
    RunningStatement& operator=(const RunningStatement&) = delete;

  private:
    OdbcConnection::Link& link_;
};

// Runs one batch and walks every result it yields. The first result with columns is
// returned when `capture` is set; the first error is raised once the batch is drained. A
// failed statement leaves the rest of the batch to be read; a dead link (SQLSTATE class 08)
// has nothing more to give, so the walk ends there.
ResultSet runBatch(OdbcConnection::Link& link, const QString& sql, bool capture) {
    SQLHDBC dbc = link.dbc.get();
    StatementHandle stmt(SQL_HANDLE_DBC, dbc);
    if (link.commandTimeoutSeconds) {
        SQLSetStmtAttrW(
            stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*link.commandTimeoutSeconds)), 0);
    }
    const RunningStatement running(link, stmt.get());
    SQLRETURN rc = SQLExecDirectW(stmt.get(), const_cast<SQLWCHAR*>(sqlText(sql)),
                                  static_cast<SQLINTEGER>(sql.size()));
    std::optional<DatabaseError> firstError;
    std::optional<ResultSet> captured;
    const auto failed = [&firstError](DatabaseError error) {
        const bool linkLost = error.isConnectionFailure() || error.sqlState() == kCancelledState;
        if (!firstError) {
            firstError = std::move(error);
        }
        return linkLost;
    };
    while (rc != SQL_NO_DATA) {
        if (rc == SQL_ERROR) {
            if (failed(statementError(dbc, stmt.get()))) {
                break;
            }
        } else if (SQL_SUCCEEDED(rc)) {
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
                    if (failed(error)) {
                        break;
                    }
                }
            }
        } else {
            // SQL_INVALID_HANDLE, SQL_NEED_DATA, SQL_STILL_EXECUTING: nothing this walk reads.
            break;
        }
        rc = SQLMoreResults(stmt.get());
    }
    if (firstError) {
        throw *firstError;
    }
    return captured.value_or(ResultSet());
}

}  // namespace

OdbcConnection::OdbcConnection(std::chrono::seconds loginTimeout) : loginTimeout_(loginTimeout) {}

OdbcConnection::~OdbcConnection() = default;

int OdbcConnection::state() const {
    return link_ ? Open : Closed;
}

void OdbcConnection::open(const QString& connectionString) {
    if (link_) {
        throw DatabaseError(texts::kAlreadyOpen);
    }
    const connection_string::OdbcRequest request = connection_string::translate(connectionString);
    if (request.ownSection) {
        server_trust::writeSection(*request.ownSection);
    }
    auto link = std::make_unique<Link>();
    const int loginSeconds =
        request.loginTimeoutSeconds.value_or(static_cast<int>(loginTimeout_.count()));
    SQLSetConnectAttrW(link->dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginSeconds)), 0);
    link->commandTimeoutSeconds = request.commandTimeoutSeconds;
    const QString& odbc = request.odbc;
    const SQLRETURN rc = SQLDriverConnectW(
        link->dbc.get(), nullptr, const_cast<SQLWCHAR*>(sqlText(odbc)),
        static_cast<SQLSMALLINT>(odbc.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const DatabaseError error = odbcError(SQL_HANDLE_DBC, link->dbc.get());
        if (error.sqlState() == kTimeoutState) {
            throw DatabaseError(texts::kLoginTimedOut.arg(loginSeconds), error.sqlState(),
                                error.nativeError());
        }
        if (encryption_refusal::isEncryptionRefusal(
                encryption_refusal::diagnosticRecords(SQL_HANDLE_DBC, link->dbc.get()))) {
            if (request.ownSection) {
                certificate_refusal::raise(*request.ownSection, request.integratedSecurity, error);
            }
            throw DatabaseError(request.integratedSecurity ? texts::kWindowsLoginOrEncryptionRefused
                                                           : texts::kEncryptionOrCertificateRefused,
                                error.sqlState(), error.nativeError());
        }
        throw error;
    }
    link->connected = true;
    link_ = std::move(link);
}

void OdbcConnection::close() {
    link_.reset();
}

void OdbcConnection::execute(const QString& sql) {
    if (!link_) {
        throw DatabaseError(texts::kNotOpen);
    }
    runBatch(*link_, sql, false);
}

ResultSet OdbcConnection::query(const QString& sql) {
    if (!link_) {
        throw DatabaseError(texts::kNotOpen);
    }
    return runBatch(*link_, sql, true);
}

void OdbcConnection::cancel() {
    if (!link_) {
        return;
    }
    const std::lock_guard lock(link_->runningMutex);
    if (link_->running != SQL_NULL_HSTMT) {
        // The driver sends the attention from the running call's own thread and reads up to
        // the server's acknowledgement there; this returns at once.
        SQLCancel(link_->running);
    }
}

std::unique_ptr<Connection> makeOdbcConnection() {
    return std::make_unique<OdbcConnection>();
}
