#include <QApplication>
#include <QTranslator>

#include "ChineseQtTexts.h"
#include "CommandLine.h"
#include "FMain.h"
#include "session/OdbcConnection.h"

int main(int argc, char* argv[]) {
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
