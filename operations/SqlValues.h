#pragma once

#include <QString>

// Every value that enters a statement goes through one of these, so that a name or path
// can never end its own quotation and smuggle in a statement of its own.

// 'text' with every ' doubled; N'...' when the text holds a character outside ASCII, so that
// the server does not squeeze it through its code page.
QString literal(const QString& text);

// N'text' whatever the text holds, for the places where the statement always takes Unicode.
QString nationalLiteral(const QString& text);

// The name as it is when the server would read it as a regular identifier; otherwise
// [name] with every ] doubled.
QString identifier(const QString& name);

// A number as T-SQL writes it. Numbers read back from the server are parsed into integers
// first, so that a text from the server never enters a statement unchecked.
QString integerLiteral(qint64 value);

bool isRegularIdentifier(const QString& name);
bool isReservedKeyword(const QString& word);
