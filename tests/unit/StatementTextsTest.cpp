#include <gtest/gtest.h>

#include <QRegularExpression>

#include "operations/Statements.h"

// Ordinary names and paths give the texts exactly as the operations are documented to send,
// but for one change: the catalogue's names are written in the case the catalogue stores
// them, so that the texts also work under a case-sensitive or binary collation.

namespace {

QString inStoredCase(QString documented) {
    for (const char* name : {"sysdatabases", "sysfiles", "name", "dbid", "fileid", "filename"}) {
        const QString word = QString::fromLatin1(name);
        documented.replace(QRegularExpression(QStringLiteral("\\b") + word + QStringLiteral("\\b"),
                                              QRegularExpression::CaseInsensitiveOption),
                           word);
    }
    return documented;
}

}  // namespace

TEST(StatementTexts, CatalogueNamesInTheirStoredCaseAreTheOnlyChange) {
    EXPECT_EQ(catalogueQuery(),
              inStoredCase(QStringLiteral("SELECT NAME FROM SYSDATABASES WHERE NAME NOT IN "
                                          "('master','tempdb','model','msdb','pubs','Northwind') "
                                          "ORDER BY dbid")));
    EXPECT_EQ(
        existenceQuery(QStringLiteral("Sales")),
        inStoredCase(QStringLiteral("SELECT TOP 1 dbid FROM SYSDATABASES WHERE NAME='Sales'")));
    EXPECT_EQ(
        targetFileQuery(QStringLiteral("Shop")),
        inStoredCase(QStringLiteral("SELECT TOP 2 FILEID,NAME,FILENAME FROM Shop.dbo.sysfiles "
                                    "ORDER BY FILEID ASC ")));
    EXPECT_EQ(
        catalogueQuery(),
        QStringLiteral("SELECT name FROM sysdatabases WHERE name NOT IN "
                       "('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid"));
}

TEST(StatementTexts, SessionEvictionBatchIsElevenLinesJoinedByCrLf) {
    EXPECT_EQ(sessionEvictionBatch(QStringLiteral("Shop")),
              QStringLiteral("declare @spid nvarchar(20) \r\n"
                             "declare cur_lock cursor for select distinct spid from sysprocesses "
                             "where dbid = db_id('Shop') \r\n"
                             "open cur_lock \r\n"
                             "fetch cur_lock into @spid \r\n"
                             "while @@fetch_status=0 \r\n"
                             " begin\r\n"
                             " exec( 'kill '+@spid) \r\n"
                             "fetch Next From cur_lock into @spid \r\n"
                             "end \r\n"
                             "close cur_lock \r\n"
                             "deallocate cur_lock "));
}

TEST(StatementTexts, Attach) {
    EXPECT_EQ(
        attachStatement(QStringLiteral("Sales"), QStringLiteral("D:\\data\\Sales_Data.mdf"),
                        QStringLiteral("D:\\data\\Sales_Log.ldf")),
        QStringLiteral(
            "EXEC sp_attach_db 'Sales','D:\\data\\Sales_Data.mdf','D:\\data\\Sales_Log.ldf'"));
}

TEST(StatementTexts, DetachCleanUpAndDrop) {
    EXPECT_EQ(detachStatement(QStringLiteral("Shop")), QStringLiteral("EXEC sp_detach_db 'Shop'"));
    EXPECT_EQ(recoverySimpleNoWaitStatement(QStringLiteral("Shop")),
              QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE WITH NO_WAIT "));
    EXPECT_EQ(recoverySimpleStatement(QStringLiteral("Shop")),
              QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE "));
    EXPECT_EQ(shrinkStatement(QStringLiteral("Shop")),
              QStringLiteral("DBCC SHRINKDATABASE(Shop) "));
    EXPECT_EQ(recoveryFullNoWaitStatement(QStringLiteral("Shop")),
              QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL WITH NO_WAIT "));
    EXPECT_EQ(recoveryFullStatement(QStringLiteral("Shop")),
              QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL "));
    EXPECT_EQ(dropStatement(QStringLiteral("Shop")), QStringLiteral("DROP DATABASE Shop"));
}

TEST(StatementTexts, BackUpAndRestore) {
    EXPECT_EQ(backupStatement(QStringLiteral("Shop"), QStringLiteral("D:\\bak\\shop.bak")),
              QStringLiteral("Backup Database Shop To disk='D:\\bak\\shop.bak' WITH FORMAT "));
    EXPECT_EQ(restoreStatement(QStringLiteral("Shop"), QStringLiteral("D:\\bak\\shop.bak")),
              QStringLiteral("Restore Database Shop From disk='D:\\bak\\shop.bak' "));
}

TEST(StatementTexts, ForcedRestore) {
    EXPECT_EQ(backupFileListQuery(QStringLiteral("D:\\bak\\other.bak")),
              QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'D:\\bak\\other.bak'"));
    // A value read from the server goes back verbatim, trailing blanks included.
    EXPECT_EQ(forcedRestoreStatement(
                  QStringLiteral("Shop"), QStringLiteral("D:\\bak\\other.bak"),
                  {QStringLiteral("Other_Data"), QStringLiteral("D:\\data\\Shop.mdf  ")},
                  {QStringLiteral("Other_Log"), QStringLiteral("D:\\data\\Shop_log.ldf")}),
              QStringLiteral("Restore Database Shop From disk='D:\\bak\\other.bak' WITH REPLACE, "
                             "MOVE 'Other_Data' TO 'D:\\data\\Shop.mdf  ', "
                             "MOVE 'Other_Log' TO 'D:\\data\\Shop_log.ldf'"));
    EXPECT_EQ(
        renameLogicalFileStatement(QStringLiteral("Shop"), QStringLiteral("Other_Data"),
                                   dataLogicalName(QStringLiteral("Shop"))),
        QStringLiteral("alter database Shop modify file(name=Other_Data, newname=Shop_Data)"));
    EXPECT_EQ(renameLogicalFileStatement(QStringLiteral("Shop"), QStringLiteral("Other_Log"),
                                         logLogicalName(QStringLiteral("Shop"))),
              QStringLiteral("alter database Shop modify file(name=Other_Log, newname=Shop_Log)"));
}

TEST(StatementTexts, ChineseValuesAreNationalLiteralsWithOneN) {
    EXPECT_EQ(backupFileListQuery(QStringLiteral("D:\\备份\\销售.bak")),
              QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'D:\\备份\\销售.bak'"));
    EXPECT_EQ(restoreStatement(QStringLiteral("销售"), QStringLiteral("D:\\备份\\销售.bak")),
              QStringLiteral("Restore Database 销售 From disk=N'D:\\备份\\销售.bak' "));
    EXPECT_EQ(detachStatement(QStringLiteral("销售")), QStringLiteral("EXEC sp_detach_db N'销售'"));
    EXPECT_TRUE(sessionEvictionBatch(QStringLiteral("销售"))
                    .contains(QStringLiteral("db_id(N'销售') \r\n")));
}
