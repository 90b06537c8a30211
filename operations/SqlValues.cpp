#include "SqlValues.h"

#include <QSet>
#include <algorithm>

namespace {

constexpr qsizetype kMaxIdentifierLength = 128;

const QSet<QString>& reservedKeywords() {
    static const QSet<QString> keywords = [] {
        const QString all = QStringLiteral(
            "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK BROWSE BULK BY "
            "CASCADE CASE CHECK CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLUMN COMMIT COMPUTE "
            "CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE CONVERT CREATE CROSS CURRENT CURRENT_DATE "
            "CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DBCC DEALLOCATE DECLARE "
            "DEFAULT DELETE DENY DESC DISK DISTINCT DISTRIBUTED DOUBLE DROP DUMP ELSE END ERRLVL "
            "ESCAPE EXCEPT EXEC EXECUTE EXISTS EXIT EXTERNAL FETCH FILE FILLFACTOR FOR FOREIGN "
            "FREETEXT FREETEXTTABLE FROM FULL FUNCTION GOTO GRANT GROUP HAVING HOLDLOCK IDENTITY "
            "IDENTITY_INSERT IDENTITYCOL IF IN INDEX INNER INSERT INTERSECT INTO IS JOIN KEY KILL "
            "LEFT LIKE LINENO LOAD MERGE NATIONAL NOCHECK NONCLUSTERED NOT NULL NULLIF OF OFF "
            "OFFSETS ON OPEN OPENDATASOURCE OPENQUERY OPENROWSET OPENXML OPTION OR ORDER OUTER "
            "OVER "
            "PERCENT PIVOT PLAN PRECISION PRIMARY PRINT PROC PROCEDURE PUBLIC RAISERROR READ "
            "READTEXT RECONFIGURE REFERENCES REPLICATION RESTORE RESTRICT RETURN REVERT REVOKE "
            "RIGHT ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE SCHEMA SECURITYAUDIT SELECT "
            "SEMANTICKEYPHRASETABLE SEMANTICSIMILARITYDETAILSTABLE SEMANTICSIMILARITYTABLE "
            "SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS SYSTEM_USER TABLE TABLESAMPLE "
            "TEXTSIZE THEN TO TOP TRAN TRANSACTION TRIGGER TRUNCATE TRY_CONVERT TSEQUAL UNION "
            "UNIQUE UNPIVOT UPDATE UPDATETEXT USE USER VALUES VARYING VIEW WAITFOR WHEN WHERE "
            "WHILE WITH WITHIN WRITETEXT");
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
