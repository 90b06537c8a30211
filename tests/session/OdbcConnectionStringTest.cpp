#include <gtest/gtest.h>

#include <QTemporaryFile>
#include <cstdlib>

#include "common/Error.h"
#include "session/ConnectionString.h"
#include "session/FreeTdsSections.h"
#include "session/OdbcConnectionString.h"

using namespace connection_string;

namespace {

TEST(OdbcTranslation, SqlServerLoginWithPortOrInstance) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "127.0.0.1,1433")),
              "DRIVER={FreeTDS};SERVERNAME={dbtool:127.0.0.1,1433};DATABASE={master};UID={sa};PWD={pw};"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;APP=dbtool");
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "", "", "db01\\SQL2008")),
              "DRIVER={FreeTDS};SERVERNAME={dbtool:db01\\sql2008};DATABASE={master};UID={};PWD={};"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;APP=dbtool");
}

TEST(OdbcTranslation, WindowsLoginSendsNoCredentials) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::Windows, "sa", "secret", "h,1")),
              "DRIVER={FreeTDS};SERVERNAME={dbtool:h,1};DATABASE={master};Trusted_Connection=Yes;"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;APP=dbtool");
}

TEST(OdbcTranslation, BracedValuesCarrySeparatorsButNotTheDriversTerminator) {
    const QString odbc = toOdbc(compose(LoginStyle::SqlServer, "u", "a;b=c}d{", "h"));
    EXPECT_TRUE(odbc.contains("PWD={a;b=c}d{};")) << odbc.toStdString();
    EXPECT_THROW(toOdbc(compose(LoginStyle::SqlServer, "u", "x};DATABASE=y", "h")), Error);
}

// A data source that is the name of a section of the operator's freetds.conf goes by that
// section; anything else, and a name no configuration holds, goes by the tool's own section.
TEST(OdbcTranslation, ANamedFreeTdsSectionIsUsedByName) {
    EXPECT_TRUE(
        freetds_sections::hasSection("[global]\n  [Prod-DB] \n\thost = 10.0.0.5\n", "prod-db"));
    EXPECT_FALSE(freetds_sections::hasSection("; [prod-db]\nhost = prod-db\n", "prod-db"));

    QTemporaryFile conf;
    ASSERT_TRUE(conf.open());
    conf.write("[global]\n\ttds version = 7.4\n[prod-db]\n\thost = 10.0.0.5\n");
    conf.flush();
    const char* previous = std::getenv("FREETDSCONF");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("FREETDSCONF", conf.fileName().toLocal8Bit().constData(), 1);
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "PROD-DB")),
              "DRIVER={FreeTDS};SERVERNAME={PROD-DB};DATABASE={master};UID={sa};PWD={pw};"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;APP=dbtool");
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "prod-db,1433"))
                    .startsWith("DRIVER={FreeTDS};SERVERNAME={dbtool:prod-db,1433};"));
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "other-host"))
                    .startsWith("DRIVER={FreeTDS};SERVERNAME={dbtool:other-host};"));
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "global"))
                    .startsWith("DRIVER={FreeTDS};SERVERNAME={dbtool:global};"));
    if (previous != nullptr) {
        ::setenv("FREETDSCONF", saved.c_str(), 1);
    } else {
        ::unsetenv("FREETDSCONF");
    }
}

TEST(OdbcTranslation, OnlyAConnectTimeoutGivesTheLoginATimeOut) {
    const QString composed = compose(LoginStyle::SqlServer, "sa", "pw", "h");
    EXPECT_EQ(loginTimeoutSeconds(composed), std::nullopt);
    EXPECT_EQ(loginTimeoutSeconds(composed + ";Connect Timeout=10"), 10);
    EXPECT_EQ(loginTimeoutSeconds(composed + ";connect timeout = 0"), std::nullopt);
    EXPECT_EQ(toOdbc(composed + ";Connect Timeout=10"), toOdbc(composed));
}

}  // namespace
