// A database that other sessions hold: a pool that logs in again the moment its sessions
// are killed, and a session that the operator's login may neither see nor kill. The tool
// asks once, and forces them out only on the operator's word.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerTest.h"
#include "devserver/tds/ReconnectingClient.h"
#include "operations/Handlers.h"

namespace {

using namespace std::chrono_literals;

const QString kShop = QStringLiteral("Shop");
const QString kTitle = QStringLiteral("附加数据库");
const QString kOperator = QStringLiteral("operator");
const QString kOperatorPassword = QStringLiteral("Op#Pass1");
const QString kInUseByTwo = QStringLiteral("数据库 Shop 仍被 2 个会话使用（");
const QString kForceAndGoOn = QStringLiteral("）。强制断开它们（未提交的事务将回滚）并继续？");

class DatabaseInUse : public ServerTest {
  protected:
    DatabaseInUse() : ServerTest(false, {"--restricted-login", "operator=Op#Pass1"}) {}

    void SetUp() override {
        createDatabaseWithRows(*observer, kShop, {QStringLiteral("apple")});
        setRecoverySimple(*observer, kShop);
        observer->execute(QStringLiteral("BACKUP DATABASE Shop TO DISK = ") +
                          plainText(inDataFolder(QStringLiteral("Shop.bak"))));
    }

    // A pool of two sessions in Shop; the tool's statement after the eviction meets them
    // back, however fast the tool is.
    std::unique_ptr<tdstest::ReconnectingClient> poolInShop() {
        auto pool = std::make_unique<tdstest::ReconnectingClient>(server.port(), u"sa",
                                                                  u"E2e#Pass9", u"Shop", 2);
        EXPECT_TRUE(pool->waitUntilConnected());
        host.afterExecute = [this, pool = pool.get()](const QString& sql) {
            if (sql.startsWith(QStringLiteral("declare @spid"))) {
                const auto deadline = std::chrono::steady_clock::now() + 10s;
                while (pool->sessionsEnded() < 2 && std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::sleep_for(1ms);
                }
                EXPECT_TRUE(pool->waitUntilConnected());
                host.afterExecute = nullptr;
            }
        };
        return pool;
    }

    QString userAccess() const {
        return observer
            ->query(
                QStringLiteral("SELECT user_access_desc FROM sys.databases WHERE name = 'Shop'"))
            .field(0, 0);
    }

    // The click with the operator's answer; what the tool's session received.
    QStringList click(const std::function<void(OperationHost&)>& handler, bool answer,
                      bool confirmAndChooseBackup = false) {
        host.select(kShop);
        host.questionsAsked.clear();
        host.yesNoAnswers = {answer};
        if (confirmAndChooseBackup) {
            host.typedAnswer = kConfirmationPhrase;
            host.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
        }
        return clickAndRecord(handler);
    }

    void expectAskedAboutThePool() {
        ASSERT_EQ(host.questionsAsked.size(), 1);
        EXPECT_EQ(host.questionsAsked[0].first, kTitle);
        EXPECT_TRUE(host.questionsAsked[0].second.startsWith(kInUseByTwo))
            << host.questionsAsked[0].second.toStdString();
        EXPECT_TRUE(host.questionsAsked[0].second.endsWith(kForceAndGoOn));
    }
};

const QString kForceShop =
    QStringLiteral("ALTER DATABASE Shop SET SINGLE_USER WITH ROLLBACK IMMEDIATE\r\n");

}  // namespace

TEST_F(DatabaseInUse, APoolThatComesBackIsForcedOutOnlyOnTheOperatorsWord) {
    const QString restore = QStringLiteral("Restore Database Shop From disk=") +
                            plainText(inDataFolder(QStringLiteral("Shop.bak"))) + QLatin1Char(' ');
    {
        SCOPED_TRACE("restore, No");
        auto pool = poolInShop();
        const QStringList texts = click(restoreDatabase, false, true);
        expectAskedAboutThePool();
        EXPECT_EQ(host.status,
                  QStringLiteral("Exclusive access could not be obtained because the database "
                                 "is in use."));
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")), restore}));
        EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
    }
    {
        SCOPED_TRACE("restore, Yes");
        auto pool = poolInShop();
        const QStringList texts = click(restoreDatabase, true, true);
        expectAskedAboutThePool();
        EXPECT_EQ(host.status, QStringLiteral("恢复数据库成功"));
        EXPECT_EQ(texts, (QStringList{evictionBatch(QStringLiteral("'Shop'")), restore,
                                      kForceShop + restore, kCatalogue}));
        // The backup's mode: the pool is let back in.
        EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
        EXPECT_TRUE(pool->waitUntilConnected());
    }
    {
        SCOPED_TRACE("detach, No, then Yes");
        auto pool = poolInShop();
        click(detachDatabase, false);
        expectAskedAboutThePool();
        EXPECT_EQ(host.status, QStringLiteral("Cannot detach the database 'Shop' because it is "
                                              "currently in use."));
        EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
        pool = poolInShop();
        const QStringList texts = click(detachDatabase, true);
        EXPECT_EQ(host.status, QStringLiteral("数据库分离成功"));
        EXPECT_EQ(texts.value(2), kForceShop + QStringLiteral("EXEC sp_detach_db 'Shop'"));
        EXPECT_EQ(listedDatabases(*observer), QStringList{});
    }
    observer->execute(QStringLiteral("EXEC sp_attach_db 'Shop',") +
                      plainText(inDataFolder(QStringLiteral("Shop.mdf"))) + QLatin1Char(',') +
                      plainText(inDataFolder(QStringLiteral("Shop_log.ldf"))));
    {
        SCOPED_TRACE("drop, No, then Yes");
        auto pool = poolInShop();
        click(dropDatabase, false, true);
        expectAskedAboutThePool();
        EXPECT_EQ(host.status, QStringLiteral("Cannot drop database \"Shop\" because it is "
                                              "currently in use."));
        EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
        pool = poolInShop();
        const QStringList texts = click(dropDatabase, true, true);
        EXPECT_EQ(host.status, QStringLiteral("删除数据库成功"));
        EXPECT_EQ(texts.value(2), kForceShop + QStringLiteral("DROP DATABASE Shop"));
        EXPECT_EQ(listedDatabases(*observer), QStringList{});
    }
}

// The operator's login may neither see nor kill the session that sits in the database, so
// the eviction ends nothing and the restore meets "in use". ROLLBACK IMMEDIATE needs no KILL
// permission: after Yes the restore completes.
TEST_F(DatabaseInUse, ALoginThatMayNotKillStillRestoresOnTheOperatorsWord) {
    auto sitting = connectTo(server);
    sitting->execute(QStringLiteral("USE Shop"));
    ServerHost operatorHost(toolConnectionString(server, kOperator, kOperatorPassword));
    SentTexts sentByOperator(server, operatorHost.spid);
    const auto clickAs = [&](const std::function<void(OperationHost&)>& handler, bool answer) {
        operatorHost.select(kShop);
        operatorHost.typedAnswer = kConfirmationPhrase;
        operatorHost.fileChoices = {chosenInDataFolder(QStringLiteral("Shop.bak"))};
        operatorHost.yesNoAnswers = {answer};
        operatorHost.questionsAsked.clear();
        operatorHost.statusHistory.clear();
        sentByOperator.mark();
        operatorHost.click(handler);
    };
    const auto restore = [&](bool answer) { clickAs(restoreDatabase, answer); };

    restore(false);
    ASSERT_EQ(operatorHost.questionsAsked.size(), 1);
    EXPECT_EQ(operatorHost.questionsAsked[0].second,
              QStringLiteral("数据库 Shop 仍被其他会话使用（当前登录无权查看这些会话）。"
                             "强制断开它们（未提交的事务将回滚）并继续？"));
    // The refused KILL never reaches the operator: the restore's own text does.
    EXPECT_EQ(operatorHost.statusHistory,
              QStringList{QStringLiteral("Exclusive access could not be obtained because the "
                                         "database is in use.")});
    EXPECT_EQ(sitting->query(QStringLiteral("SELECT a FROM t")).rowCount(), 1);

    restore(true);
    EXPECT_EQ(operatorHost.statusHistory, QStringList{QStringLiteral("恢复数据库成功")});
    EXPECT_EQ(sentByOperator.sinceMark().value(2).left(kForceShop.size()), kForceShop);
    EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
    EXPECT_EQ(listedDatabases(*observer), QStringList{kShop});

    // Detach and drop alike: the server's own text after No, done after Yes.
    const struct {
        std::function<void(OperationHost&)> handler;
        QString inUse;
        QString done;
    } operations[] = {
        {detachDatabase,
         QStringLiteral("Cannot detach the database 'Shop' because it is currently in use."),
         QStringLiteral("数据库分离成功")},
        {dropDatabase,
         QStringLiteral("Cannot drop database \"Shop\" because it is currently in use."),
         QStringLiteral("删除数据库成功")},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.done.toStdString());
        if (listedDatabases(*observer).isEmpty()) {
            observer->execute(QStringLiteral("EXEC sp_attach_db 'Shop',") +
                              plainText(inDataFolder(QStringLiteral("Shop.mdf"))) +
                              QLatin1Char(',') +
                              plainText(inDataFolder(QStringLiteral("Shop_log.ldf"))));
        }
        sitting = connectTo(server);
        sitting->execute(QStringLiteral("USE Shop"));
        clickAs(operation.handler, false);
        EXPECT_EQ(operatorHost.statusHistory.value(0), operation.inUse);
        EXPECT_EQ(userAccess(), QStringLiteral("MULTI_USER"));
        clickAs(operation.handler, true);
        EXPECT_EQ(operatorHost.statusHistory.value(0), operation.done);
        EXPECT_EQ(listedDatabases(*observer), QStringList{});
    }
}
