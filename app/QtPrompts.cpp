#include "QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

#include "FileNames.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"

QString QtPrompts::askTypedConfirmation(const QString& prompt, const QString& title) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

ChosenFile QtPrompts::chooseFile(const QString& filter, FileDialogMode mode) {
    QFileDialog dialog(parent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(mode == FileDialogMode::Save ? QFileDialog::AcceptSave
                                                      : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(file_names::qtNameFilter(filter));
    if (!lastFileName_.isEmpty()) {
        dialog.selectFile(lastFileName_);
    }
    auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QString typedText;
    if (typed != nullptr) {
        QObject::connect(typed, &QLineEdit::textChanged,
                         [&typedText](const QString& text) { typedText = text; });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        throw Error(texts::kFileDialogCancelled);
    }
    QString path = dialog.selectedFiles().constFirst();
    if (file_names::isWindowsAbsolutePath(typedText)) {
        path = typedText;
    }
    lastFileName_ = path;
    return {path, file_names::fileTitle(path)};
}
