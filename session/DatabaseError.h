#pragma once

#include "common/Error.h"

// Raised by the access layer: the server's own message text, or the driver's, with what
// ODBC knows of the failure besides.
class DatabaseError : public Error {
  public:
    explicit DatabaseError(QString description, QString sqlState = {}, int nativeError = 0)
        : Error(std::move(description)),
          sqlState_(std::move(sqlState)),
          nativeError_(nativeError) {}

    // Five characters, e.g. "42000"; empty when no diagnostic record said.
    const QString& sqlState() const { return sqlState_; }
    // The server's error number (e.g. 3201), or the driver's own; 0 when none was given.
    int nativeError() const { return nativeError_; }

    // SQLSTATE class 08: the link to the server is gone or was never made, so nothing more
    // can be read on it.
    bool isConnectionFailure() const { return sqlState_.startsWith(QStringLiteral("08")); }

  private:
    QString sqlState_;
    int nativeError_;
};
