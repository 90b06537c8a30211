#pragma once

#include <QString>

// The database name proposed for a data file: its title up to the first "_" (unless that
// stands first or after the first "."), else up to the first ".". Raises Error when the
// title has no ".".
QString proposeDatabaseName(const QString& fileTitle);
