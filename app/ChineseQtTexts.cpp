#include "ChineseQtTexts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void installChineseQtTexts(QTranslator& translator) {
    if (translator.load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
}
