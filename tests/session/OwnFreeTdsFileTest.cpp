#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "common/Error.h"
#include "common/OperatorTexts.h"
#include "session/OwnFreeTdsFile.h"
#include "session/ServerName.h"
#include "session/ServerTrust.h"

namespace {

// Each server as typed, and the section it becomes or the text it is refused with: what
// FreeTDS's parser would cut ('#', ';', a line over 255 bytes, a run of blanks) or drop (a
// host that does not resolve) is refused rather than written.
TEST(OwnFreeTdsFile, EachTypedServerBecomesASectionOrAClearRefusal) {
    const QString bundle = QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
    const QString longName = QString(250, u'i');  // the section's name is longer still
    struct Case {
        QString typed;
        QString caFile;
        std::optional<QString> section;  // none: refused with `refusal`
        QString refusal;
    };
    const Case cases[] = {
        {"127.0.0.1,1433", bundle,
         "[dbtool:127.0.0.1,1433]\n\thost = 127.0.0.1\n\tport = 1433\n\tca file = " + bundle +
             "\n\tcheck certificate hostname = yes\n",
         {}},
        {" LocalHost \\ SQLExpress", bundle,
         "[dbtool:localhost\\sqlexpress]\n\thost = LocalHost\n\tinstance = SQLExpress\n"
         "\tca file = " +
             bundle + "\n\tcheck certificate hostname = yes\n",
         {}},
        {"::1", bundle,
         "[dbtool:::1]\n\thost = ::1\n\tca file = " + bundle +
             "\n\tcheck certificate hostname = yes\n",
         {}},
        {"localhost\\DEV#1", bundle, std::nullopt,
         texts::kFreeTdsValueNotCarried.arg("服务器", "dbtool:localhost\\dev#1")},
        {"localhost,1433", "/pins/a;b.pem", std::nullopt,
         texts::kFreeTdsValueNotCarried.arg("ca file", "/pins/a;b.pem")},
        {"localhost,1433", "/pins/two  blanks.pem", std::nullopt,
         texts::kFreeTdsValueNotCarried.arg("ca file", "/pins/two  blanks.pem")},
        {"localhost\\" + longName, bundle, std::nullopt,
         texts::kFreeTdsLineTooLong.arg("服务器", "dbtool:localhost\\" + longName)},
        {"localhost,1433", "/pins/" + QString(240, u'p'), std::nullopt,
         texts::kFreeTdsLineTooLong.arg("ca file", "/pins/" + QString(240, u'p'))},
        {"no-such-host.invalid,1433", bundle, std::nullopt,
         texts::kServerHostUnresolved.arg("no-such-host.invalid")},
        {"localhost,70000", bundle, std::nullopt, texts::kServerPortInvalid.arg("localhost,70000")},
        {",1433", bundle, std::nullopt, texts::kServerNameMissing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        try {
            const auto server = server_name::parse(c.typed);
            const QString text =
                own_freetds::sectionText({.name = server_trust::sectionName(server),
                                          .host = server.host,
                                          .port = server.port,
                                          .instance = server.instance,
                                          .caFile = c.caFile,
                                          .checkHostName = true});
            EXPECT_EQ(std::optional<QString>(text), c.section);
        } catch (const Error& error) {
            EXPECT_FALSE(c.section.has_value()) << error.description().toStdString();
            EXPECT_EQ(error.description(), c.refusal);
        }
    }
}

// The file holds the tool's sections and nothing else: a section replaces its namesake,
// other servers' stay, and a [global] someone added goes, since FreeTDS would apply it to
// every connection of the operator's own files too.
TEST(OwnFreeTdsFile, HoldsOnlyTheToolsSectionsOneAServer) {
    {
        QDir().mkpath(QFileInfo(own_freetds::filePath()).absolutePath());
        QFile file(own_freetds::filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[global]\n\ttds version = 5.0\n[dbtool:old,1]\n\thost = 127.0.0.1\n");
    }
    const auto first = server_name::parse("127.0.0.1,1433");
    server_trust::writeSection(first);
    server_trust::writeSection(first);
    server_trust::pin(first, "pinned");
    server_trust::writeSection(first);
    QFile file(own_freetds::filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text,
              "[dbtool:old,1]\n\thost = 127.0.0.1\n[dbtool:127.0.0.1,1433]\n"
              "\thost = 127.0.0.1\n\tport = 1433\n\tca file = " +
                  server_trust::pinPath(first) + "\n\tcheck certificate hostname = no\n");
    server_trust::unpin(first);
}

}  // namespace
