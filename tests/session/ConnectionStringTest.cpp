#include <gtest/gtest.h>

#include <QTemporaryFile>
#include <cstdlib>

#include "session/ConnectionString.h"
#include "session/Error.h"
#include "session/FreeTdsSections.h"

using namespace connection_string;

namespace {

const QString kPrefix = QStringLiteral("Persist Security Info=True;Provider=SQLOLEDB.1;");

TEST(ComposedConnectionString, WindowsStyleNamesOnlyTheServerAndCatalogue) {
    EXPECT_EQ(
        compose(LoginStyle::Windows, "sa", "secret", "127.0.0.1,1433"),
        kPrefix + "Integrated Security=SSPI;Data Source=127.0.0.1,1433;Initial Catalog=master");
}

TEST(ComposedConnectionString, SqlServerStyleCarriesUserAndPasswordInOrder) {
    EXPECT_EQ(compose(LoginStyle::SqlServer, "sa", "pw", "db01\\SQL2008"),
              kPrefix + "User ID=sa;Password=pw;Data Source=db01\\SQL2008;Initial Catalog=master");
    EXPECT_EQ(compose(LoginStyle::SqlServer, "", "", "h"),
              kPrefix + "User ID=;Password=;Data Source=h;Initial Catalog=master");
}

TEST(ComposedConnectionString, OnlyIndexZeroIsWindowsAuthentication) {
    EXPECT_EQ(loginStyleForIndex(0), LoginStyle::Windows);
    EXPECT_EQ(loginStyleForIndex(1), LoginStyle::SqlServer);
    EXPECT_EQ(loginStyleForIndex(-1), LoginStyle::SqlServer);
}

TEST(ComposedConnectionString, BlanksAndOrdinaryPunctuationStayUnquoted) {
    EXPECT_EQ(quoteValue(" p w! "), " p w! ");
    EXPECT_EQ(quoteValue("密码"), "密码");
}

// A hostile value must arrive unchanged and must not add or override a key.
TEST(ComposedConnectionString, HostileValuesRoundTripThroughTheParser) {
    const QStringList hostile{
        "a;Data Source=evil", "x=y",         "it's", "say \"hi\"", "{braced}", "}",
        "';\"=;{}",           "Password=1;", "\"",   "'"};
    for (const QString& value : hostile) {
        const QString text = compose(LoginStyle::SqlServer, value, value, "srv,1433");
        const auto pairs = parse(text);
        EXPECT_EQ(pairs.value("user id"), value) << text.toStdString();
        EXPECT_EQ(pairs.value("password"), value) << text.toStdString();
        EXPECT_EQ(pairs.value("data source"), "srv,1433") << text.toStdString();
        EXPECT_EQ(pairs.value("initial catalog"), "master") << text.toStdString();
        EXPECT_EQ(pairs.size(), 6) << text.toStdString();
    }
}

TEST(ParsedConnectionString, KeysAreCaseInsensitiveAndBrokenQuotingIsRefused) {
    const auto pairs = parse("DATA SOURCE=h;user id='a''b';Password=\"\"");
    EXPECT_EQ(pairs.value("data source"), "h");
    EXPECT_EQ(pairs.value("user id"), "a'b");
    EXPECT_EQ(pairs.value("password"), "");
    EXPECT_THROW(parse("Password=\"open"), Error);
    EXPECT_THROW(parse("Password=\"x\"y;"), Error);
}

TEST(OdbcTranslation, SqlServerLoginWithPortOrInstance) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "127.0.0.1,1433")),
              "DRIVER={FreeTDS};SERVER={127.0.0.1,1433};DATABASE={master};UID={sa};PWD={pw};"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");
    EXPECT_EQ(toOdbc(compose(LoginStyle::SqlServer, "", "", "db01\\SQL2008")),
              "DRIVER={FreeTDS};SERVER={db01\\SQL2008};DATABASE={master};UID={};PWD={};"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");
}

TEST(OdbcTranslation, WindowsLoginSendsNoCredentials) {
    EXPECT_EQ(toOdbc(compose(LoginStyle::Windows, "sa", "secret", "h,1")),
              "DRIVER={FreeTDS};SERVER={h,1};DATABASE={master};Trusted_Connection=Yes;"
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");
}

TEST(OdbcTranslation, BracedValuesCarrySeparatorsButNotTheDriversTerminator) {
    const QString odbc = toOdbc(compose(LoginStyle::SqlServer, "u", "a;b=c}d{", "h"));
    EXPECT_TRUE(odbc.contains("PWD={a;b=c}d{};")) << odbc.toStdString();
    EXPECT_THROW(toOdbc(compose(LoginStyle::SqlServer, "u", "x};DATABASE=y", "h")), Error);
}

// A data source that is the name of a freetds.conf section goes by that section; anything
// else, and a name no configuration holds, stays a host.
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
              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require");
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "prod-db,1433"))
                    .startsWith("DRIVER={FreeTDS};SERVER={prod-db,1433};"));
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "other-host"))
                    .startsWith("DRIVER={FreeTDS};SERVER={other-host};"));
    EXPECT_TRUE(toOdbc(compose(LoginStyle::SqlServer, "sa", "pw", "global"))
                    .startsWith("DRIVER={FreeTDS};SERVER={global};"));
    if (previous != nullptr) {
        ::setenv("FREETDSCONF", saved.c_str(), 1);
    } else {
        ::unsetenv("FREETDSCONF");
    }
}

}  // namespace
