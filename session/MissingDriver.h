#pragma once

#include <QString>

// The driver manager's answers when the FreeTDS driver is not there: SQLSTATE IM002 when
// no driver of that name is registered, "Can't open lib …" when its library is missing.
bool isMissingDriver(const QString& sqlState, const QString& message);

// Names the missing driver and how to install and register it.
QString missingDriverDescription();
