#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "session/OdbcConnection.h"
#include "support/DevServerProcess.h"
#include "support/FakeHost.h"

// The window as the handlers see it: prompts, boxes and list scripted as in FakeHost, but
// the connection is the real access layer, logged in as sa to the development server the
// way C_Link logs in.
class ServerHost : public FakeHost {
  public:
    explicit ServerHost(const DevServerProcess& server);
    // Through another port that leads to the same server, a relay for one.
    ServerHost(const DevServerProcess& server, int port);
    // With the login of a connection string the window composed.
    explicit ServerHost(const QString& connectionString);

    OdbcConnection odbc;
    // The session the host's batches arrive under in the server's log.
    int spid = 0;

    // Called after each statement a handler runs, with its text, so that a test can let
    // other clients act between two statements.
    std::function<void(const QString& sql)> afterExecute;

    Connection& connection() override { return hooked_; }
    // A second connection with the same login, as the window's helper connection.
    ResultSet helperQuery(const QString& sql) override;

    // What C_Link does after it connects.
    void refreshList();

  private:
    class Hooked : public Connection {
      public:
        explicit Hooked(ServerHost& host) : host_(host) {}
        void open(const QString& connectionString) override { host_.odbc.open(connectionString); }
        int state() const override { return host_.odbc.state(); }
        void close() override { host_.odbc.close(); }
        void execute(const QString& sql) override {
            host_.odbc.execute(sql);
            if (host_.afterExecute) {
                host_.afterExecute(sql);
            }
        }
        ResultSet query(const QString& sql) override { return host_.odbc.query(sql); }

      private:
        ServerHost& host_;
    };

    QString connectionString_;
    OdbcConnection helperOdbc_;
    Hooked hooked_{*this};
};

// The connection string the window composes for SQL Server authentication as sa (or the
// given login), to the server's port or to another one.
QString toolConnectionString(const DevServerProcess& server);
QString toolConnectionString(const DevServerProcess& server, int port);
QString toolConnectionString(const DevServerProcess& server, const QString& user,
                             const QString& password);

// Another client of the same server, through the same access layer, in master.
std::unique_ptr<OdbcConnection> connectTo(const DevServerProcess& server);

QString toQString(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& text);
