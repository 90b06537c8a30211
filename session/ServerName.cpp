#include "ServerName.h"

#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace server_name {

namespace {

constexpr int kHighestPort = 65535;

}  // namespace

ServerName parse(const QString& typed) {
    ServerName server{typed, typed.trimmed(), std::nullopt, {}};
    if (const qsizetype comma = server.host.indexOf(u','); comma >= 0) {
        bool isNumber = false;
        const int port = server.host.mid(comma + 1).trimmed().toInt(&isNumber);
        if (!isNumber || port < 1 || port > kHighestPort) {
            throw Error(texts::kServerPortInvalid.arg(typed));
        }
        server.port = port;
        server.host = server.host.left(comma).trimmed();
    } else if (const qsizetype slash = server.host.indexOf(u'\\'); slash >= 0) {
        server.instance = server.host.mid(slash + 1).trimmed();
        server.host = server.host.left(slash).trimmed();
    }
    if (server.host.isEmpty()) {
        throw Error(texts::kServerNameMissing);
    }
    return server;
}

QString key(const ServerName& server) {
    QString spelled = server.host.toLower();
    if (server.port) {
        spelled += u',' + QString::number(*server.port);
    } else if (!server.instance.isEmpty()) {
        spelled += u'\\' + server.instance.toLower();
    }
    return spelled;
}

}  // namespace server_name
