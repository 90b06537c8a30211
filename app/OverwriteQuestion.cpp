#include "OverwriteQuestion.h"

#include <QMessageBox>
#include <QPushButton>

#include "common/OperatorTexts.h"

bool confirmOverwrite(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Warning, texts::kOverwriteTitle, question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("overwriteQuestion"));
    box.setTextFormat(Qt::PlainText);
    // The same words whether or not Qt's own Chinese texts are installed.
    box.button(QMessageBox::Yes)->setText(texts::kYes);
    box.button(QMessageBox::No)->setText(texts::kNo);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
