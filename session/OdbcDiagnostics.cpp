#include "OdbcDiagnostics.h"

#include <sqlext.h>

#include <array>
#include <optional>

#include "MissingDriver.h"
#include "common/OperatorTexts.h"

namespace {

QString fromSqlWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace

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

DatabaseError odbcError(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::optional<DatabaseError> firstInformational;
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
        DatabaseError error(withoutVendorPrefixes(fromSqlWide(text.data(), count)),
                            fromSqlWide(state.data(), 5), static_cast<int>(nativeError));
        if (isMissingDriver(error.sqlState(), error.description())) {
            return DatabaseError(missingDriverDescription(), error.sqlState(), error.nativeError());
        }
        if (!error.sqlState().startsWith(QStringLiteral("01"))) {
            return error;
        }
        if (!firstInformational) {
            firstInformational = std::move(error);
        }
    }
    return firstInformational.value_or(DatabaseError(texts::kDriverGaveNoReason));
}
