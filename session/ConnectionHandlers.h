#pragma once

#include <QString>

class ConnectionSlot;
class DbListView;

// The controls the connection handlers read and switch, as the window exposes them.
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
};

namespace status_text {
inline const QString kPleaseConnect = QStringLiteral("请连接数据库");
inline const QString kConnecting = QStringLiteral("正在连接数据库，请稍后！");
inline const QString kConnected = QStringLiteral("数据库连接成功");
inline const QString kDisconnected = QStringLiteral("断开成功");
}  // namespace status_text

// User name and password can be typed only for SQL Server logins.
void applyLoginStyle(ConnectionPanel& panel);

// Raises what the access layer raises; the caller's error path shows it.
void connectToServer(ConnectionPanel& panel, ConnectionSlot& conn, DbListView& list);

void disconnectFromServer(ConnectionPanel& panel, ConnectionSlot& conn, DbListView& list);

// Closing the window closes an open connection.
void closeConnection(ConnectionSlot& conn);
