#include <QApplication>
#include <QTranslator>

#include "ChineseQtTexts.h"
#include "FMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTranslator qtTexts;
    installChineseQtTexts(qtTexts);
    FMain window;
    window.show();
    return QApplication::exec();
}
