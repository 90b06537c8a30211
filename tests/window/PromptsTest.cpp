// The real prompts, answered by a timer while they are modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "QtPrinters.h"
#include "app/QtPrompts.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace {

// Runs `answer` on the dialog of type D once it is the active modal widget.
template <typename D>
void whenShown(std::function<void(D*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            whenShown<D>(answer);
            return;
        }
        answer(dialog);
    });
}

void typeFileName(QFileDialog* dialog, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
    QMetaObject::invokeMethod(dialog, "accept");
}

TEST(FileDialog, ATypedWindowsPathComesBackAsTypedWithItsTitle) {
    QtPrompts prompts(nullptr);
    for (const QString path : {"D:\\data\\Sales_Data.mdf", "\\\\host\\share\\备份 1.bak"}) {
        whenShown<QFileDialog>([path](QFileDialog* d) { typeFileName(d, path); });
        const ChosenFile file = prompts.chooseFile(texts::kDataFileFilter, FileDialogMode::Open);
        EXPECT_EQ(file.fullPath, path);
        EXPECT_EQ(file.title, path.mid(path.lastIndexOf(u'\\') + 1));
    }
}

TEST(FileDialog, KeepsTheLastNameAndRaisesItsDescriptionWhenCancelled) {
    QtPrompts prompts(nullptr);
    const QString missing = QDir::temp().filePath(QStringLiteral("dbtool-prompts-shop.bak"));
    whenShown<QFileDialog>([missing](QFileDialog* d) { typeFileName(d, missing); });
    EXPECT_EQ(prompts.chooseFile(texts::kBackupFileFilter, FileDialogMode::Save).fullPath, missing);

    QString offered;
    whenShown<QFileDialog>([&offered](QFileDialog* d) {
        offered = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        d->reject();
    });
    try {
        prompts.chooseFile(texts::kBackupFileFilter, FileDialogMode::Open);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), texts::kFileDialogCancelled);
    }
    EXPECT_EQ(offered, "dbtool-prompts-shop.bak");
}

TEST(TypedConfirmation, GivesWhatWasTypedAndNothingWhenCancelled) {
    QtPrompts prompts(nullptr);
    whenShown<QInputDialog>([](QInputDialog* d) {
        EXPECT_EQ(d->windowTitle(), "删除数据库验证");
        EXPECT_EQ(d->labelText(), "删除数据库，请输入：甲乙丙丁戊己庚辛壬癸");
        d->setTextValue("甲乙丙丁戊己庚辛壬癸 ");
        d->accept();
    });
    EXPECT_EQ(
        prompts.askTypedConfirmation("删除数据库，请输入：甲乙丙丁戊己庚辛壬癸", "删除数据库验证"),
        "甲乙丙丁戊己庚辛壬癸 ");
    whenShown<QInputDialog>([](QInputDialog* d) {
        d->setTextValue("甲乙丙丁戊己庚辛壬癸");
        d->reject();
    });
    EXPECT_EQ(prompts.askTypedConfirmation("p", "t"), "");
}

}  // namespace
