#pragma once

#include <QString>

#include "CatalogueQuery.h"

// The texts of the operations written out in full, for holding the server's log against.
// Values appear here already quoted, exactly as T-SQL needs them.

inline const QString kConfirmationPhrase = QStringLiteral("甲乙丙丁戊己庚辛壬癸");

inline const QString kCatalogue = QString::fromUtf16(tdstest::kCatalogueQuery16);

// The eleven-line session eviction for a database name given as a quoted value.
QString evictionBatch(const QString& quotedName);
