#include <gtest/gtest.h>

#include "common/Error.h"
#include "session/ConnectionString.h"

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

}  // namespace
