#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringListModel>

#include "FMain.h"
#include "Twips.h"

namespace {

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top,
              int width, int height) {
    auto* widget = place(new QLabel(caption, parent), name, left, top, width, height);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return widget;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, int left, int top,
                   int width, int height) {
    return place(new QLineEdit(text, parent), name, left, top, width, height);
}

QPlainTextEdit* multiLineTextBox(QWidget* parent, const char* name, int left, int top, int width,
                                 int height) {
    return place(new QPlainTextEdit(parent), name, left, top, width, height);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    return place(new QPushButton(caption, parent), name, left, top, width, height);
}

QComboBox* dropDownList(QWidget* parent, const char* name, int left, int top, int width,
                        int height) {
    auto* widget = place(new QComboBox(parent), name, left, top, width, height);
    widget->setEditable(false);
    return widget;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
    auto* widget = place(new QGroupBox(caption, parent), name, left, top, width, height);
    // The caption sits on the frame's top line, so that controls placed a line below the
    // frame's top edge stand inside the border rather than across it.
    widget->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0 2px; }"));
    return widget;
}

}  // namespace

void FMain::buildControls() {
    setWindowTitle(QStringLiteral("附加数据库"));
    setFixedSize(twipsToPixels(8835), twipsToPixels(7380));

    // Tab order 0 to 28, as the operator walks the window.
    L_Ip = label(this, "L_Ip", QStringLiteral("服务器IP地址"), 240, 240, 1080, 180);
    T_Ip = textBox(this, "T_Ip", QStringLiteral("127.0.0.1,1433"), 1440, 120, 2655, 375);
    L_User = label(this, "L_User", QStringLiteral("用户名"), 840, 720, 540, 180);
    T_User = textBox(this, "T_User", QStringLiteral("sa"), 1440, 600, 2655, 375);
    L_Pwd = label(this, "L_Pwd", QStringLiteral("密码"), 960, 1200, 360, 180);
    T_Pwd = textBox(this, "T_Pwd", QString(), 1440, 1080, 2655, 375);
    C_Link = button(this, "C_Link", QStringLiteral("连接数据库"), 6720, 120, 1815, 375);
    C_UnLink = button(this, "C_UnLink", QStringLiteral("断开数据库"), 6720, 1080, 1815, 375);

    StatusBar = place(new QStatusBar(this), "StatusBar", 0, 7005, 8835, 375);
    StatusBar->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(StatusBar);
    statusPanel_->setObjectName(QStringLiteral("StatusPanel1"));
    statusPanel_->setFixedWidth(twipsToPixels(8000));
    StatusBar->addWidget(statusPanel_);

    F_A = frame(this, "F_A", QStringLiteral("附加数据库"), 120, 1680, 8535, 3135);
    L_Mdf = label(F_A, "L_Mdf", QStringLiteral("数据文件"), 240, 840, 720, 180);
    T_Mdf = multiLineTextBox(F_A, "T_Mdf", 1080, 840, 6255, 735);
    L_Ldf = label(F_A, "L_Ldf", QStringLiteral("日志文件"), 240, 1680, 720, 180);
    T_Ldf = multiLineTextBox(F_A, "T_Ldf", 1080, 1680, 6255, 735);
    C_Add = button(F_A, "C_Add", QStringLiteral("附加数据库"), 1080, 2520, 1335, 495);
    C_FMdf = button(F_A, "C_FMdf", QStringLiteral("选择文件"), 7440, 840, 975, 735);
    C_FLdf = button(F_A, "C_FLdf", QStringLiteral("选择文件"), 7440, 1680, 975, 735);
    L_DbName = label(F_A, "L_DbName", QStringLiteral("数据库名"), 240, 360, 720, 180);
    T_DbName = textBox(F_A, "T_DbName", QString(), 1080, 360, 3855, 375);

    C_LoginStyle = dropDownList(this, "C_LoginStyle", 4200, 120, 2055, 300);
    C_LoginStyle->addItem(QStringLiteral("WINDWOS身份验证"));
    C_LoginStyle->addItem(QStringLiteral("SQL身份验证"));
    C_LoginStyle->setCurrentIndex(-1);

    F_B = frame(this, "F_B", QStringLiteral("其他操作"), 120, 4920, 8535, 1935);
    C_DbList = dropDownList(F_B, "C_DbList", 1200, 240, 5535, 300);
    dbListEntries_ = new QStringListModel(C_DbList);
    C_DbList->setModel(dbListEntries_);
    L_DbList = label(F_B, "L_DbList", QStringLiteral("现有数据库"), 120, 240, 900, 180);
    C_Clear = button(F_B, "C_Clear", QStringLiteral("分离数据库"), 1200, 720, 1575, 495);
    c_Shrink = button(F_B, "c_Shrink", QStringLiteral("清理数据库"), 3120, 720, 1695, 495);
    c_DropDatabase =
        button(F_B, "c_DropDatabase", QStringLiteral("删除数据库"), 5160, 720, 1695, 495);
    c_BackUp = button(F_B, "c_BackUp", QStringLiteral("备份数据库"), 1200, 1320, 1575, 495);
    c_Restore = button(F_B, "c_Restore", QStringLiteral("恢复数据库"), 3120, 1320, 1695, 495);
    c_Restore_B =
        button(F_B, "c_Restore_B", QStringLiteral("强制恢复数据库"), 5160, 1320, 1695, 495);

    // The file boxes are filled by their buttons only; the operator cannot type into them.
    T_Mdf->setEnabled(false);
    T_Ldf->setEnabled(false);
    T_User->setEnabled(false);
    T_Pwd->setEnabled(false);
    C_UnLink->setEnabled(false);
    F_A->setEnabled(false);
    F_B->setEnabled(false);

    const QList<QWidget*> tabOrder{T_Ip,           T_User,       T_Pwd,     C_Link,     C_UnLink,
                                   T_Mdf,          T_Ldf,        C_Add,     C_FMdf,     C_FLdf,
                                   T_DbName,       C_LoginStyle, C_DbList,  C_Clear,    c_Shrink,
                                   c_DropDatabase, c_BackUp,     c_Restore, c_Restore_B};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}
