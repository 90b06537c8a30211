#include "ConnectionHandlers.h"

#include "ConnectionSlot.h"
#include "ConnectionString.h"
#include "DbList.h"

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

void connectToServer(ConnectionPanel& panel, ConnectionSlot& conn, DbListView& list) {
    panel.showStatus(status_text::kConnecting);
    const QString user = panel.userText();
    const QString password = panel.passwordText();
    const QString server = panel.serverText();
    const auto style = connection_string::loginStyleForIndex(panel.loginStyleIndex());
    conn.get().open(connection_string::compose(style, user, password, server));
    if (conn.state() != Connection::Open) {
        return;
    }
    switchToConnectedSet(panel);
    panel.showStatus(status_text::kConnected);
    LoadDbList(conn.get(), list);
}

void disconnectFromServer(ConnectionPanel& panel, ConnectionSlot& conn, DbListView& list) {
    closeConnection(conn);
    switchToDisconnectedSet(panel);
    panel.showStatus(status_text::kDisconnected);
    ClearDbList(list);
}

void closeConnection(ConnectionSlot& conn) {
    if (conn.state() != Connection::Closed) {
        conn.get().close();
        conn.release();
    }
}
