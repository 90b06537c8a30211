#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

namespace {

const QString kExistenceQuery =
    QStringLiteral("SELECT TOP 1 dbid FROM sysdatabases WHERE name='Sales'");

void arrangeInputs(FakeHost& host) {
    arrangeConnected(host);
    host.databaseName = QStringLiteral("Sales");
    host.dataFile = QStringLiteral("D:\\data\\Sales_Data.mdf");
    host.logFile = QStringLiteral("D:\\data\\Sales_Log.ldf");
}

QStringList boxes(const FakeHost& host) {
    return {host.databaseName, host.dataFile, host.logFile};
}

}  // namespace

TEST(AttachFlow, FreeNameIsAttachedTheBoxesEmptiedAndTheListRefilled) {
    const QStringList expected = {
        kExistenceQuery,
        QStringLiteral(
            "EXEC sp_attach_db 'Sales','D:\\data\\Sales_Data.mdf','D:\\data\\Sales_Log.ldf'"),
        kCatalogueQuery};
    expectSuccess(arrangeInputs, attachDatabase, expected, QStringLiteral("数据库符加成功"));
    expectEachStepFailureStops(arrangeInputs, attachDatabase, expected,
                               QStringLiteral("数据库符加成功"));

    FakeHost host;
    arrangeInputs(host);
    host.click(attachDatabase);
    EXPECT_EQ(boxes(host), (QStringList{QString(), QString(), QString()}));
}

TEST(AttachFlow, BoxesStayFilledUntilTheAttachSucceeds) {
    for (const qsizetype failingCall : {0, 1, 2}) {
        FakeHost host;
        arrangeInputs(host);
        const QStringList before = boxes(host);
        host.conn.failCall(failingCall, QStringLiteral("服务器错误"));
        host.click(attachDatabase);
        EXPECT_EQ(boxes(host) == before, failingCall < 2) << failingCall;
    }
}

TEST(AttachFlow, InputChecksRunInOrderAndSendNothing) {
    struct Case {
        QString name, dataFile, logFile, request;
    };
    const QList<Case> cases = {
        {QString(), QString(), QString(), QStringLiteral("请选择数据库文件")},
        {QStringLiteral("Sales"), QString(), QStringLiteral("b.ldf"),
         QStringLiteral("请选择数据库文件")},
        {QStringLiteral("Sales"), QStringLiteral("a.mdf"), QString(),
         QStringLiteral("请选择日志文件")},
        {QString(), QStringLiteral("a.mdf"), QStringLiteral("b.ldf"),
         QStringLiteral("请输入数据库名")},
    };
    for (const Case& c : cases) {
        FakeHost host;
        arrangeConnected(host);
        host.databaseName = c.name;
        host.dataFile = c.dataFile;
        host.logFile = c.logFile;
        host.click(attachDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{c.request});
        EXPECT_TRUE(host.conn.calls.isEmpty());
        EXPECT_EQ(boxes(host), (QStringList{c.name, c.dataFile, c.logFile}));
    }
}

TEST(AttachFlow, NameOfBlanksPassesTheChecksAsTyped) {
    FakeHost host;
    arrangeInputs(host);
    host.databaseName = QStringLiteral("  ");
    host.click(attachDatabase);
    ASSERT_FALSE(host.conn.calls.isEmpty());
    EXPECT_EQ(host.conn.texts().first(),
              QStringLiteral("SELECT TOP 1 dbid FROM sysdatabases WHERE name='  '"));
}

TEST(AttachFlow, NameInUseIsRefusedAfterOnlyTheExistenceQuery) {
    FakeHost host;
    arrangeInputs(host);
    host.conn.answer(kExistenceQuery, column(QStringLiteral("dbid"), {QStringLiteral("7")}));
    host.click(attachDatabase);
    EXPECT_EQ(host.conn.texts(), QStringList{kExistenceQuery});
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库已存在")});
    EXPECT_EQ(boxes(host),
              (QStringList{QStringLiteral("Sales"), QStringLiteral("D:\\data\\Sales_Data.mdf"),
                           QStringLiteral("D:\\data\\Sales_Log.ldf")}));
    EXPECT_EQ(host.entries, kEntriesBefore);
}

TEST(ChooseFilesFlow, DataFileReplacesTheTypedNameAndEmptiesTheLogFile) {
    FakeHost host;
    host.databaseName = QStringLiteral("typed");
    host.logFile = QStringLiteral("D:\\old.ldf");
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\data\\Sales_Data.MDF"), QStringLiteral("Sales_Data.MDF")}};
    host.click(chooseDataFile);
    EXPECT_EQ(boxes(host), (QStringList{QStringLiteral("Sales"),
                                        QStringLiteral("D:\\data\\Sales_Data.MDF"), QString()}));
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库文件选择成功")});
    const QList<std::pair<QString, FileDialogMode>> shown = {
        {QStringLiteral("数据库文件(*.mdf)|*.mdf"), FileDialogMode::Open}};
    EXPECT_EQ(host.dialogsShown, shown);
    EXPECT_TRUE(host.conn.calls.isEmpty());

    // The log file has to come after the data file.
    host.click(attachDatabase);
    EXPECT_EQ(host.status, QStringLiteral("请选择日志文件"));
}

TEST(ChooseFilesFlow, DataFileTitleWithoutFullStopKeepsTheTypedName) {
    FakeHost host;
    host.databaseName = QStringLiteral("typed");
    host.logFile = QStringLiteral("D:\\old.ldf");
    host.fileChoices = {ChosenFile{QStringLiteral("D:\\data\\Sales"), QStringLiteral("Sales")}};
    host.click(chooseDataFile);
    EXPECT_EQ(boxes(host),
              (QStringList{QStringLiteral("typed"), QStringLiteral("D:\\data\\Sales"), QString()}));
    ASSERT_EQ(host.statusHistory.size(), 1);
    EXPECT_FALSE(host.status.isEmpty());
    EXPECT_NE(host.status, QStringLiteral("数据库文件选择成功"));
}

TEST(ChooseFilesFlow, LogFileChangesOnlyTheLogBox) {
    FakeHost host;
    host.databaseName = QStringLiteral("Sales");
    host.dataFile = QStringLiteral("D:\\a.mdf");
    host.fileChoices = {ChosenFile{QStringLiteral("\\\\host\\share\\Sales_Log.ldf"),
                                   QStringLiteral("Sales_Log.ldf")}};
    host.click(chooseLogFile);
    EXPECT_EQ(boxes(host), (QStringList{QStringLiteral("Sales"), QStringLiteral("D:\\a.mdf"),
                                        QStringLiteral("\\\\host\\share\\Sales_Log.ldf")}));
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("日志文件选择成功")});
    const QList<std::pair<QString, FileDialogMode>> shown = {
        {QStringLiteral("日志文件(*.ldf)|*.ldf"), FileDialogMode::Open}};
    EXPECT_EQ(host.dialogsShown, shown);
}

TEST(ChooseFilesFlow, CancelledDialogShowsItsDescriptionAndChangesNoBox) {
    for (const Handler& handler : {Handler(chooseDataFile), Handler(chooseLogFile)}) {
        FakeHost host;
        host.databaseName = QStringLiteral("Sales");
        host.dataFile = QStringLiteral("D:\\a.mdf");
        host.logFile = QStringLiteral("D:\\a.ldf");
        host.click(handler);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("已取消选择文件")});
        EXPECT_EQ(boxes(host), (QStringList{QStringLiteral("Sales"), QStringLiteral("D:\\a.mdf"),
                                            QStringLiteral("D:\\a.ldf")}));
    }
}
