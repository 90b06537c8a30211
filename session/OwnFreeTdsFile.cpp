#include "OwnFreeTdsFile.h"

#include <netdb.h>
#include <sys/socket.h>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QStringList>
#include <cstdlib>

#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace own_freetds {

namespace {

const QString kOwnPrefix = QStringLiteral("[dbtool:");
// FreeTDS reads a line into 256 bytes, the newline and the terminating zero included.
constexpr qsizetype kLongestLine = 254;

QString stateFolder() {
    const QString chosen = qEnvironmentVariable("XDG_STATE_HOME");
    return (chosen.startsWith(u'/') ? chosen : QDir::homePath() + QStringLiteral("/.local/state")) +
           QStringLiteral("/dbtool");
}

bool resolves(const QString& host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const bool ok = ::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) == 0;
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    return ok;
}

// FreeTDS ends a value at '#' or ';' and folds blanks into one, so only a value without
// them arrives as written.
QString line(const QString& option, const QString& value) {
    const bool folded = value != value.simplified();
    if (value.contains(u'#') || value.contains(u';') || folded || value.isEmpty()) {
        throw Error(texts::kFreeTdsValueNotCarried.arg(option, value));
    }
    const QString text = u'\t' + option + QStringLiteral(" = ") + value;
    if (text.toUtf8().size() > kLongestLine) {
        throw Error(texts::kFreeTdsLineTooLong.arg(option, value));
    }
    return text + u'\n';
}

QString header(const QString& name) {
    if (name.contains(u'=') || name.contains(u']') || name.contains(u'#') || name.contains(u';') ||
        name.contains(u' ') || name != name.simplified()) {
        throw Error(texts::kFreeTdsValueNotCarried.arg(texts::kCertificateServer, name));
    }
    if (name.toUtf8().size() + 2 > kLongestLine) {
        throw Error(texts::kFreeTdsLineTooLong.arg(texts::kCertificateServer, name));
    }
    return u'[' + name + QStringLiteral("]\n");
}

// The sections of the file other than `replaced`, as text; whatever else the file holds
// (a [global] someone added) is dropped.
QString otherOwnSections(const QString& current, const QString& replaced) {
    QString kept;
    bool keeping = false;
    for (const QString& text : current.split(u'\n', Qt::SkipEmptyParts)) {
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(u'[')) {
            keeping = trimmed.startsWith(kOwnPrefix, Qt::CaseInsensitive) &&
                      trimmed.compare(header(replaced).trimmed(), Qt::CaseInsensitive) != 0;
        }
        if (keeping) {
            kept += text + u'\n';
        }
    }
    return kept;
}

}  // namespace

QString filePath() {
    return stateFolder() + QStringLiteral("/freetds.conf");
}

void adopt() {
    // The folder is made by the first write, so that "dbtool --help" leaves nothing behind.
    ::setenv("FREETDSCONF", QFile::encodeName(filePath()).constData(), 1);
}

QString sectionText(const Section& section) {
    QString text = header(section.name) + line(QStringLiteral("host"), section.host);
    if (section.port) {
        text += line(QStringLiteral("port"), QString::number(*section.port));
    } else if (!section.instance.isEmpty()) {
        text += line(QStringLiteral("instance"), section.instance);
    }
    text += line(QStringLiteral("ca file"), section.caFile);
    text += line(QStringLiteral("check certificate hostname"),
                 section.checkHostName ? QStringLiteral("yes") : QStringLiteral("no"));
    if (!resolves(section.host)) {
        throw Error(texts::kServerHostUnresolved.arg(section.host));
    }
    return text;
}

void write(const Section& section) {
    const QString text = sectionText(section);
    QDir().mkpath(stateFolder());
    // Two windows of the tool may write at once; each keeps the other's sections.
    QLockFile lock(filePath() + QStringLiteral(".lock"));
    lock.lock();
    QFile existing(filePath());
    const QString current =
        existing.open(QIODevice::ReadOnly) ? QString::fromUtf8(existing.readAll()) : QString();
    existing.close();
    const QString wanted = otherOwnSections(current, section.name) + text;
    if (wanted == current) {
        return;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(wanted.toUtf8()) < 0 || !file.commit()) {
        throw Error(texts::kFreeTdsFileNotWritten.arg(filePath(), file.errorString()));
    }
}

}  // namespace own_freetds
