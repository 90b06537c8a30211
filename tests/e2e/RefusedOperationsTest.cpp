// Operations the server refuses: the operator reads the server's reason, and nothing that
// should stay is changed.

#include <gtest/gtest.h>

#include <set>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerTest.h"
#include "operations/Handlers.h"

namespace {

const QString kShop = QStringLiteral("Shop");
const QStringList kShopRows = {QStringLiteral("apple")};

class RefusedOperation : public ServerTest {
  protected:
    std::set<std::filesystem::path> dataFolderEntries() const {
        std::set<std::filesystem::path> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(server.dataDir())) {
            entries.insert(entry.path());
        }
        return entries;
    }

    void expectShopUntouched() {
        EXPECT_EQ(listedDatabases(*observer), QStringList{kShop});
        EXPECT_EQ(rowsOf(*observer, kShop), kShopRows);
    }

    void expectAttachBoxes(const QString& name, const QString& dataFile, const QString& logFile) {
        EXPECT_EQ(host.databaseName, name);
        EXPECT_EQ(host.dataFile, inDataFolder(dataFile));
        EXPECT_EQ(host.logFile, inDataFolder(logFile));
    }
};

}  // namespace

TEST_F(RefusedOperation, BackUpIntoAMissingFolderShowsTheServersMessageAndCreatesNothing) {
    createDatabaseWithRows(*observer, kShop, kShopRows);
    host.refreshList();
    const auto entriesBefore = dataFolderEntries();
    const QString backupPath = inDataFolder(QStringLiteral("no such folder/Shop.bak"));

    host.select(kShop);
    host.fileChoices = {ChosenFile{backupPath, QStringLiteral("Shop.bak")}};
    const QStringList texts = clickAndRecord(backUpDatabase);

    EXPECT_EQ(host.statusHistory,
              QStringList{QStringLiteral("Cannot open backup device '") + backupPath +
                          QStringLiteral("'. Operating system error 3(The system cannot find the "
                                         "path specified.).")});
    EXPECT_EQ(texts, QStringList{QStringLiteral("Backup Database Shop To disk='") + backupPath +
                                 QStringLiteral("' WITH FORMAT ")});
    // The list is not refilled: the database stays listed and selected.
    EXPECT_EQ(host.entries, QStringList{kShop});
    EXPECT_EQ(host.selectedDatabaseText(), kShop);
    EXPECT_EQ(dataFolderEntries(), entriesBefore);
    expectShopUntouched();
}

TEST_F(RefusedOperation, RestoreOverAFullRecoveryDatabaseShowsTheServersMessageAndKeepsIt) {
    createDatabaseWithRows(*observer, kShop, kShopRows);
    host.refreshList();
    host.select(kShop);
    host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
    host.click(backUpDatabase);
    ASSERT_EQ(host.status, QStringLiteral("备份数据库成功"));

    host.select(kShop);
    host.typedAnswer = kConfirmationPhrase;
    host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
    const QStringList texts = clickAndRecord(restoreDatabase);

    EXPECT_EQ(host.statusHistory,
              QStringList{QStringLiteral(
                  "The tail of the log for the database \"Shop\" has not been backed up. Use "
                  "BACKUP LOG WITH NORECOVERY to backup the log if it contains work you do not "
                  "want to lose. Use the WITH REPLACE or WITH STOPAT clause of the RESTORE "
                  "statement to just overwrite the contents of the log.")});
    EXPECT_EQ(texts,
              (QStringList{evictionBatch(QStringLiteral("'Shop'")),
                           QStringLiteral("Restore Database Shop From disk='") +
                               inDataFolder(QStringLiteral("Shop.bak")) + QStringLiteral("' ")}));
    EXPECT_EQ(host.selectedDatabaseText(), kShop);
    expectShopUntouched();
}

TEST_F(RefusedOperation, AttachShowsWhyItCannotAndKeepsTheBoxes) {
    // "Old" was detached earlier and lies in the data folder beside the attached "Shop".
    createDatabaseWithRows(*observer, QStringLiteral("Old"), {QStringLiteral("old row")});
    observer->execute(QStringLiteral("EXEC sp_detach_db 'Old'"));
    createDatabaseWithRows(*observer, kShop, kShopRows);
    host.refreshList();
    const auto entriesBefore = dataFolderEntries();

    {
        SCOPED_TRACE("missing data file");
        host.fileChoices = {chosenInDataFolder(QStringLiteral("Gone.mdf")),
                            chosenInDataFolder(QStringLiteral("Gone_log.ldf"))};
        host.click(chooseDataFile);
        host.click(chooseLogFile);
        const QStringList texts = clickAndRecord(attachDatabase);
        EXPECT_EQ(host.statusHistory,
                  QStringList{QStringLiteral("Unable to open the physical file \"") +
                              inDataFolder(QStringLiteral("Gone.mdf")) +
                              QStringLiteral("\". Operating system error 2: \"2(The system cannot "
                                             "find the file specified.)\".")});
        EXPECT_EQ(texts.size(), 2);  // the existence query and the attach statement
        expectAttachBoxes(QStringLiteral("Gone"), QStringLiteral("Gone.mdf"),
                          QStringLiteral("Gone_log.ldf"));
        EXPECT_EQ(host.entries, QStringList{kShop});
    }
    {
        SCOPED_TRACE("files of an attached database");
        host.databaseName = QStringLiteral("Copy");
        host.dataFile = inDataFolder(QStringLiteral("Shop.mdf"));
        host.logFile = inDataFolder(QStringLiteral("Shop_log.ldf"));
        clickAndRecord(attachDatabase);
        EXPECT_EQ(host.statusHistory,
                  QStringList{QStringLiteral("Unable to open the physical file \"") +
                              inDataFolder(QStringLiteral("Shop.mdf")) +
                              QStringLiteral("\". Operating system error 32: \"32(The process "
                                             "cannot access the file because it is being used "
                                             "by another process.)\".")});
        expectAttachBoxes(QStringLiteral("Copy"), QStringLiteral("Shop.mdf"),
                          QStringLiteral("Shop_log.ldf"));
    }
    // The server compares names ignoring case and trailing blanks; so does the check.
    for (const QString& nameInUse :
         {QStringLiteral("Shop"), QStringLiteral("SHOP"), QStringLiteral("Shop ")}) {
        SCOPED_TRACE(nameInUse.toStdString());
        host.databaseName = nameInUse;
        host.dataFile = inDataFolder(QStringLiteral("Old.mdf"));
        host.logFile = inDataFolder(QStringLiteral("Old_log.ldf"));
        const QStringList texts = clickAndRecord(attachDatabase);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库已存在")});
        EXPECT_EQ(texts,
                  QStringList{QStringLiteral("SELECT TOP 1 dbid FROM sysdatabases WHERE name='") +
                              nameInUse + QLatin1Char('\'')});
        expectAttachBoxes(nameInUse, QStringLiteral("Old.mdf"), QStringLiteral("Old_log.ldf"));
    }

    EXPECT_EQ(dataFolderEntries(), entriesBefore);
    expectShopUntouched();
    // The refused attempts left the detached files fit to attach.
    host.databaseName = QStringLiteral("Old");
    host.click(attachDatabase);
    EXPECT_EQ(host.status, QStringLiteral("数据库符加成功"));
    EXPECT_EQ(rowsOf(*observer, QStringLiteral("Old")), QStringList{QStringLiteral("old row")});
}
