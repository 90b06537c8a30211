#include "OdbcDiagnostics.h"

#include <sqlext.h>

#include <array>

#include "MissingDriver.h"

QString withoutVendorPrefixes(const QString& message) {
    qsizetype pos = 0;
    while (pos < message.size() && message[pos] == u'[') {
        const qsizetype close = message.indexOf(u']', pos);
        if (close < 0) {
            break;
        }
        pos = close + 1;
    }
    return message.mid(pos);
}

QString odbcErrorDescription(SQLSMALLINT handleType, SQLHANDLE handle) {
    QString firstAny;
    for (SQLSMALLINT record = 1;; ++record) {
        std::array<SQLWCHAR, 6> state{};
        SQLINTEGER nativeError = 0;
        std::array<SQLWCHAR, 4096> text{};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, record, state.data(), &nativeError, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &length);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        const auto count = std::min<qsizetype>(length, static_cast<qsizetype>(text.size()) - 1);
        QString message = withoutVendorPrefixes(
            QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), count));
        const QString sqlState =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(state.data()), 5);
        if (isMissingDriver(sqlState, message)) {
            return missingDriverDescription();
        }
        if (!sqlState.startsWith(QStringLiteral("01"))) {
            return message;
        }
        if (firstAny.isEmpty()) {
            firstAny = message;
        }
    }
    return firstAny.isEmpty() ? QStringLiteral("数据库访问失败，驱动没有给出原因") : firstAny;
}
