// The tool over encrypted connections: whole operations against servers that offer or
// force encryption, and a relay that records every byte to show that neither the password
// nor any statement crossed the wire in clear.

#include <gtest/gtest.h>

#include "DocumentedTexts.h"
#include "ServerChecks.h"
#include "ServerHost.h"
#include "devserver/tds/OdbcSession.h"
#include "operations/Handlers.h"
#include "support/RecordingRelay.h"

namespace {

const std::string kPassword = "Enc#Pass7";
const QString kShop = QStringLiteral("Shop");
const QStringList kRows = {QStringLiteral("茶"), QStringLiteral("coffee")};

DevServerProcess serverIn(const std::string& mode) {
    return DevServerProcess(DevServerProcess::Options{.saPassword = kPassword,
                                                      .extraArguments = {"--encryption", mode}});
}

QString inDataFolder(const DevServerProcess& server, const QString& name) {
    return toQString(server.dataDir()) + QLatin1Char('/') + name;
}

// Backs Shop up, changes it, restores the backup: the status texts and the content say
// whether both operations went through. Shop is in simple recovery, so that a restore
// without REPLACE may overwrite it.
void backUpAndRestore(const DevServerProcess& server, ServerHost& host, Connection& observer) {
    setRecoverySimple(observer, kShop);
    host.refreshList();
    host.select(kShop);
    host.fileChoices = {
        ChosenFile{inDataFolder(server, QStringLiteral("Shop.bak")), QStringLiteral("Shop.bak")}};
    host.click(backUpDatabase);
    addRow(observer, kShop, QStringLiteral("after the backup"));
    host.select(kShop);
    host.typedAnswer = kConfirmationPhrase;
    host.fileChoices = {
        ChosenFile{inDataFolder(server, QStringLiteral("Shop.bak")), QStringLiteral("Shop.bak")}};
    host.click(restoreDatabase);
    EXPECT_EQ(host.statusHistory,
              (QStringList{QStringLiteral("备份数据库成功"), QStringLiteral("恢复数据库成功")}));
    EXPECT_EQ(rowsOf(observer, kShop), kRows);
}

}  // namespace

TEST(EncryptedConnection, BacksUpAndRestoresWhereTheServerOffersOrForcesEncryption) {
    for (const char* mode : {"optional", "force"}) {
        SCOPED_TRACE(mode);
        DevServerProcess server = serverIn(mode);
        ServerHost host(server);
        ASSERT_EQ(host.odbc.state(), Connection::Open);
        auto observer = connectTo(server);
        createDatabaseWithRows(*observer, kShop, kRows);
        backUpAndRestore(server, host, *observer);
    }
}

TEST(EncryptedConnection, NeitherThePasswordNorAnyStatementCrossesInClear) {
    DevServerProcess server = serverIn("optional");
    RecordingRelay relay(server.port());
    {
        ServerHost host(server, relay.port());
        OdbcConnection observer;
        observer.open(toolConnectionString(server, relay.port()));
        createDatabaseWithRows(observer, kShop, kRows);
        backUpAndRestore(server, host, observer);
    }
    const std::u16string password = QString::fromStdString(kPassword).toStdU16String();
    EXPECT_FALSE(relay.sawLoginPassword(password));
    EXPECT_FALSE(relay.sawUtf16(password));
    const auto received = server.readLog();
    ASSERT_GT(received.size(), 10u);
    for (const auto& batch : received) {
        EXPECT_FALSE(relay.sawUtf16(QString::fromStdString(batch.sql).toStdU16String()))
            << batch.sql;
    }
    // What came back was hidden too: a row, a path, a database name.
    EXPECT_FALSE(relay.sawUtf16(u"coffee"));
    EXPECT_FALSE(relay.sawUtf16(u"Shop.bak"));

    // The same relay does see all of that when a client does not encrypt.
    RecordingRelay control(server.port());
    tdstest::OdbcSession clear("DRIVER={FreeTDS};SERVER=127.0.0.1," +
                               std::to_string(control.port()) + ";UID=sa;PWD={" + kPassword +
                               "};TDS_Version=7.4;ClientCharset=UTF-8;Encryption=off");
    clear.query("SELECT * FROM Shop.dbo.t");
    EXPECT_TRUE(control.sawLoginPassword(password));
    EXPECT_TRUE(control.sawUtf16(u"SELECT * FROM Shop.dbo.t"));
    EXPECT_TRUE(control.sawUtf16(u"coffee"));
}
