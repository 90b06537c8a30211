#pragma once

#include <QString>
#include <filesystem>
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

    OdbcConnection odbc;
    // The session the host's batches arrive under in the server's log.
    int spid = 0;

    Connection& connection() override { return odbc; }

    // What C_Link does after it connects.
    void refreshList();
};

// The connection string the window composes for SQL Server authentication as sa, to the
// server's port or to another one.
QString toolConnectionString(const DevServerProcess& server);
QString toolConnectionString(const DevServerProcess& server, int port);

// Another client of the same server, through the same access layer, in master.
std::unique_ptr<OdbcConnection> connectTo(const DevServerProcess& server);

QString toQString(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& text);
