#include "DocumentedTexts.h"

#include <QStringList>

QString evictionBatch(const QString& quotedName) {
    return QStringList{
        QStringLiteral("declare @spid nvarchar(20) "),
        QStringLiteral("declare cur_lock cursor for select distinct spid from sysprocesses "
                       "where dbid = db_id(") +
            quotedName + QStringLiteral(") "),
        QStringLiteral("open cur_lock "),
        QStringLiteral("fetch cur_lock into @spid "),
        QStringLiteral("while @@fetch_status=0 "),
        QStringLiteral(" begin"),
        QStringLiteral(" exec( 'kill '+@spid) "),
        QStringLiteral("fetch Next From cur_lock into @spid "),
        QStringLiteral("end "),
        QStringLiteral("close cur_lock "),
        QStringLiteral("deallocate cur_lock "),
    }
        .join(QStringLiteral("\r\n"));
}
