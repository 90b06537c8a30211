#pragma once

#include <QString>

// FreeTDS takes its certificate checks (a CA file) only from a freetds.conf section, and
// reads one only when the connection names it (SERVERNAME) rather than a host (SERVER).
namespace freetds_sections {

// True when `name` (no port, no instance) is a section of the configuration the driver
// reads: the file named by $FREETDSCONF, ~/.freetds.conf, /etc/freetds/freetds.conf.
// Section names compare without regard to case, as FreeTDS compares them.
bool isConfiguredServer(const QString& name);

// The same check on one configuration text.
bool hasSection(const QString& configuration, const QString& name);

}  // namespace freetds_sections
