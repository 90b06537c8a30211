#include "NameProposal.h"

#include "common/Error.h"
#include "common/OperatorTexts.h"

QString proposeDatabaseName(const QString& fileTitle) {
    const qsizetype fullStop = fileTitle.indexOf(QLatin1Char('.'));
    if (fullStop < 0) {
        throw Error(texts::kNoFullStopInDataFileName);
    }
    const qsizetype underscore = fileTitle.indexOf(QLatin1Char('_'));
    if (underscore > 0 && underscore < fullStop) {
        return fileTitle.left(underscore);
    }
    return fileTitle.left(fullStop);
}
