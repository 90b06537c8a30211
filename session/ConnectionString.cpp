#include "ConnectionString.h"

#include "common/Error.h"
#include "common/OperatorTexts.h"

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

bool needsQuoting(const QString& value) {
    return std::ranges::any_of(value, [](QChar c) {
        return c == u';' || c == u'=' || c == u'\'' || c == u'"' || c == u'{' || c == u'}';
    });
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
                throw Error(texts::kConnectionStringNoSemicolon);
            }
            return value;
        }
        value += text[pos++];
    }
    throw Error(texts::kConnectionStringQuoteUnclosed);
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
                throw Error(texts::kConnectionStringMalformed.arg(connectionString.mid(pos)));
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

}  // namespace connection_string
