#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace bench {

// The baseline client: what any program must do to send a text through unixODBC and the
// FreeTDS driver and read everything that comes back, with the same wide-character calls
// the tool makes, and nothing more. A statement handle per text, as the tool has.
class PlainOdbc {
  public:
    // Connects with SQLDriverConnectW; throws std::runtime_error with the driver's message.
    explicit PlainOdbc(const std::u16string& odbcConnectionString);
    ~PlainOdbc();
    PlainOdbc(const PlainOdbc&) = delete;
    PlainOdbc& operator=(const PlainOdbc&) = delete;

    // Sends one batch and drains every result; throws on the first error.
    void execute(const std::u16string& sql);
    // Sends one query and returns the first column of every row of its first result.
    std::vector<std::u16string> firstColumn(const std::u16string& sql);
    // Sends one query, reads every column of every row of its first result as text and
    // returns the number of rows.
    std::size_t readAll(const std::u16string& sql);

  private:
    void run(const std::u16string& sql, std::vector<std::u16string>* names,
             std::size_t* rows = nullptr);

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
};

}  // namespace bench
