#include "OdbcConnectionString.h"

#include <QMap>
#include <QStringList>

#include "ConnectionString.h"
#include "FreeTdsSections.h"
#include "ServerTrust.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace connection_string {

namespace {

// The FreeTDS grammar, all of it.
const QString kDriver = QStringLiteral("DRIVER={FreeTDS}");
// A freetds.conf section by its name, so that its settings (a CA file) apply.
const QString kSectionKey = QStringLiteral("SERVERNAME");
const QString kDatabaseKey = QStringLiteral("DATABASE");
const QString kUserKey = QStringLiteral("UID");
const QString kPasswordKey = QStringLiteral("PWD");
const QString kTrustedConnection = QStringLiteral("Trusted_Connection=Yes");
// TDS 7.4 carries every text as UTF-16; UTF-8 is what the driver hands over on our side.
// Full encryption: the password and every statement travel inside TLS, and a server that
// cannot encrypt is refused rather than sent them in clear.
const QString kProtocolOptions =
    QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");
// Names the tool in the server's session lists (program_name).
const QString kProgramName = QStringLiteral("APP=dbtool");
const QChar kSeparator = u';';

// FreeTDS ends a braced value at the first "};", so only that pair cannot be carried.
QString braced(const QString& key, const QString& value) {
    if (value.contains(QStringLiteral("};"))) {
        throw Error(texts::kOdbcValueNotCarried.arg(key));
    }
    return key + QStringLiteral("={") + value + u'}';
}

bool isIntegratedSecurityValue(const QString& value) {
    const QString folded = value.toLower();
    return folded == u"sspi" || folded == u"true" || folded == u"yes";
}

std::optional<int> positiveSeconds(const QString& value) {
    bool isNumber = false;
    const int seconds = value.trimmed().toInt(&isNumber);
    return isNumber && seconds > 0 ? std::optional<int>(seconds) : std::nullopt;
}

}  // namespace

OdbcRequest translate(const QString& connectionString) {
    const QMap<QString, QString> pairs = parse(connectionString);
    OdbcRequest request;
    request.integratedSecurity = isIntegratedSecurityValue(pairs.value(key::kIntegratedSecurity));
    request.loginTimeoutSeconds = positiveSeconds(pairs.value(key::kConnectTimeout));
    request.commandTimeoutSeconds = positiveSeconds(pairs.value(key::kCommandTimeout));
    const QString dataSource = pairs.value(key::kDataSource);
    QString section = dataSource;
    if (!freetds_sections::isConfiguredServer(dataSource)) {
        request.ownSection = server_name::parse(dataSource);
        section = server_trust::sectionName(*request.ownSection);
    }
    QStringList parts{kDriver, braced(kSectionKey, section)};
    parts << braced(kDatabaseKey, pairs.value(key::kInitialCatalog));
    if (request.integratedSecurity) {
        parts << kTrustedConnection;
    } else {
        parts << braced(kUserKey, pairs.value(key::kUserId));
        parts << braced(kPasswordKey, pairs.value(key::kPassword));
    }
    parts << kProtocolOptions << kProgramName;
    request.odbc = parts.join(kSeparator);
    return request;
}

QString toOdbc(const QString& connectionString) {
    return translate(connectionString).odbc;
}

bool usesIntegratedSecurity(const QString& connectionString) {
    return isIntegratedSecurityValue(parse(connectionString).value(key::kIntegratedSecurity));
}

std::optional<int> loginTimeoutSeconds(const QString& connectionString) {
    return positiveSeconds(parse(connectionString).value(key::kConnectTimeout));
}

std::optional<int> commandTimeoutSeconds(const QString& connectionString) {
    return positiveSeconds(parse(connectionString).value(key::kCommandTimeout));
}

}  // namespace connection_string
