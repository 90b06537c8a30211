#include "EncryptionRefusal.h"

#include <sqlext.h>

#include <algorithm>
#include <array>

namespace encryption_refusal {

namespace {

const QString kUnableToConnect = QStringLiteral("08001");
constexpr int kConnectionFailed = 20002;  // FreeTDS's TDSEFCON

}  // namespace

bool isEncryptionRefusal(const std::vector<DiagnosticRecord>& records) {
    const bool unableToConnect = std::ranges::any_of(
        records, [](const DiagnosticRecord& r) { return r.sqlState == kUnableToConnect; });
    const bool connectionFailed = std::ranges::any_of(
        records, [](const DiagnosticRecord& r) { return r.nativeError == kConnectionFailed; });
    const bool anyOtherCause = std::ranges::any_of(records, [](const DiagnosticRecord& r) {
        return r.nativeError != 0 && r.nativeError != kConnectionFailed;
    });
    return unableToConnect && connectionFailed && !anyOtherCause;
}

std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<DiagnosticRecord> records;
    for (SQLSMALLINT record = 1;; ++record) {
        std::array<SQLWCHAR, 6> state{};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, record, state.data(), &nativeError,
                                          nullptr, 0, &length))) {
            break;
        }
        records.push_back(
            {QString::fromUtf16(reinterpret_cast<const char16_t*>(state.data()), 5), nativeError});
    }
    return records;
}

}  // namespace encryption_refusal
