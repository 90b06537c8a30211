#pragma once

#include "DocumentedTexts.h"

#include <QString>
#include <QStringList>
#include <functional>

#include "support/FakeHost.h"

using Handler = std::function<void(OperationHost&)>;
using Arrange = std::function<void(FakeHost&)>;

inline const QString kCatalogueQuery = kCatalogue;
inline const QString kStatusBefore = QStringLiteral("数据库连接成功");

// A connected window: "Shop" selected among two entries, the status line showing
// kStatusBefore, and the server listing "Archive", "Shop" and "Fresh".
void arrangeConnected(FakeHost& host);
inline const QStringList kEntriesBefore = {QStringLiteral("Archive"), QStringLiteral("Shop")};
inline const QStringList kEntriesAfter = {QStringLiteral("Archive"), QStringLiteral("Shop"),
                                          QStringLiteral("Fresh")};

// The click sends exactly `expected` and shows `successText`, and the list is refilled.
void expectSuccess(const Arrange& arrange, const Handler& handler, const QStringList& expected,
                   const QString& successText);

// For each text of a successful click, a server error there ends the click at that text:
// its description is shown, nothing later is sent, and the list is refilled only if the
// refill itself was reached.
void expectEachStepFailureStops(const Arrange& arrange, const Handler& handler,
                                const QStringList& expected, const QString& successText);
