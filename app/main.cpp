#include <QApplication>
#include <QTranslator>

#include "ChineseQtTexts.h"
#include "FMain.h"
#include "session/OdbcConnection.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTranslator qtTexts;
    installChineseQtTexts(qtTexts);
    FMain window{makeOdbcConnection};
    window.show();
    return QApplication::exec();
}
