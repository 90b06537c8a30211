#include "FreeTdsSections.h"

#include "OwnFreeTdsFile.h"

#include <pwd.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <algorithm>

namespace freetds_sections {

namespace {

const QString kSystemConfiguration = QStringLiteral("/etc/freetds/freetds.conf");

// FreeTDS looks the home folder up in the password database, not in $HOME.
QString homeConfiguration() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry == nullptr
               ? QString()
               : QString::fromLocal8Bit(entry->pw_dir) + QStringLiteral("/.freetds.conf");
}

QStringList configurationFiles() {
    QStringList files;
    // The tool's own file is not the operator's, unless someone pointed FREETDSCONF elsewhere.
    const QString chosen = QFile::decodeName(qgetenv("FREETDSCONF"));
    if (!chosen.isEmpty() && chosen != own_freetds::filePath()) {
        files << chosen;
    }
    files << homeConfiguration() << kSystemConfiguration;
    return files;
}

}  // namespace

bool hasSection(const QString& configuration, const QString& name) {
    const QStringList lines = configuration.split(u'\n');
    return std::ranges::any_of(lines, [&](const QString& line) {
        const QString trimmed = line.trimmed();
        return trimmed.startsWith(u'[') && trimmed.endsWith(u']') &&
               trimmed.mid(1, trimmed.size() - 2).trimmed().compare(name, Qt::CaseInsensitive) == 0;
    });
}

bool isConfiguredServer(const QString& name) {
    if (name.isEmpty() || name.contains(u',') || name.contains(u'\\') ||
        name.compare(QStringLiteral("global"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    for (const QString& path : configurationFiles()) {
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly) &&
            hasSection(QString::fromUtf8(file.readAll()), name)) {
            return true;
        }
    }
    return false;
}

}  // namespace freetds_sections
