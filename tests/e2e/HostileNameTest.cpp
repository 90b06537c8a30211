// A database name holding a blank, a quote, brackets and Chinese characters, beside a
// database whose name is a prefix of it: every operation reaches the one chosen, and only it.

#include <gtest/gtest.h>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerTest.h"
#include "operations/Handlers.h"

namespace {

const QString kHostile = QStringLiteral("O'Brien [东区] 销售");
const QString kHostileAsValue = QStringLiteral("N'O''Brien [东区] 销售'");
const QString kHostileAsName = QStringLiteral("[O'Brien [东区]] 销售]");
const QString kNeighbour = QStringLiteral("O'Brien");
const QString kBackupFile = QStringLiteral("备份 O'Brien [东区].bak");
const QString kNeighbourBackupFile = QStringLiteral("O'Brien.bak");
const QStringList kRows = {QStringLiteral("第一行")};
const QStringList kNeighbourRows = {QStringLiteral("neighbour row")};

class HostileName : public ServerTest {
  protected:
    void SetUp() override {
        createDatabaseWithRows(*observer, kNeighbour, kNeighbourRows);
        setRecoverySimple(*observer, kNeighbour);
        createDatabaseWithRows(*observer, kHostile, kRows);
        setRecoverySimple(*observer, kHostile);  // so that the plain restore may replace it
        host.refreshList();
        neighbourClient = connectTo(server);
        neighbourClient->execute(QStringLiteral("USE ") + bracketed(kNeighbour));
        neighbourFiles = filesOf(*observer, kNeighbour);
    }

    QString backupPathAsValue() const { return nationalText(inDataFolder(kBackupFile)); }

    std::unique_ptr<OdbcConnection> neighbourClient;
    QList<FileRow> neighbourFiles;
};

}  // namespace

TEST_F(HostileName, GoesThroughEveryOperationAndNothingElseIsTouched) {
    {
        SCOPED_TRACE("detach");
        host.select(kHostile);
        const QStringList texts = clickAndRecord(detachDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库分离成功")});
        EXPECT_EQ(texts, (QStringList{evictionBatch(kHostileAsValue),
                                      QStringLiteral("EXEC sp_detach_db ") + kHostileAsValue,
                                      kCatalogue}));
        EXPECT_EQ(host.entries, QStringList{kNeighbour});
    }
    {
        SCOPED_TRACE("attach from its files");
        host.fileChoices = {chosenInDataFolder(kHostile + QStringLiteral(".mdf")),
                            chosenInDataFolder(kHostile + QStringLiteral("_log.ldf"))};
        host.click(chooseDataFile);
        host.click(chooseLogFile);
        EXPECT_EQ(host.databaseName, kHostile);
        host.click(attachDatabase);
        EXPECT_EQ(host.status, QStringLiteral("数据库符加成功"));
        EXPECT_EQ(host.entries, (QStringList{kNeighbour, kHostile}));
        EXPECT_EQ(rowsOf(*observer, kHostile), kRows);
        // The recovery model lives in the database's own files.
        EXPECT_EQ(recoveryModel(*observer, kHostile), QStringLiteral("SIMPLE"));
    }
    {
        SCOPED_TRACE("back up");
        host.select(kHostile);
        host.fileChoices = {chosenInDataFolder(kBackupFile)};
        const QStringList texts = clickAndRecord(backUpDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("备份数据库成功")});
        EXPECT_EQ(texts, (QStringList{QStringLiteral("Backup Database ") + kHostileAsName +
                                          QStringLiteral(" To disk=") + backupPathAsValue() +
                                          QStringLiteral(" WITH FORMAT "),
                                      kCatalogue}));
        EXPECT_TRUE(existsInDataFolder(kBackupFile));
    }
    {
        SCOPED_TRACE("restore");
        addRow(*observer, kHostile, QStringLiteral("备份之后"));
        host.select(kHostile);
        host.typedAnswer = kConfirmationPhrase;
        host.fileChoices = {chosenInDataFolder(kBackupFile)};
        host.click(restoreDatabase);
        EXPECT_EQ(host.status, QStringLiteral("恢复数据库成功"));
        EXPECT_EQ(rowsOf(*observer, kHostile), kRows);
    }
    {
        SCOPED_TRACE("force-restore the neighbour's backup onto it");
        host.select(kNeighbour);
        host.fileChoices = {chosenInDataFolder(kNeighbourBackupFile)};
        host.click(backUpDatabase);
        ASSERT_EQ(host.status, QStringLiteral("备份数据库成功"));

        host.select(kHostile);
        host.typedAnswer = kConfirmationPhrase;
        host.fileChoices = {chosenInDataFolder(kNeighbourBackupFile)};
        const QStringList texts = clickAndRecord(forceRestoreDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("恢复数据库成功")});
        const QString filesQuery = QStringLiteral("SELECT TOP 2 fileid,name,filename FROM ") +
                                   kHostileAsName +
                                   QStringLiteral(".dbo.sysfiles ORDER BY fileid ASC ");
        const QString restore = QStringLiteral("Restore Database ") + kHostileAsName +
                                QStringLiteral(" From disk=") +
                                plainText(inDataFolder(kNeighbourBackupFile)) +
                                QStringLiteral(" WITH REPLACE, MOVE 'O''Brien' TO ") +
                                nationalText(inDataFolder(kHostile + ".mdf")) +
                                QStringLiteral(", MOVE 'O''Brien_log' TO ") +
                                nationalText(inDataFolder(kHostile + "_log.ldf"));
        const QString rename = QStringLiteral("alter database ") + kHostileAsName +
                               QStringLiteral(" modify file(name=[O'Brien%1], newname=") +
                               QStringLiteral("[O'Brien [东区]] 销售%2])");
        EXPECT_EQ(texts, (QStringList{filesQuery,
                                      QStringLiteral("RESTORE FILELISTONLY FROM DISK = ") +
                                          nationalText(inDataFolder(kNeighbourBackupFile)),
                                      evictionBatch(kHostileAsValue), restore, filesQuery,
                                      rename.arg(QString(), QStringLiteral("_Data")),
                                      rename.arg(QStringLiteral("_log"), QStringLiteral("_Log")),
                                      kCatalogue}));
        EXPECT_EQ(filesOf(*observer, kHostile),
                  (QList<FileRow>{{kHostile + QStringLiteral("_Data"),
                                   inDataFolder(kHostile + QStringLiteral(".mdf"))},
                                  {kHostile + QStringLiteral("_Log"),
                                   inDataFolder(kHostile + QStringLiteral("_log.ldf"))}}));
        EXPECT_EQ(rowsOf(*observer, kHostile), kNeighbourRows);
    }
    {
        SCOPED_TRACE("clean up");
        setRecoverySimple(*observer, kHostile);
        host.select(kHostile);
        host.click(cleanUpDatabase);
        EXPECT_EQ(host.status, QStringLiteral("清理数据库成功"));
        EXPECT_EQ(recoveryModel(*observer, kHostile), QStringLiteral("FULL"));
    }

    // The neighbour's session, files, content and recovery model are as they were.
    EXPECT_EQ(neighbourClient->query(QStringLiteral("SELECT a FROM t")).rowCount(), 1);
    EXPECT_EQ(rowsOf(*observer, kNeighbour), kNeighbourRows);
    EXPECT_EQ(filesOf(*observer, kNeighbour), neighbourFiles);
    EXPECT_EQ(recoveryModel(*observer, kNeighbour), QStringLiteral("SIMPLE"));
    EXPECT_EQ(listedDatabases(*observer), (QStringList{kNeighbour, kHostile}));
}
