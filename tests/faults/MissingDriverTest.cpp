// Connecting when the driver manager cannot find the FreeTDS driver: the description says
// which driver is missing and how to install it. The driver registry is a private one.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "session/ConnectionString.h"
#include "session/DatabaseError.h"
#include "session/OdbcConnection.h"

namespace {

class MissingDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(registry_.isValid());
        qputenv("ODBCSYSINI", QFile::encodeName(registry_.path()));
    }
    void TearDown() override { qunsetenv("ODBCSYSINI"); }

    void registerDriverAt(const QString& library) {
        QFile ini(registry_.filePath("odbcinst.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[FreeTDS]\nDriver=%1\n").arg(library).toUtf8());
    }

    static QString connectionFailure() {
        OdbcConnection conn;
        try {
            conn.open(connection_string::compose(connection_string::LoginStyle::SqlServer, "sa",
                                                 "secret", "127.0.0.1,1"));
        } catch (const DatabaseError& error) {
            EXPECT_EQ(conn.state(), Connection::Closed);
            return error.description();
        }
        ADD_FAILURE() << "connected without a driver";
        return {};
    }

    static void expectInstallAdvice(const QString& description) {
        EXPECT_TRUE(description.contains("FreeTDS")) << description.toStdString();
        EXPECT_TRUE(description.contains("apt install tdsodbc")) << description.toStdString();
        EXPECT_TRUE(description.contains("odbcinst -i -d")) << description.toStdString();
    }

  private:
    QTemporaryDir registry_;
};

TEST_F(MissingDriver, NotRegisteredWithTheDriverManager) {
    expectInstallAdvice(connectionFailure());
}

TEST_F(MissingDriver, RegisteredButItsLibraryIsGone) {
    registerDriverAt("/nonexistent/libtdsodbc.so");
    expectInstallAdvice(connectionFailure());
}

}  // namespace
