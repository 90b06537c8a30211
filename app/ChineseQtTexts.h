#pragma once

class QTranslator;

// Every text of the window is Simplified Chinese, whatever the desktop's language, so the
// buttons and labels of Qt's own dialogs follow it. The translator must outlive the
// application's event loop.
void installChineseQtTexts(QTranslator& translator);
