// One database through every operation of the tool, each click held against the texts the
// server received and against what the server holds afterwards.

#include <gtest/gtest.h>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerTest.h"
#include "operations/Handlers.h"

namespace {

const QString kShop = QStringLiteral("Shop");
const QString kOther = QStringLiteral("Other");
const QStringList kShopRows = {QStringLiteral("apple"), QStringLiteral("梨")};
const QStringList kOtherRows = {QStringLiteral("from Other")};
const QString kShopFiles =
    QStringLiteral("SELECT TOP 2 fileid,name,filename FROM Shop.dbo.sysfiles ORDER BY fileid ASC ");

struct Setting {
    const char* name;
    friend void PrintTo(const Setting& setting, std::ostream* out) { *out << setting.name; }
    bool windowsHost = false;
    // Under a case-sensitive or binary collation the catalogue's names resolve only in
    // lower case: the instance's, or that of the database the forced restore reads.
    std::vector<std::string> serverOptions{};
    QString shopCollation{};
};

// The same on a Linux host and on a Windows host, whose paths read D:\data\Shop.mdf, on an
// instance with a binary collation, and for a database with a case-sensitive one.
class LifeCycle : public ServerTest, public ::testing::WithParamInterface<Setting> {
  protected:
    LifeCycle() : ServerTest(GetParam().windowsHost, GetParam().serverOptions) {}

    void SetUp() override {
        createDatabaseWithRows(*observer, kOther, kOtherRows);
        setRecoverySimple(*observer, kOther);
        createDatabaseWithRows(*observer, kShop, kShopRows, GetParam().shopCollation);
        host.refreshList();
    }

    QString quotedInDataFolder(const QString& fileName) const {
        return QLatin1Char('\'') + inDataFolder(fileName) + QLatin1Char('\'');
    }

    void detachShop() {
        host.select(kShop);
        const QStringList texts = clickAndRecord(detachDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库分离成功")});
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")),
                                      QStringLiteral("EXEC sp_detach_db 'Shop'"), kCatalogue}));
        EXPECT_EQ(host.entries, QStringList{kOther});
        EXPECT_EQ(listedDatabases(*observer), QStringList{kOther});
        EXPECT_TRUE(existsInDataFolder(QStringLiteral("Shop.mdf")));
        EXPECT_TRUE(existsInDataFolder(QStringLiteral("Shop_log.ldf")));
    }

    void attachShopFromItsFiles() {
        sent.mark();
        host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.mdf")),
                            chosenInDataFolder(QStringLiteral("Shop_log.ldf"))};
        host.click(chooseDataFile);
        host.click(chooseLogFile);
        EXPECT_EQ(host.databaseName, kShop);  // proposed from the file title
        EXPECT_EQ(host.dataFile, inDataFolder(QStringLiteral("Shop.mdf")));
        EXPECT_EQ(host.logFile, inDataFolder(QStringLiteral("Shop_log.ldf")));
        EXPECT_TRUE(sent.sinceMark().isEmpty());

        const QStringList texts = clickAndRecord(attachDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库符加成功")});
        EXPECT_EQ(
            texts,
            (QStringList{QStringLiteral("SELECT TOP 1 dbid FROM sysdatabases WHERE name='Shop'"),
                         QStringLiteral("EXEC sp_attach_db 'Shop',") +
                             quotedInDataFolder(QStringLiteral("Shop.mdf")) + QLatin1Char(',') +
                             quotedInDataFolder(QStringLiteral("Shop_log.ldf")),
                         kCatalogue}));
        EXPECT_TRUE(host.databaseName.isEmpty());
        EXPECT_TRUE(host.dataFile.isEmpty());
        EXPECT_TRUE(host.logFile.isEmpty());
        EXPECT_EQ(host.entries, (QStringList{kOther, kShop}));
    }

    void backUp(const QString& database, const QString& backupFile) {
        host.select(database);
        host.fileChoices = {chosenInDataFolder(backupFile)};
        const QStringList texts = clickAndRecord(backUpDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("备份数据库成功")});
        EXPECT_EQ(texts,
                  (QStringList{QStringLiteral("Backup Database ") + database +
                                   QStringLiteral(" To disk=") + quotedInDataFolder(backupFile) +
                                   QStringLiteral(" WITH FORMAT "),
                               kCatalogue}));
        EXPECT_TRUE(existsInDataFolder(backupFile));
    }

    // The backup's two logical names, and the renames expected after the restore.
    void forceRestoreShop(const QString& backupFile, const QString& backupData,
                          const QString& backupLog, const QStringList& renames) {
        host.select(kShop);
        host.typedAnswer = kConfirmationPhrase;
        host.fileChoices = {chosenInDataFolder(backupFile)};
        const QStringList texts = clickAndRecord(forceRestoreDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("恢复数据库成功")});
        const QString restore =
            QStringLiteral("Restore Database Shop From disk=") + quotedInDataFolder(backupFile) +
            QStringLiteral(" WITH REPLACE, MOVE '") + backupData + QStringLiteral("' TO '") +
            inDataFolder(QStringLiteral("Shop.mdf")) + QStringLiteral("', MOVE '") + backupLog +
            QStringLiteral("' TO '") + inDataFolder(QStringLiteral("Shop_log.ldf")) +
            QLatin1Char('\'');
        const QStringList expected =
            QStringList{kShopFiles,
                        QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'") +
                            inDataFolder(backupFile) + QLatin1Char('\''),
                        evictionBatch(QStringLiteral("'Shop'")), restore, kShopFiles} +
            renames + QStringList{kCatalogue};
        EXPECT_EQ(texts, expected);
    }

    QList<FileRow> shopFilesNamed(const QString& dataName, const QString& logName) const {
        return {{dataName, inDataFolder(QStringLiteral("Shop.mdf"))},
                {logName, inDataFolder(QStringLiteral("Shop_log.ldf"))}};
    }
};

}  // namespace

TEST_P(LifeCycle, ADatabaseLivesThroughEveryOperationWithItsContent) {
    {
        SCOPED_TRACE("detach");
        detachShop();
    }
    {
        SCOPED_TRACE("attach from its files");
        attachShopFromItsFiles();
        EXPECT_EQ(rowsOf(*observer, kShop), kShopRows);
    }
    {
        SCOPED_TRACE("back up");
        backUp(kShop, QStringLiteral("Shop.bak"));
    }
    {
        SCOPED_TRACE("drop");
        host.select(kShop);
        host.typedAnswer = kConfirmationPhrase;
        const QStringList texts = clickAndRecord(dropDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("删除数据库成功")});
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")),
                                      QStringLiteral("DROP DATABASE Shop"), kCatalogue}));
        EXPECT_EQ(host.entries, QStringList{kOther});
        EXPECT_EQ(listedDatabases(*observer), QStringList{kOther});
        EXPECT_FALSE(existsInDataFolder(QStringLiteral("Shop.mdf")));
        EXPECT_FALSE(existsInDataFolder(QStringLiteral("Shop_log.ldf")));
    }
    {
        SCOPED_TRACE("restore");
        // The list no longer offers it; the selection names it as it was listed before.
        host.select(kShop);
        host.typedAnswer = kConfirmationPhrase;
        host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
        const QStringList texts = clickAndRecord(restoreDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("恢复数据库成功")});
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")),
                                      QStringLiteral("Restore Database Shop From disk=") +
                                          quotedInDataFolder(QStringLiteral("Shop.bak")) +
                                          QLatin1Char(' '),
                                      kCatalogue}));
        EXPECT_EQ(host.entries, (QStringList{kOther, kShop}));
        EXPECT_EQ(rowsOf(*observer, kShop), kShopRows);
        EXPECT_EQ(filesOf(*observer, kShop),
                  shopFilesNamed(QStringLiteral("Shop"), QStringLiteral("Shop_log")));
    }
    {
        SCOPED_TRACE("force-restore another database's backup onto its files");
        backUp(kOther, QStringLiteral("Other.bak"));
        forceRestoreShop(QStringLiteral("Other.bak"), QStringLiteral("Other"),
                         QStringLiteral("Other_log"),
                         {QStringLiteral("alter database Shop modify file(name=Other, "
                                         "newname=Shop_Data)"),
                          QStringLiteral("alter database Shop modify file(name=Other_log, "
                                         "newname=Shop_Log)")});
        EXPECT_EQ(filesOf(*observer, kShop),
                  shopFilesNamed(QStringLiteral("Shop_Data"), QStringLiteral("Shop_Log")));
        EXPECT_EQ(rowsOf(*observer, kShop), kOtherRows);
        EXPECT_EQ(recoveryModel(*observer, kShop), QStringLiteral("SIMPLE"));
        // The database whose backup it was keeps its own files.
        EXPECT_EQ(filesOf(*observer, kOther),
                  (QList<FileRow>{{kOther, inDataFolder(QStringLiteral("Other.mdf"))},
                                  {QStringLiteral("Other_log"),
                                   inDataFolder(QStringLiteral("Other_log.ldf"))}}));
        EXPECT_EQ(rowsOf(*observer, kOther), kOtherRows);
    }
    const QStringList rowsAtItsOwnBackup = kOtherRows + QStringList{QStringLiteral("its own")};
    {
        SCOPED_TRACE("force-restore a backup whose logical names already follow the database");
        addRow(*observer, kShop, QStringLiteral("its own"));
        backUp(kShop, QStringLiteral("Shop-named.bak"));
        addRow(*observer, kShop, QStringLiteral("after its backup"));
        forceRestoreShop(QStringLiteral("Shop-named.bak"), QStringLiteral("Shop_Data"),
                         QStringLiteral("Shop_Log"), {});
        EXPECT_EQ(filesOf(*observer, kShop),
                  shopFilesNamed(QStringLiteral("Shop_Data"), QStringLiteral("Shop_Log")));
        EXPECT_EQ(rowsOf(*observer, kShop), rowsAtItsOwnBackup);
    }
    {
        SCOPED_TRACE("clean up");
        host.select(kShop);
        const QStringList texts = clickAndRecord(cleanUpDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("清理数据库成功")});
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")),
                                      QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE "
                                                     "WITH NO_WAIT "),
                                      QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE "),
                                      QStringLiteral("DBCC SHRINKDATABASE(Shop) "),
                                      QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL "
                                                     "WITH NO_WAIT "),
                                      QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL "),
                                      kCatalogue}));
        EXPECT_EQ(recoveryModel(*observer, kShop), QStringLiteral("FULL"));
        EXPECT_EQ(recoveryModel(*observer, kOther), QStringLiteral("SIMPLE"));
    }
    {
        SCOPED_TRACE("detach and attach again");
        detachShop();
        attachShopFromItsFiles();
        EXPECT_EQ(rowsOf(*observer, kShop), rowsAtItsOwnBackup);
        EXPECT_EQ(filesOf(*observer, kShop),
                  shopFilesNamed(QStringLiteral("Shop_Data"), QStringLiteral("Shop_Log")));
        EXPECT_EQ(rowsOf(*observer, kOther), kOtherRows);
    }
}

INSTANTIATE_TEST_SUITE_P(
    OnEitherHost, LifeCycle,
    ::testing::Values(Setting{"LinuxHost"}, Setting{"WindowsHost", true},
                      Setting{"BinaryCollation", false, {"--collation", "Chinese_PRC_BIN"}},
                      Setting{"CaseSensitiveDatabase", false, {}, "Latin1_General_CS_AS"}),
    [](const ::testing::TestParamInfo<Setting>& info) { return info.param.name; });
