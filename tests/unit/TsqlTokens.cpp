#include "TsqlTokens.h"

#include <QSet>
#include <stdexcept>

namespace {

// The keywords the statements themselves use, and those the hostile names try on.
const QSet<QString> kKeywords = {
    QStringLiteral("ALTER"),  QStringLiteral("BACKUP"),     QStringLiteral("BEGIN"),
    QStringLiteral("CLOSE"),  QStringLiteral("CURSOR"),     QStringLiteral("DATABASE"),
    QStringLiteral("DBCC"),   QStringLiteral("DEALLOCATE"), QStringLiteral("DECLARE"),
    QStringLiteral("DISK"),   QStringLiteral("DISTINCT"),   QStringLiteral("DROP"),
    QStringLiteral("END"),    QStringLiteral("EXEC"),       QStringLiteral("FETCH"),
    QStringLiteral("FILE"),   QStringLiteral("FOR"),        QStringLiteral("FROM"),
    QStringLiteral("FULL"),   QStringLiteral("INTO"),       QStringLiteral("KILL"),
    QStringLiteral("OPEN"),   QStringLiteral("ORDER"),      QStringLiteral("RESTORE"),
    QStringLiteral("SELECT"), QStringLiteral("SET"),        QStringLiteral("TO"),
    QStringLiteral("TOP"),    QStringLiteral("WHERE"),      QStringLiteral("WHILE"),
    QStringLiteral("WITH"),   QStringLiteral("ASC"),        QStringLiteral("SHUTDOWN"),
};

bool isWordStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool isWordPart(QChar c) {
    return isWordStart(c) || c.isDigit() || c == QLatin1Char('$');
}

// Reads a quotation opened at `pos` and closed by `close`, a doubled `close` standing for one.
QString readQuoted(const QString& sql, qsizetype& pos, QChar close) {
    QString text;
    for (++pos; pos < sql.size(); ++pos) {
        if (sql[pos] != close) {
            text += sql[pos];
        } else if (pos + 1 < sql.size() && sql[pos + 1] == close) {
            text += close;
            ++pos;
        } else {
            ++pos;
            return text;
        }
    }
    throw std::runtime_error("unclosed quotation in: " + sql.toStdString());
}

}  // namespace

QList<TsqlToken> tokenize(const QString& sql) {
    QList<TsqlToken> tokens;
    qsizetype pos = 0;
    while (pos < sql.size()) {
        const QChar c = sql[pos];
        const QStringView rest = QStringView(sql).mid(pos);
        if (c.isSpace()) {
            ++pos;
        } else if (rest.startsWith(u"--")) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), pos);
            tokens.append({TsqlToken::Comment, sql.mid(pos, end < 0 ? -1 : end - pos)});
            pos = end < 0 ? sql.size() : end;
        } else if (rest.startsWith(u"/*")) {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), pos);
            tokens.append({TsqlToken::Comment, sql.mid(pos)});
            pos = end < 0 ? sql.size() : end + 2;
        } else if ((c == QLatin1Char('N') || c == QLatin1Char('n')) && rest.size() > 1 &&
                   rest[1] == QLatin1Char('\'')) {
            ++pos;
            tokens.append({TsqlToken::Literal, readQuoted(sql, pos, QLatin1Char('\'')), true});
        } else if (c == QLatin1Char('\'')) {
            tokens.append({TsqlToken::Literal, readQuoted(sql, pos, QLatin1Char('\''))});
        } else if (c == QLatin1Char('[')) {
            tokens.append({TsqlToken::Name, readQuoted(sql, pos, QLatin1Char(']'))});
        } else if (c == QLatin1Char('"')) {
            tokens.append({TsqlToken::Name, readQuoted(sql, pos, QLatin1Char('"'))});
        } else if (isWordStart(c) || c.isDigit()) {
            const qsizetype start = pos;
            while (pos < sql.size() && isWordPart(sql[pos])) {
                ++pos;
            }
            const QString word = sql.mid(start, pos - start);
            const TsqlToken::Kind kind = c.isDigit()                          ? TsqlToken::Number
                                         : kKeywords.contains(word.toUpper()) ? TsqlToken::Keyword
                                                                              : TsqlToken::Name;
            tokens.append({kind, word});
        } else {
            tokens.append({TsqlToken::Symbol, QString(c)});
            ++pos;
        }
    }
    return tokens;
}
