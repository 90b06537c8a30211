#pragma once

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Plain ODBC through unixODBC and the FreeTDS driver, the way the tool itself talks to a
// server, reduced to what the tests look at. Texts are UTF-8.
namespace tdstest {

struct Diagnostic {
    std::string sqlState;
    int nativeError = 0;
    std::string text;
};

class OdbcFailure : public std::runtime_error {
  public:
    OdbcFailure(const std::string& what, std::vector<Diagnostic> diagnostics);
    std::vector<Diagnostic> diagnostics;
};

struct ResultSet {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

// One step of a batch: SQLExecDirect, then each SQLMoreResults until SQL_NO_DATA.
struct BatchStep {
    SQLRETURN rc = SQL_SUCCESS;
    std::vector<Diagnostic> diagnostics;
    std::optional<ResultSet> result;
};

class OdbcSession {
  public:
    // Connects (login and query time-outs of 10 s); throws OdbcFailure.
    explicit OdbcSession(const std::string& connectionString);
    ~OdbcSession();
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    // Runs a batch and walks every result; never throws for the server's errors.
    std::vector<BatchStep> run(const std::string& sql);
    // Runs a batch that must succeed and returns its first result set; throws OdbcFailure.
    ResultSet query(const std::string& sql);
    // The single value of a one-row, one-column query.
    std::string scalar(const std::string& sql);

    SQLHSTMT statement() const { return statement_; }
    SQLRETURN execute(const std::string& sql);
    ResultSet fetchAll();
    std::vector<Diagnostic> statementDiagnostics() const;

  private:
    SQLHENV environment_ = SQL_NULL_HENV;
    SQLHDBC connection_ = SQL_NULL_HDBC;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
};

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace tdstest
