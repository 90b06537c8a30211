#include <QApplication>

#include "FMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    FMain window;
    window.show();
    return QApplication::exec();
}
