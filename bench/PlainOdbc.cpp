#include "PlainOdbc.h"

#include <stdexcept>

namespace bench {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

SQLWCHAR* wide(const std::u16string& text) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.data()));
}

std::string firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecA(handleType, handle, 1, state, &native, message,
                                      sizeof message, &length))) {
        return "no diagnostic";
    }
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

class Statement {
  public:
    explicit Statement(SQLHDBC dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_))) {
            throw std::runtime_error("SQLAllocHandle: " + firstDiagnostic(SQL_HANDLE_DBC, dbc));
        }
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return handle_; }

  private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// A name is at most 128 characters; a longer value arrives in pieces all the same.
std::u16string field(SQLHSTMT stmt, SQLUSMALLINT column) {
    std::u16string value;
    SQLWCHAR buffer[256];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
            return value;
        }
        if (!SQL_SUCCEEDED(rc)) {
            throw std::runtime_error("SQLGetData: " + firstDiagnostic(SQL_HANDLE_STMT, stmt));
        }
        const bool whole = rc == SQL_SUCCESS;
        const std::size_t chars =
            whole ? static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) : std::size(buffer) - 1;
        value.append(reinterpret_cast<const char16_t*>(buffer), chars);
        if (whole) {
            return value;
        }
    }
}

}  // namespace

PlainOdbc::PlainOdbc(const std::u16string& odbcConnectionString) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
        throw std::runtime_error("cannot set up an ODBC environment");
    }
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, wide(odbcConnectionString),
                                           static_cast<SQLSMALLINT>(odbcConnectionString.size()),
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const std::string why = firstDiagnostic(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        throw std::runtime_error("SQLDriverConnectW: " + why);
    }
}

PlainOdbc::~PlainOdbc() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void PlainOdbc::execute(const std::u16string& sql) {
    run(sql, nullptr);
}

std::vector<std::u16string> PlainOdbc::firstColumn(const std::u16string& sql) {
    std::vector<std::u16string> names;
    run(sql, &names);
    return names;
}

std::size_t PlainOdbc::readAll(const std::u16string& sql) {
    std::size_t rows = 0;
    run(sql, nullptr, &rows);
    return rows;
}

void PlainOdbc::run(const std::u16string& sql, std::vector<std::u16string>* names,
                    std::size_t* rows) {
    Statement stmt(dbc_);
    SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(sql), static_cast<SQLINTEGER>(sql.size()));
    bool firstResult = true;
    while (rc != SQL_NO_DATA) {
        if (!SQL_SUCCEEDED(rc)) {
            throw std::runtime_error("batch failed: " +
                                     firstDiagnostic(SQL_HANDLE_STMT, stmt.get()));
        }
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt.get(), &columns);
        if (columns > 0) {
            const bool keep = names != nullptr && firstResult;
            const bool readEvery = rows != nullptr && firstResult;
            firstResult = false;
            while ((rc = SQLFetch(stmt.get())) != SQL_NO_DATA) {
                if (!SQL_SUCCEEDED(rc)) {
                    throw std::runtime_error("SQLFetch: " +
                                             firstDiagnostic(SQL_HANDLE_STMT, stmt.get()));
                }
                if (keep) {
                    names->push_back(field(stmt.get(), 1));
                }
                if (readEvery) {
                    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
                        field(stmt.get(), column);
                    }
                    ++*rows;
                }
            }
        }
        rc = SQLMoreResults(stmt.get());
    }
}

}  // namespace bench
