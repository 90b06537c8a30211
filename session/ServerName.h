#pragma once

#include <QString>
#include <optional>

// The server as the operator types it: "host", "host,port" or "host\instance".
namespace server_name {

struct ServerName {
    QString typed;  // as typed, for the operator's eyes
    QString host;
    std::optional<int> port;
    QString instance;
};

// Raises Error when no host is given, or a port that is not a number from 1 to 65535.
ServerName parse(const QString& typed);

// One spelling per server: host and instance without regard to case, as the driver and the
// server compare them. Pins and sections are filed under it.
QString key(const ServerName& server);

}  // namespace server_name
