#pragma once

#include <QString>

namespace connection_string {

// The one translation from the composed connection string (ConnectionString.h) into the
// FreeTDS driver's grammar for SQLDriverConnect: DRIVER={FreeTDS};SERVER={…};DATABASE={…};
// then UID/PWD or Trusted_Connection=Yes, then the protocol options. Every value is braced.
// Raises Error for a value that the driver's parser cannot carry, and for a composed
// string whose quoting is broken.
QString toOdbc(const QString& connectionString);

}  // namespace connection_string
