#include <QApplication>
#include <QTranslator>

#include "ChineseQtTexts.h"
#include "CommandLine.h"
#include "FMain.h"
#include "session/OdbcConnection.h"
#include "session/OwnFreeTdsFile.h"

int main(int argc, char* argv[]) {
    // It sets an environment variable, which no thread may be reading meanwhile.
    own_freetds::adopt();
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv)) {
        return *exitCode;
    }
    QApplication app(argc, argv);
    QTranslator qtTexts;
    installChineseQtTexts(qtTexts);
    FMain window{makeOdbcConnection};
    window.show();
    return QApplication::exec();
}
