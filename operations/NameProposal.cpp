#include "NameProposal.h"

#include "session/Error.h"

QString proposeDatabaseName(const QString& fileTitle) {
    const qsizetype fullStop = fileTitle.indexOf(QLatin1Char('.'));
    if (fullStop < 0) {
        throw Error(QStringLiteral("数据文件名中没有“.”，无法推出数据库名"));
    }
    const qsizetype underscore = fileTitle.indexOf(QLatin1Char('_'));
    if (underscore > 0 && underscore < fullStop) {
        return fileTitle.left(underscore);
    }
    return fileTitle.left(fullStop);
}
