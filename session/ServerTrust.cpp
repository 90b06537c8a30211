#include "ServerTrust.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include "OwnFreeTdsFile.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace server_trust {

namespace {

const QString kSystemBundle = QStringLiteral("/etc/ssl/certs/ca-certificates.crt");

}  // namespace

QString caBundle() {
    const QString chosen = qEnvironmentVariable("SSL_CERT_FILE");
    return chosen.isEmpty() ? kSystemBundle : chosen;
}

QString pinFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/dbtool/server-certificates");
}

QString pinPath(const server_name::ServerName& server) {
    return pinFolder() + u'/' +
           QString::fromLatin1(QUrl::toPercentEncoding(server_name::key(server))) +
           QStringLiteral(".pem");
}

std::optional<QByteArray> pinned(const server_name::ServerName& server) {
    QFile file(pinPath(server));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

void pin(const server_name::ServerName& server, const QByteArray& pem) {
    // Nobody else on the machine may swap a pin, nor learn which servers the operator uses.
    QDir().mkpath(pinFolder());
    ::chmod(QFile::encodeName(pinFolder()).constData(), 0700);
    QSaveFile file(pinPath(server));
    if (!file.open(QIODevice::WriteOnly) || file.write(pem) < 0 || !file.commit()) {
        throw Error(texts::kPinNotWritten.arg(pinPath(server), file.errorString()));
    }
    QFile::setPermissions(pinPath(server), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void unpin(const server_name::ServerName& server) {
    QFile::remove(pinPath(server));
}

QString sectionName(const server_name::ServerName& server) {
    return QStringLiteral("dbtool:") + server_name::key(server);
}

QString writeSection(const server_name::ServerName& server) {
    const bool isPinned = QFile::exists(pinPath(server));
    // A pin names the server by itself; checking its name as well would refuse SQL Server's
    // own certificate, which names no host.
    own_freetds::write({.name = sectionName(server),
                        .host = server.host,
                        .port = server.port,
                        .instance = server.instance,
                        .caFile = isPinned ? pinPath(server) : caBundle(),
                        .checkHostName = !isPinned});
    return sectionName(server);
}

}  // namespace server_trust
