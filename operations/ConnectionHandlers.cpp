#include "ConnectionHandlers.h"

#include "DbList.h"
#include "common/OperatorTexts.h"
#include "session/CertificateRefusal.h"
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

// A certificate the system does not vouch for is shown once, and on the operator's word
// trusted from then on; the retried connect then meets the driver's own check again.
void openTrustingOnWord(ConnectionPanel& panel, const QString& connectionString) {
    Connection& conn = panel.connection();
    try {
        conn.open(connectionString);
        return;
    } catch (const UntrustedCertificate& refusal) {
        panel.showStatus(refusal.description());
        if (!panel.confirmCertificate(refusal)) {
            throw;
        }
        certificate_refusal::trust(refusal);
    }
    panel.showStatus(texts::kConnecting);
    conn.open(connectionString);
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
    const QString connectionString = connection_string::compose(style, user, password, server);
    openTrustingOnWord(panel, connectionString);
    Connection& conn = panel.connection();
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
