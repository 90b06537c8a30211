// The real typed confirmation, answered by a timer while it is modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "QtPrinters.h"
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

}  // namespace
