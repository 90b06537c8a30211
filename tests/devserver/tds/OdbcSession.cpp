#include "OdbcSession.h"

#include "devserver/engine/Text.h"

namespace tdstest {
namespace {

using devserver::text::fromUtf8;
using devserver::text::toUtf8;

std::u16string fromSqlWchar(const SQLWCHAR* text, std::size_t units) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), units);
}

bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::string describe(const std::vector<Diagnostic>& diagnostics) {
    std::string out;
    for (const auto& d : diagnostics) {
        out += "\n  [" + d.sqlState + "] " + std::to_string(d.nativeError) + " " + d.text;
    }
    return out;
}

}  // namespace

OdbcFailure::OdbcFailure(const std::string& what, std::vector<Diagnostic> diagnostics)
    : std::runtime_error(what + describe(diagnostics)), diagnostics(std::move(diagnostics)) {}

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<Diagnostic> found;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[2048] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text,
                                      static_cast<SQLSMALLINT>(std::size(text)), &length);
        if (!succeeded(rc)) {
            return found;
        }
        found.push_back(Diagnostic{toUtf8(fromSqlWchar(state, 5)), static_cast<int>(native),
                                   toUtf8(fromSqlWchar(text, static_cast<std::size_t>(length)))});
    }
}

OdbcSession::OdbcSession(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
    SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
    SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    SQLRETURN rc =
        SQLDriverConnect(connection_, nullptr,
                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                         SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) {
        auto diagnostics = diagnosticsOf(SQL_HANDLE_DBC, connection_);
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        SQLFreeHandle(SQL_HANDLE_ENV, environment_);
        throw OdbcFailure("connecting failed", std::move(diagnostics));
    }
    SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_);
    SQLSetStmtAttr(statement_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
}

OdbcSession::~OdbcSession() {
    SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

std::vector<Diagnostic> OdbcSession::statementDiagnostics() const {
    return diagnosticsOf(SQL_HANDLE_STMT, statement_);
}

SQLRETURN OdbcSession::execute(const std::string& sql) {
    SQLFreeStmt(statement_, SQL_CLOSE);
    std::u16string text = fromUtf8(sql);
    return SQLExecDirectW(statement_,
                          reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str())),
                          static_cast<SQLINTEGER>(text.size()));
}

ResultSet OdbcSession::fetchAll() {
    ResultSet result;
    SQLSMALLINT count = 0;
    SQLNumResultCols(statement_, &count);
    for (SQLSMALLINT c = 1; c <= count; ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLDescribeColW(statement_, c, name, 256, &nameLength, nullptr, nullptr, nullptr, nullptr);
        result.columns.push_back(toUtf8(fromSqlWchar(name, static_cast<std::size_t>(nameLength))));
    }
    while (succeeded(SQLFetch(statement_))) {
        std::vector<std::optional<std::string>> row;
        for (SQLSMALLINT c = 1; c <= count; ++c) {
            std::u16string value;
            bool isNull = false;
            for (;;) {
                SQLWCHAR buffer[1024];
                SQLLEN indicator = 0;
                SQLRETURN rc =
                    SQLGetData(statement_, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
                if (rc == SQL_NO_DATA || !succeeded(rc)) {
                    break;
                }
                if (indicator == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                std::size_t units = indicator == SQL_NO_TOTAL ||
                                            static_cast<std::size_t>(indicator) >= sizeof buffer
                                        ? std::size(buffer) - 1
                                        : static_cast<std::size_t>(indicator) / 2;
                value += fromSqlWchar(buffer, units);
                if (rc == SQL_SUCCESS) {
                    break;
                }
            }
            row.push_back(isNull ? std::nullopt : std::optional(toUtf8(value)));
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

std::vector<BatchStep> OdbcSession::run(const std::string& sql) {
    std::vector<BatchStep> steps;
    SQLRETURN rc = execute(sql);
    while (rc != SQL_NO_DATA || steps.empty()) {
        BatchStep step;
        step.rc = rc;
        step.diagnostics = statementDiagnostics();
        if (succeeded(rc)) {
            SQLSMALLINT count = 0;
            SQLNumResultCols(statement_, &count);
            if (count > 0) {
                step.result = fetchAll();
            }
        }
        steps.push_back(std::move(step));
        if (rc == SQL_NO_DATA) {
            break;
        }
        rc = SQLMoreResults(statement_);
    }
    return steps;
}

ResultSet OdbcSession::query(const std::string& sql) {
    auto steps = run(sql);
    std::optional<ResultSet> first;
    for (const auto& step : steps) {
        if (!succeeded(step.rc) && step.rc != SQL_NO_DATA) {
            throw OdbcFailure("query failed: " + sql, step.diagnostics);
        }
        if (!first && step.result) {
            first = step.result;
        }
    }
    if (!first) {
        throw OdbcFailure("query returned no result set: " + sql, {});
    }
    return *first;
}

std::string OdbcSession::scalar(const std::string& sql) {
    ResultSet result = query(sql);
    if (result.rows.size() != 1 || result.rows[0].size() != 1 || !result.rows[0][0]) {
        throw OdbcFailure("expected one value from: " + sql, {});
    }
    return *result.rows[0][0];
}

}  // namespace tdstest
