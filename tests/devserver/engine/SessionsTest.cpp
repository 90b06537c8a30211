#include <atomic>
#include <thread>

#include "EngineFixture.h"

#include "devserver/engine/Text.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, LoginAcceptsOnlySaWithItsPassword) {
    EXPECT_EQ(instance_->login({u"sa", u"", u"", false}).spid, 51);
    EXPECT_EQ(instance_->login({u"SA", u"", u"master", false}).spid, 52);
    const LoginResult wrong = instance_->login({u"sa", u"x", u"", false});
    EXPECT_FALSE(wrong.accepted);
    EXPECT_EQ(wrong.error.number, 18456);
    EXPECT_EQ(wrong.error.severity, 14);
    EXPECT_EQ(wrong.error.text, u"Login failed for user 'sa'.");
    EXPECT_EQ(instance_->login({u"bob", u"", u"", false}).error.text,
              u"Login failed for user 'bob'.");
    // A Windows login the instance does not know; the protocol layer authenticated it.
    EXPECT_EQ(instance_->login({u"EXAMPLE.ORG\\bob", u"", u"", true}).error.text,
              u"Login failed for user 'EXAMPLE.ORG\\bob'.");
    EXPECT_EQ(instance_->login({u"sa", u"", u"", true}).error.number, 18456);
    const LoginResult noDb = instance_->login({u"sa", u"", u"Nope", false});
    EXPECT_EQ(noDb.error.number, 4060);
    EXPECT_EQ(noDb.error.severity, 11);
    EXPECT_EQ(noDb.error.text,
              u"Cannot open database \"Nope\" requested by the login. The login failed.");
}

TEST_F(EngineTest, LoginWithConfiguredPasswordAndDatabase) {
    instance_.reset();
    instance_ = std::make_unique<Instance>(Instance::Options{dir_ / "data", u"s3cret"});
    EXPECT_FALSE(instance_->login({u"sa", u"", u"", false}).accepted);
    const LoginResult result = instance_->login({u"sa", u"s3cret", u"MSDB", false});
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.database, u"msdb");
}

TEST_F(EngineTest, WindowsLoginsAreAdmittedByNameAndShowAsTheirSessionsLogin) {
    instance_.reset();
    Instance::Options options{dir_ / "data", u""};
    options.windowsLogins = {u"EXAMPLE.ORG\\alice", u"carol@EXAMPLE.ORG"};
    instance_ = std::make_unique<Instance>(std::move(options));
    const LoginResult alice = instance_->login({u"example.org\\ALICE", u"", u"", true});
    ASSERT_TRUE(alice.accepted);
    EXPECT_EQ(alice.login, u"EXAMPLE.ORG\\alice");  // as the instance spells it
    EXPECT_TRUE(instance_->login({u"carol@EXAMPLE.ORG", u"", u"", true}).accepted);
    // Not a SQL Server login, even without a password.
    EXPECT_EQ(instance_->login({u"EXAMPLE.ORG\\alice", u"", u"", false}).error.number, 18456);
    const int sa = instance_->login({u"sa", u"", u"", false}).spid;
    EXPECT_EQ(table(ok(alice.spid, u"SELECT SUSER_SNAME()")), (Rows{{u"EXAMPLE.ORG\\alice"}}));
    EXPECT_EQ(table(ok(sa, u"SELECT SUSER_SNAME()")), (Rows{{u"sa"}}));
    const Rows logins =
        table(ok(sa, u"SELECT loginame FROM sysprocesses WHERE spid > 50 ORDER BY spid"));
    ASSERT_EQ(logins.size(), 3u);
    EXPECT_EQ(logins[0][0].substr(0, 17), u"EXAMPLE.ORG\\alice");
    EXPECT_EQ(logins[2][0].substr(0, 3), u"sa ");  // nchar(128): padded
}

TEST_F(EngineTest, SpidsStartAt51AndReuseTheLowestFree) {
    const int a = login();
    const int b = login();
    EXPECT_EQ(a, 51);
    EXPECT_EQ(b, 52);
    instance_->logout(a);
    instance_->logout(a);  // twice is harmless
    EXPECT_EQ(login(), 51);
    EXPECT_EQ(table(ok(b, u"SELECT spid FROM sysprocesses WHERE spid > 50 ORDER BY spid")),
              (Rows{{u"51"}, {u"52"}}));
}

TEST_F(EngineTest, KillEndsAnotherSessionOnly) {
    const int me = login();
    const int other = login();
    EXPECT_EQ(errors(run(me, u"KILL " + text::number(me))), std::vector<int>{6104});
    const Reply unknown = run(me, u"KILL 999");
    EXPECT_EQ(errors(unknown), std::vector<int>{6106});
    EXPECT_EQ(std::get<Message>(unknown[0]).text, u"Process ID 999 is not an active process ID.");
    ok(me, u"KILL " + text::number(other));
    EXPECT_EQ(terminated_, std::vector<int>{other});
    const Reply late = run(other, u"SELECT 1");
    EXPECT_EQ(errors(late), std::vector<int>{596});
    EXPECT_TRUE(lastIsDone(late));
    // A new login before the killed connection has logged out gets another number, so
    // that the late logout cannot end it.
    const int newcomer = login();
    EXPECT_NE(newcomer, other);
    instance_->logout(other);  // the connection's thread notices later
    EXPECT_EQ(table(ok(newcomer, u"SELECT @@SPID")), (Rows{{text::number(newcomer)}}));
    EXPECT_EQ(table(ok(me, u"SELECT spid FROM sysprocesses WHERE spid > 50")),
              (Rows{{text::number(me)}, {text::number(newcomer)}}));
    EXPECT_EQ(login(), other);  // free again once its connection is gone
}

TEST_F(EngineTest, EvictionBatchEndsEverySessionOfTheDatabase) {
    const int tool = login();
    ok(tool, u"CREATE DATABASE Shop CREATE DATABASE Other");
    const int a = login(u"Shop");
    const int b = login(u"Shop");
    const int c = login();
    ok(c, u"USE Shop");
    const int elsewhere = login(u"Other");
    const Reply reply = ok(tool, evictionBatch(u"'Shop'"));
    EXPECT_EQ(terminated_, (std::vector<int>{a, b, c}));
    EXPECT_EQ(table(ok(tool, u"SELECT spid FROM sysprocesses WHERE spid > 50 ORDER BY spid")),
              (Rows{{text::number(tool)}, {text::number(elsewhere)}}));
    ok(tool, u"EXEC sp_detach_db 'Shop'");  // nobody holds it any more
}

TEST_F(EngineTest, EvictionBatchForAnUnknownNameEndsNothing) {
    const int tool = login();
    login();
    ok(tool, evictionBatch(u"'Nope'"));
    ok(tool, evictionBatch(u"N'销售''库'"));
    EXPECT_TRUE(terminated_.empty());
}

TEST_F(EngineTest, EvictionBatchWithAnUnclosedQuoteIsRejectedWhole) {
    const int tool = login();
    ok(tool, u"CREATE DATABASE [O'Brien]");
    login(u"O'Brien");
    const Reply reply = run(tool, evictionBatch(u"'O'Brien'"));
    EXPECT_FALSE(errors(reply).empty());
    EXPECT_TRUE(terminated_.empty());
}

TEST_F(EngineTest, SessionsOnSeveralThreadsSeeOneConsistentInstance) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const LoginResult session = instance_->login({u"sa", u"", u"", false});
            // Appended rather than added: GCC 12 misreads u"T" + text as an overlapping copy.
            std::u16string name = u"T";
            name += text::number(t);
            for (int i = 0; i < 50; ++i) {
                for (const std::u16string& sql :
                     {u"CREATE DATABASE " + name, std::u16string(kCatalogueQuery),
                      u"DROP DATABASE " + name}) {
                    if (!errors(instance_->executeBatch(session.spid, sql)).empty()) {
                        ++failures;
                    }
                }
            }
            instance_->logout(session.spid);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(databaseNames(login()).empty());
}
