#include "ConnectionHandlers.h"

#include "DbList.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"
#include "session/ConnectionString.h"

namespace {

void switchToConnectedSet(ConnectionPanel& panel) {
    panel.setLoginStyleEnabled(false);
    panel.setConnectEnabled(false);
    panel.setDisconnectEnabled(true);
    panel.setAttachFrameEnabled(true);
    panel.setOperationsFrameEnabled(true);
}

void switchToDisconnectedSet(ConnectionPanel& panel) {
    panel.setLoginStyleEnabled(true);
    panel.setConnectEnabled(true);
    panel.setDisconnectEnabled(false);
    panel.setAttachFrameEnabled(false);
    panel.setOperationsFrameEnabled(false);
}

}  // namespace

void applyLoginStyle(ConnectionPanel& panel) {
    const bool sqlServerLogin = connection_string::loginStyleForIndex(panel.loginStyleIndex()) ==
                                connection_string::LoginStyle::SqlServer;
    panel.setUserEnabled(sqlServerLogin);
    panel.setPasswordEnabled(sqlServerLogin);
}

void connectToServer(ConnectionPanel& panel) {
    panel.showStatus(texts::kConnecting);
    const QString user = panel.userText();
    const QString password = panel.passwordText();
    const QString server = panel.serverText();
    const auto style = connection_string::loginStyleForIndex(panel.loginStyleIndex());
    Connection& conn = panel.connection();
    const QString connectionString = connection_string::compose(style, user, password, server);
    conn.open(connectionString);
    if (conn.state() != Connection::Open) {
        return;
    }
    panel.shareLogin(connectionString);
    switchToConnectedSet(panel);
    panel.showStatus(texts::kConnected);
    LoadDbList(conn, panel.databaseList());
}

void disconnectFromServer(ConnectionPanel& panel) {
    closeConnection(panel);
    switchToDisconnectedSet(panel);
    panel.showStatus(texts::kDisconnected);
    ClearDbList(panel.databaseList());
}

void closeConnection(ConnectionPanel& panel) {
    panel.withdrawLogin();
    if (panel.connectionState() != Connection::Closed) {
        panel.connection().close();
        panel.releaseConnection();
    }
}
