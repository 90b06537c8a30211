#include "SqlValues.h"

#include "tsql/ReservedKeywords.h"

#include <QSet>
#include <algorithm>

namespace {

constexpr qsizetype kMaxIdentifierLength = 128;

const QSet<QString>& reservedKeywords() {
    static const QSet<QString> keywords = [] {
        const QString all = QString::fromLatin1(tsql::kReservedKeywords);
        const QStringList words = all.split(QLatin1Char(' '));
        return QSet<QString>(words.begin(), words.end());
    }();
    return keywords;
}

bool holdsNonAscii(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7F; });
}

// '@' and '#' may follow but not lead: leading, they make a variable or a temporary object.
bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c) {
    return c.isLetter() || c.isDigit() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('#') || c == QLatin1Char('$');
}

QString quoted(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

}  // namespace

QString literal(const QString& text) {
    return holdsNonAscii(text) ? nationalLiteral(text) : quoted(text);
}

QString nationalLiteral(const QString& text) {
    return QLatin1Char('N') + quoted(text);
}

QString integerLiteral(qint64 value) {
    return QString::number(value);
}

bool isReservedKeyword(const QString& word) {
    return reservedKeywords().contains(word.toUpper());
}

bool isRegularIdentifier(const QString& name) {
    if (name.isEmpty() || name.size() > kMaxIdentifierLength || !isIdentifierStart(name.front())) {
        return false;
    }
    return std::all_of(name.begin() + 1, name.end(), isIdentifierPart) && !isReservedKeyword(name);
}

QString identifier(const QString& name) {
    if (isRegularIdentifier(name)) {
        return name;
    }
    QString doubled = name;
    doubled.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + doubled + QLatin1Char(']');
}
