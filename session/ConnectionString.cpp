#include "ConnectionString.h"

#include "Error.h"
#include "FreeTdsSections.h"

#include <algorithm>

namespace connection_string {

namespace {

const QString kProviderPrefix = QStringLiteral("Persist Security Info=True;Provider=SQLOLEDB.1;");
const QString kIntegratedSecurity = QStringLiteral("Integrated Security=SSPI;");
const QString kUserIdKey = QStringLiteral("User ID=");
const QString kPasswordKey = QStringLiteral(";Password=");
const QString kDataSourceKey = QStringLiteral("Data Source=");
const QString kDataSourceAfterPassword = QStringLiteral(";Data Source=");
const QString kInitialCatalog = QStringLiteral(";Initial Catalog=master");

const QString kOdbcDriver = QStringLiteral("DRIVER={FreeTDS}");
// Full encryption: the password and every statement travel inside TLS, and a server that
// cannot encrypt is refused rather than sent them in clear.
const QString kOdbcOptions =
    QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");

bool needsQuoting(const QString& value) {
    return std::ranges::any_of(value, [](QChar c) {
        return c == u';' || c == u'=' || c == u'\'' || c == u'"' || c == u'{' || c == u'}';
    });
}

// FreeTDS ends a braced value at the first "};", so only that pair cannot be carried.
QString braced(const QString& key, const QString& value) {
    if (value.contains(QStringLiteral("};"))) {
        throw Error(QStringLiteral("%1 中含有 \"};\"，ODBC 驱动无法传递").arg(key));
    }
    return key + QStringLiteral("={") + value + u'}';
}

QString readQuoted(const QString& text, qsizetype& pos) {
    const QChar quote = text[pos++];
    QString value;
    while (pos < text.size()) {
        if (text[pos] == quote) {
            if (pos + 1 < text.size() && text[pos + 1] == quote) {
                value += quote;
                pos += 2;
                continue;
            }
            ++pos;
            while (pos < text.size() && text[pos].isSpace()) {
                ++pos;
            }
            if (pos < text.size() && text[pos] != u';') {
                throw Error(QStringLiteral("连接字符串的引号后面缺少分号"));
            }
            return value;
        }
        value += text[pos++];
    }
    throw Error(QStringLiteral("连接字符串中的引号没有结束"));
}

}  // namespace

LoginStyle loginStyleForIndex(int index) {
    return index == 0 ? LoginStyle::Windows : LoginStyle::SqlServer;
}

QString quoteValue(const QString& value) {
    if (!needsQuoting(value)) {
        return value;
    }
    QString doubled = value;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString compose(LoginStyle style, const QString& user, const QString& password,
                const QString& dataSource) {
    if (style == LoginStyle::Windows) {
        return kProviderPrefix + kIntegratedSecurity + kDataSourceKey + quoteValue(dataSource) +
               kInitialCatalog;
    }
    return kProviderPrefix + kUserIdKey + quoteValue(user) + kPasswordKey + quoteValue(password) +
           kDataSourceAfterPassword + quoteValue(dataSource) + kInitialCatalog;
}

QMap<QString, QString> parse(const QString& connectionString) {
    QMap<QString, QString> pairs;
    qsizetype pos = 0;
    while (pos < connectionString.size()) {
        const qsizetype equals = connectionString.indexOf(u'=', pos);
        if (equals < 0) {
            if (!connectionString.mid(pos).trimmed().isEmpty()) {
                throw Error(
                    QStringLiteral("连接字符串格式错误：%1").arg(connectionString.mid(pos)));
            }
            break;
        }
        const QString key = connectionString.mid(pos, equals - pos).trimmed().toLower();
        pos = equals + 1;
        QString value;
        if (pos < connectionString.size() &&
            (connectionString[pos] == u'"' || connectionString[pos] == u'\'')) {
            value = readQuoted(connectionString, pos);
        } else {
            const qsizetype end = connectionString.indexOf(u';', pos);
            value = connectionString.mid(pos, end < 0 ? -1 : end - pos);
            pos = end < 0 ? connectionString.size() : end;
        }
        ++pos;  // the separating ';'
        if (!key.isEmpty()) {
            pairs.insert(key, value);
        }
    }
    return pairs;
}

QString toOdbc(const QString& connectionString) {
    const QMap<QString, QString> pairs = parse(connectionString);
    QStringList parts{kOdbcDriver};
    // A data source that names a freetds.conf section goes by that section, so that its
    // settings (a CA file to check the server's certificate) apply.
    const QString dataSource = pairs.value(QStringLiteral("data source"));
    parts << braced(freetds_sections::isConfiguredServer(dataSource) ? QStringLiteral("SERVERNAME")
                                                                     : QStringLiteral("SERVER"),
                    dataSource);
    parts << braced(QStringLiteral("DATABASE"), pairs.value(QStringLiteral("initial catalog")));
    const QString integrated = pairs.value(QStringLiteral("integrated security")).toLower();
    if (integrated == u"sspi" || integrated == u"true" || integrated == u"yes") {
        parts << QStringLiteral("Trusted_Connection=Yes");
    } else {
        parts << braced(QStringLiteral("UID"), pairs.value(QStringLiteral("user id")));
        parts << braced(QStringLiteral("PWD"), pairs.value(QStringLiteral("password")));
    }
    parts << kOdbcOptions;
    return parts.join(u';');
}

}  // namespace connection_string
