#pragma once

#include <QString>

class OperationHost;

// What the operator types to let an operation overwrite or destroy a database.
inline const QString kConfirmationPhrase = QStringLiteral("甲乙丙丁戊己庚辛壬癸");

// Only the exact phrase confirms: no trimming, no case folding; a cancel gives empty text.
bool isConfirmation(const QString& answer);

// Asks for the phrase; a failed confirmation shows nothing.
bool confirmTyped(OperationHost& host, const QString& prompt, const QString& title);
