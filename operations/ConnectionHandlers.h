#pragma once

#include <QString>

class Connection;
class DbListView;
class UntrustedCertificate;

// The controls the connection handlers read and switch, and the window's one connection,
// as the window exposes them.
class ConnectionPanel {
  public:
    virtual ~ConnectionPanel() = default;

    virtual QString userText() const = 0;
    virtual QString passwordText() const = 0;
    virtual QString serverText() const = 0;
    virtual int loginStyleIndex() const = 0;

    virtual void setUserEnabled(bool enabled) = 0;
    virtual void setPasswordEnabled(bool enabled) = 0;
    virtual void setLoginStyleEnabled(bool enabled) = 0;
    virtual void setConnectEnabled(bool enabled) = 0;
    virtual void setDisconnectEnabled(bool enabled) = 0;
    virtual void setAttachFrameEnabled(bool enabled) = 0;
    virtual void setOperationsFrameEnabled(bool enabled) = 0;

    // Replaces the status line and paints it at once, since a blocking call may follow.
    virtual void showStatus(const QString& text) = 0;

    virtual DbListView& databaseList() = 0;

    // Shows the certificate a refused server presented; true when the operator trusts it.
    virtual bool confirmCertificate(const UntrustedCertificate& refusal) = 0;

    // Conn, created on first use; the same object the maintenance handlers reach.
    virtual Connection& connection() = 0;
    // Conn's state without creating it: no object reads as closed.
    virtual int connectionState() const = 0;
    // Empties the window's reference, so that the next use creates a fresh, closed object.
    virtual void releaseConnection() = 0;

    // The helper connection logs in as the tool's own session did; withdrawn when that
    // session closes. Neither waits for the server.
    virtual void shareLogin(const QString& connectionString) = 0;
    virtual void withdrawLogin() = 0;
};

// User name and password can be typed only for SQL Server logins.
void applyLoginStyle(ConnectionPanel& panel);

// Raises what the access layer raises; the caller's error path shows it.
void connectToServer(ConnectionPanel& panel);

void disconnectFromServer(ConnectionPanel& panel);

// Closing the window closes an open connection.
void closeConnection(ConnectionPanel& panel);
