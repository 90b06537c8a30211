#pragma once

#include <QString>
#include <string>

class FMain;

// Drives the tool's window the way an operator would, for the benchmarks.
namespace bench {

struct ServerLogin {
    int port = 0;
    std::string saPassword;

    QString dataSource() const;  // 127.0.0.1,<port>, as typed into T_Ip
    // The ODBC string the tool's access layer hands the driver for this login.
    std::u16string odbcConnectionString() const;
    // The same with the driver's encryption turned off, for comparison only.
    std::u16string clearOdbcConnectionString() const;
};

// Types the address and the SQL Server login into the window and clicks C_Link, which
// also fills C_DbList. Throws std::runtime_error with the status line when it fails.
void connectWindow(FMain& window, const ServerLogin& login);

int listedDatabaseCount(FMain& window);
bool listsDatabase(FMain& window, const QString& name);
// Selects the database in C_DbList, as the operator does before an operation.
void selectDatabase(FMain& window, const QString& name);

}  // namespace bench
