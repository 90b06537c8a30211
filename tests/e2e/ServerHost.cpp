#include "ServerHost.h"

#include "operations/DbList.h"
#include "session/ConnectionString.h"

ServerHost::ServerHost(const DevServerProcess& server) : ServerHost(server, server.port()) {}

ServerHost::ServerHost(const DevServerProcess& server, int port)
    : ServerHost(toolConnectionString(server, port)) {}

ServerHost::ServerHost(const QString& connectionString) : connectionString_(connectionString) {
    odbc.open(connectionString_);
    spid = odbc.query(QStringLiteral("SELECT @@SPID")).field(0, 0).toInt();
}

ResultSet ServerHost::helperQuery(const QString& sql) {
    if (helperOdbc_.state() != Connection::Open) {
        helperOdbc_.open(connectionString_);
    }
    return helperOdbc_.query(sql);
}

void ServerHost::refreshList() {
    LoadDbList(odbc, *this);
}

QString toolConnectionString(const DevServerProcess& server) {
    return toolConnectionString(server, server.port());
}

QString toolConnectionString(const DevServerProcess& server, int port) {
    return connection_string::compose(
        connection_string::LoginStyle::SqlServer, QStringLiteral("sa"),
        QString::fromStdString(server.saPassword()), QStringLiteral("127.0.0.1,%1").arg(port));
}

QString toolConnectionString(const DevServerProcess& server, const QString& user,
                             const QString& password) {
    return connection_string::compose(connection_string::LoginStyle::SqlServer, user, password,
                                      QStringLiteral("127.0.0.1,%1").arg(server.port()));
}

std::unique_ptr<OdbcConnection> connectTo(const DevServerProcess& server) {
    auto client = std::make_unique<OdbcConnection>();
    client->open(toolConnectionString(server));
    return client;
}

QString toQString(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(text.toStdString());
}
