#pragma once

#include <QString>

class OperationHost;

// Only the exact phrase confirms: no trimming, no case folding; a cancel gives empty text.
bool isConfirmation(const QString& answer);

// Asks for the phrase; a failed confirmation shows nothing.
bool confirmTyped(OperationHost& host, const QString& prompt, const QString& title);
