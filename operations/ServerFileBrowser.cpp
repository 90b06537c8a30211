#include "ServerFileBrowser.h"

#include <algorithm>

#include "HelperConnection.h"
#include "ServerPaths.h"
#include "common/OperatorTexts.h"
#include "session/DatabaseError.h"

namespace {

const QString kDataFilePattern = QStringLiteral("*.mdf");
const QString kLogFilePattern = QStringLiteral("*.ldf");
const QString kBackupFilePattern = QStringLiteral("*.bak");

bool linkLost(const Error& error) {
    const auto* database = dynamic_cast<const DatabaseError*>(&error);
    return database != nullptr && database->isConnectionFailure();
}

QString hostUnknownNotice(const Error& error) {
    return (linkLost(error) ? texts::kServerFilesLinkLost : texts::kServerFilesUnlisted)
        .arg(error.description());
}

QString folderUnreadableNotice(const QString& folder, const Error& error) {
    return linkLost(error) ? texts::kServerFilesLinkLost.arg(error.description())
                           : texts::kServerFolderUnlisted.arg(folder, error.description());
}

bool isFolderLike(const ServerEntry& entry) {
    return entry.kind != ServerEntry::Kind::File;
}

ChosenFile chosen(const QString& path) {
    return {path, server_paths::title(path)};
}

}  // namespace

ServerFileBrowser::ServerFileBrowser(const QString& filter, FileDialogMode mode,
                                     QString lastFileName)
    : mode_(mode), lastFileName_(std::move(lastFileName)) {
    const qsizetype bar = filter.indexOf(u'|');
    description_ = bar < 0 ? filter : filter.left(bar);
    pattern_ = bar < 0 ? QStringLiteral("*") : filter.mid(bar + 1);
}

QString ServerFileBrowser::offeredName() const {
    return server_paths::title(lastFileName_);
}

QString ServerFileBrowser::topFolder(const HostFacts& host) {
    return host.windows ? QString() : QStringLiteral("/");
}

QString ServerFileBrowser::startFolder(const HostFacts& host) const {
    QString kept = server_paths::folderOf(lastFileName_);
    if (!kept.isEmpty()) {
        return kept;
    }
    QString folder = host.dataFolder;
    if (pattern_.compare(kLogFilePattern, Qt::CaseInsensitive) == 0) {
        folder = host.logFolder;
    } else if (pattern_.compare(kBackupFilePattern, Qt::CaseInsensitive) == 0) {
        folder = host.backupFolder;
    }
    return folder.isEmpty() ? topFolder(host) : folder;
}

std::vector<ServerEntry> ServerFileBrowser::shownEntries(std::vector<ServerEntry> listed) const {
    std::erase_if(listed, [this](const ServerEntry& entry) {
        // A Windows listing may name the folder itself and its parent; "向上" does that.
        const bool selfOrParent = entry.name == u'.' || entry.name == QStringLiteral("..");
        return selfOrParent ||
               (!isFolderLike(entry) && !server_paths::matchesPattern(entry.name, pattern_));
    });
    std::sort(listed.begin(), listed.end(), [](const ServerEntry& a, const ServerEntry& b) {
        if (isFolderLike(a) != isFolderLike(b)) {
            return isFolderLike(a);
        }
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return listed;
}

ServerFileBrowser::Answer ServerFileBrowser::answer(const QString& typed, const QString& folder,
                                                    const std::vector<ServerEntry>& entries,
                                                    QChar separator) const {
    if (typed.isEmpty()) {
        return std::monostate{};
    }
    if (server_paths::isAbsolute(typed)) {
        if (server_paths::endsWithSeparator(typed)) {
            return OpenFolder{typed};
        }
        return chosen(typed);
    }
    if (server_paths::endsWithSeparator(typed)) {
        return OpenFolder{server_paths::joined(folder, typed, separator)};
    }
    // Windows compares names without regard to case.
    const Qt::CaseSensitivity hostCase =
        separator == u'\\' ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const auto listedFolder = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
        return isFolderLike(e) && e.name.compare(typed, hostCase) == 0;
    });
    if (listedFolder != entries.end()) {
        return OpenFolder{server_paths::joined(folder, listedFolder->name, separator)};
    }
    return chosen(server_paths::joined(folder, typed, separator));
}

ServerFileBrowser::Listing ServerFileBrowser::read(HelperConnection& helper,
                                                   std::optional<HostFacts> host,
                                                   const std::optional<QString>& folder) const {
    Listing listing;
    if (!host) {
        try {
            host = helper.run(server_files::readHostFacts);
        } catch (const Error& error) {
            listing.folder = folder.value_or(server_paths::folderOf(lastFileName_));
            listing.notice = hostUnknownNotice(error);
            return listing;
        }
    }
    listing.host = host;
    listing.folder = folder.value_or(startFolder(*host));
    if (listing.folder.isEmpty()) {
        listing.folder = topFolder(*host);
    }
    try {
        listing.entries = shownEntries(helper.run([&](Connection& conn) {
            return listing.folder.isEmpty() ? server_files::readDrives(conn, *host)
                                            : server_files::readFolder(conn, *host, listing.folder);
        }));
    } catch (const Error& error) {
        listing.notice = folderUnreadableNotice(listing.folder, error);
    }
    return listing;
}
