// Another client working inside the database while the operator maintains it.

#include <gtest/gtest.h>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerTest.h"
#include "operations/Handlers.h"
#include "session/DatabaseError.h"

namespace {

const QString kShop = QStringLiteral("Shop");
const QString kReadInShop = QStringLiteral("SELECT a FROM t");

class SecondClient : public ServerTest {
  protected:
    void SetUp() override {
        createDatabaseWithRows(*observer, kShop, {QStringLiteral("apple")});
        // A plain restore over a database in full recovery whose log tail was not backed up
        // is refused; in simple recovery it replaces the database.
        setRecoverySimple(*observer, kShop);
        host.refreshList();
    }

    std::unique_ptr<OdbcConnection> clientInShop() {
        std::unique_ptr<OdbcConnection> client = connectTo(server);
        client->execute(QStringLiteral("USE Shop"));
        EXPECT_EQ(client->query(kReadInShop).rowCount(), 1);
        return client;
    }
};

}  // namespace

TEST_F(SecondClient, IsCutOffByDetachRestoreAndDropButNotByBackUp) {
    {
        SCOPED_TRACE("detach");
        auto client = clientInShop();
        host.select(kShop);
        host.click(detachDatabase);
        EXPECT_EQ(host.status, QStringLiteral("数据库分离成功"));
        EXPECT_THROW(client->query(kReadInShop), DatabaseError);
        EXPECT_EQ(listedDatabases(*observer), QStringList{});
    }

    host.dataFile = inDataFolder(QStringLiteral("Shop.mdf"));
    host.logFile = inDataFolder(QStringLiteral("Shop_log.ldf"));
    host.databaseName = kShop;
    host.click(attachDatabase);
    ASSERT_EQ(host.status, QStringLiteral("数据库符加成功"));
    // The recovery model lives in the database's own files.
    EXPECT_EQ(recoveryModel(*observer, kShop), QStringLiteral("SIMPLE"));

    {
        SCOPED_TRACE("back up, then restore");
        auto client = clientInShop();
        host.select(kShop);
        host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
        host.click(backUpDatabase);
        EXPECT_EQ(host.status, QStringLiteral("备份数据库成功"));
        EXPECT_EQ(client->query(kReadInShop).rowCount(), 1);

        addRow(*client, kShop, QStringLiteral("after the backup"));
        host.select(kShop);
        host.typedAnswer = kConfirmationPhrase;
        host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
        host.click(restoreDatabase);
        EXPECT_EQ(host.status, QStringLiteral("恢复数据库成功"));
        EXPECT_THROW(client->query(kReadInShop), DatabaseError);
        EXPECT_EQ(rowsOf(*observer, kShop), QStringList{QStringLiteral("apple")});
    }
    {
        SCOPED_TRACE("drop");
        auto client = clientInShop();
        host.select(kShop);
        host.typedAnswer = kConfirmationPhrase;
        host.click(dropDatabase);
        EXPECT_EQ(host.status, QStringLiteral("删除数据库成功"));
        EXPECT_THROW(client->query(kReadInShop), DatabaseError);
        EXPECT_EQ(listedDatabases(*observer), QStringList{});
        EXPECT_FALSE(existsInDataFolder(QStringLiteral("Shop.mdf")));
    }
    // Sessions outside the database were left alone.
    EXPECT_NO_THROW(observer->query(QStringLiteral("SELECT @@SPID")));
}
