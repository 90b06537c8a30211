// The real typed confirmation, answered by a timer while it is modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "QtPrinters.h"
#include "app/ChineseQtTexts.h"
#include "app/QtPrompts.h"
#include "operations/HelperConnection.h"

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

TEST(TypedConfirmation, GivesWhatWasTypedAndNothingWhenCancelled) {
    QtPrompts prompts(nullptr, std::make_shared<HelperConnection>(nullptr));
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

// The question about a database still in use: Qt's own Yes and No in Chinese, No the
// default, so that Return or Esc never forces sessions out.
TEST(YesNoQuestion, NoIsTheDefaultAndOnlyYesSaysYes) {
    QTranslator chinese;
    installChineseQtTexts(chinese);
    QtPrompts prompts(nullptr, std::make_shared<HelperConnection>(nullptr));
    whenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "附加数据库");
        EXPECT_EQ(box->text(), "数据库 Shop 仍被 2 个会话使用（…）");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "是(&Y)");
        EXPECT_EQ(box->button(QMessageBox::No)->text(), "否(&N)");
        box->defaultButton()->click();
    });
    EXPECT_FALSE(prompts.askYesNo("附加数据库", "数据库 Shop 仍被 2 个会话使用（…）"));
    whenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(prompts.askYesNo("附加数据库", "数据库 Shop 仍被 2 个会话使用（…）"));
    QApplication::removeTranslator(&chinese);
}

}  // namespace
