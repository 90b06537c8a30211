#pragma once

#include <QList>
#include <QString>

// Splits a T-SQL text the way the server reads it, so a test can see whether a value stayed
// inside its quotation or escaped into the statement.
struct TsqlToken {
    enum Kind { Keyword, Name, Literal, Number, Symbol, Comment } kind;
    QString text;  // quotes and brackets removed, doubled quotes undone
    bool national = false;

    bool operator==(const TsqlToken& other) const {
        return kind == other.kind && text == other.text;
    }
};

// Raises std::runtime_error for a quotation or bracket left open.
QList<TsqlToken> tokenize(const QString& sql);
