// The executable's options and the batch log's line format.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "devserver/engine/Text.h"
#include "devserver/tds/BatchLog.h"
#include "devserver/tds/CommandLine.h"

namespace tds = devserver::tds;

namespace {

tds::CommandLine parse(std::vector<const char*> arguments) {
    return tds::parseCommandLine(arguments);
}

}  // namespace

TEST(CommandLine, ReadsEveryOption) {
    auto line =
        parse({"--port", "0", "--data", "/tmp/d", "--sa-password", "pw", "--log", "/tmp/l.jsonl",
               "--bind", "::1", "--seed-databases", "32767", "--io-rate", "2.5"});
    EXPECT_EQ(line.port, 0);
    EXPECT_EQ(line.dataDir, "/tmp/d");
    EXPECT_EQ(line.saPassword, "pw");
    ASSERT_TRUE(line.logFile.has_value());
    EXPECT_EQ(*line.logFile, "/tmp/l.jsonl");
    EXPECT_EQ(line.bindAddress, "::1");
    EXPECT_EQ(line.seedDatabases, 32767);
    EXPECT_EQ(line.ioRateMegabytesPerSecond, 2.5);
}

TEST(CommandLine, DefaultsToLoopbackAndAnEmptyPassword) {
    auto line = parse({"--data", "d"});
    EXPECT_EQ(line.bindAddress, "127.0.0.1");
    EXPECT_EQ(line.saPassword, "");
    EXPECT_FALSE(line.logFile.has_value());
    EXPECT_EQ(line.ioRateMegabytesPerSecond, 0);
    // Like an installed server, which has at least its own certificate.
    EXPECT_EQ(line.encryption, tds::EncryptionMode::Optional);
    EXPECT_FALSE(line.tlsCertificate.has_value());
    EXPECT_EQ(line.loginTimeout, std::chrono::seconds(60));
}

TEST(CommandLine, ReadsTheEncryptionOptions) {
    EXPECT_EQ(parse({"--data", "d", "--encryption", "off"}).encryption, tds::EncryptionMode::Off);
    EXPECT_EQ(parse({"--data", "d", "--encryption", "force"}).encryption,
              tds::EncryptionMode::Force);
    auto line =
        parse({"--data", "d", "--tls-cert", "c.pem", "--tls-key", "k.pem", "--login-timeout", "5"});
    EXPECT_EQ(line.tlsCertificate, std::filesystem::path("c.pem"));
    EXPECT_EQ(line.tlsKey, std::filesystem::path("k.pem"));
    EXPECT_EQ(line.loginTimeout, std::chrono::seconds(5));
    EXPECT_THROW(parse({"--data", "d", "--encryption", "on"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--tls-cert", "c.pem"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--tls-key", "k.pem"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--login-timeout", "0"}), tds::UsageError);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    EXPECT_THROW(parse({}), tds::UsageError);
    EXPECT_THROW(parse({"--port", "0"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--port", "65536"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--port", "12x"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--colour", "red"}), tds::UsageError);
    EXPECT_THROW(parse({"--data"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--io-rate", "0"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--io-rate", "-1"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--io-rate", "fast"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--keytab", "k", "--login-name-form", "upn"}),
                 tds::UsageError);
    // Windows logins without keys could never log in.
    EXPECT_THROW(parse({"--data", "d", "--windows-login", "R\\a"}), tds::UsageError);
    EXPECT_TRUE(parse({"--help"}).helpRequested);
}

TEST(CommandLine, ReadsTheIntegratedLoginOptions) {
    auto plain = parse({"--data", "d"});
    EXPECT_FALSE(plain.keytab.has_value());
    auto line = parse({"--data", "d", "--keytab", "/k/server.keytab", "--windows-login", "R\\alice",
                       "--windows-login", "bob@R", "--login-name-form", "kerberos"});
    ASSERT_TRUE(line.keytab.has_value());
    EXPECT_EQ(*line.keytab, "/k/server.keytab");
    EXPECT_EQ(line.windowsLogins, (std::vector<std::string>{"R\\alice", "bob@R"}));
    EXPECT_EQ(line.loginNameForm, tds::LoginNameForm::Kerberos);
    EXPECT_EQ(parse({"--data", "d", "--keytab", "k"}).loginNameForm, tds::LoginNameForm::Windows);
}

TEST(CommandLine, PosesAsAWindowsHostOfAGivenRelease) {
    auto line = parse({"--data", "/d/data", "--windows-drive", "d=/d", "--windows-drive",
                       "E=/srv/e", "--server-version", "2016", "--restricted-login", "viewer=a=b"});
    ASSERT_EQ(line.windowsDrives.size(), 2U);
    EXPECT_EQ(line.windowsDrives[0].letter, 'D');
    EXPECT_EQ(line.windowsDrives[0].folder, "/d");
    EXPECT_EQ(line.windowsDrives[1].letter, 'E');
    EXPECT_EQ(line.majorVersion, 13);
    ASSERT_TRUE(line.restrictedLogin.has_value());
    EXPECT_EQ(line.restrictedLogin->first, "viewer");
    EXPECT_EQ(line.restrictedLogin->second, "a=b");
    EXPECT_TRUE(parse({"--data", "d"}).windowsDrives.empty());
    EXPECT_EQ(parse({"--data", "d"}).majorVersion, 16);
    for (const char* drive : {"D", "D=", "=/d", "DD=/d", "1=/d"}) {
        EXPECT_THROW(parse({"--data", "d", "--windows-drive", drive}), tds::UsageError) << drive;
    }
    EXPECT_THROW(parse({"--data", "d", "--windows-drive", "D=/a", "--windows-drive", "d=/b"}),
                 tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--server-version", "2000"}), tds::UsageError);
    EXPECT_THROW(parse({"--data", "d", "--restricted-login", "nopassword"}), tds::UsageError);
}

TEST(BatchLogLine, EscapesForJsonAndKeepsNonAsciiAsUtf8) {
    EXPECT_EQ(tds::batchLogLine(52, u"sa", u"SELECT 1"),
              R"({"spid": 52, "login": "sa", "sql": "SELECT 1"})");
    EXPECT_EQ(tds::batchLogLine(51, u"EXAMPLE.ORG\\alice", u"a\r\nb\t\"c\" \\ \u0001"),
              R"({"spid": 51, "login": "EXAMPLE.ORG\\alice", "sql": "a\r\nb\t\"c\" \\ \u0001"})");
    EXPECT_EQ(tds::batchLogLine(53, u"sa", u"N'销售库'"),
              "{\"spid\": 53, \"login\": \"sa\", \"sql\": \"N'销售库'\"}");
}

TEST(BatchLogLine, ACallIsLoggedAsItsProcedureAndItsArgumentsAsExecWouldTakeThem) {
    using devserver::ArgumentType;
    devserver::ProcedureCall call{
        u"sp_executesql",
        {{u"", ArgumentType::NVarChar, std::u16string(u"SELECT @a, N'它''s'")},
         {u"", ArgumentType::NVarChar, std::u16string(u"@a int, @b varchar(9)")},
         {u"@a", ArgumentType::Int, std::int64_t{-7}},
         {u"@b", ArgumentType::VarChar, std::u16string(u"x\"y")},
         {u"@c", ArgumentType::BigInt, std::nullopt}}};
    EXPECT_EQ(tds::callLogLine(54, u"sa", call),
              R"({"spid": 54, "login": "sa", "rpc": "sp_executesql", )"
              R"("arguments": "N'SELECT @a, N''它''''s''', )"
              R"(N'@a int, @b varchar(9)', @a = -7, @b = 'x\"y', @c = NULL"})");
}

TEST(Utf8Conversion, RoundTripsAndReplacesBrokenSequences) {
    std::u16string text = u"a\u00E9\u20AC\U0001F642销";
    EXPECT_EQ(devserver::text::fromUtf8(devserver::text::toUtf8(text)), text);
    EXPECT_EQ(devserver::text::toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(devserver::text::fromUtf8("\xC3"), u"\uFFFD");
    EXPECT_EQ(devserver::text::fromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // overlong
}
