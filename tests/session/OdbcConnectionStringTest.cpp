#include <gtest/gtest.h>

#include "common/Error.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnectionString.h"

using namespace connection_string;

namespace {

TEST(OdbcTranslation, SqlServerLoginWithPortOrInstance) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "127.0.0.1,1433")),
              "DRIVER={FreeTDS};SERVER={127.0.0.1,1433};DATABASE={master};UID={sa};PWD={pw};"
              "TDS_Version=7.4;ClientCharset=UTF-8;APP=dbtool");
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "", "", "db01\\SQL2008")),
              "DRIVER={FreeTDS};SERVER={db01\\SQL2008};DATABASE={master};UID={};PWD={};"
              "TDS_Version=7.4;ClientCharset=UTF-8;APP=dbtool");
}

TEST(OdbcTranslation, WindowsLoginSendsNoCredentials) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::Windows, "sa", "secret", "h,1")),
              "DRIVER={FreeTDS};SERVER={h,1};DATABASE={master};Trusted_Connection=Yes;"
              "TDS_Version=7.4;ClientCharset=UTF-8;APP=dbtool");
}

TEST(OdbcTranslation, BracedValuesCarrySeparatorsButNotTheDriversTerminator) {
    const QString odbc = toOdbc(compose(LoginStyle::SqlServer, "u", "a;b=c}d{", "h"));
    EXPECT_TRUE(odbc.contains("PWD={a;b=c}d{};")) << odbc.toStdString();
    EXPECT_THROW(toOdbc(compose(LoginStyle::SqlServer, "u", "x};DATABASE=y", "h")), Error);
}

TEST(OdbcTranslation, OnlyAConnectTimeoutGivesTheLoginATimeOut) {
    const QString composed = compose(LoginStyle::SqlServer, "sa", "pw", "h");
    EXPECT_EQ(loginTimeoutSeconds(composed), std::nullopt);
    EXPECT_EQ(loginTimeoutSeconds(composed + ";Connect Timeout=10"), 10);
    EXPECT_EQ(loginTimeoutSeconds(composed + ";connect timeout = 0"), std::nullopt);
    EXPECT_EQ(toOdbc(composed + ";Connect Timeout=10"), toOdbc(composed));
}

}  // namespace
