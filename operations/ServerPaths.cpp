#include "ServerPaths.h"

#include <algorithm>

namespace server_paths {

namespace {

bool isSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

qsizetype lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
}

bool isDriveRoot(const QString& folder) {
    return folder.size() == 3 && folder[0].isLetter() && folder[1] == u':' &&
           isSeparator(folder[2]);
}

}  // namespace

bool isAbsolute(const QString& path) {
    if (path.startsWith(u'/') || path.startsWith(QStringLiteral("\\\\"))) {
        return true;
    }
    return path.size() >= 3 && path[0].isLetter() && path[0].unicode() < 0x80 && path[1] == u':' &&
           isSeparator(path[2]);
}

bool endsWithSeparator(const QString& path) {
    return !path.isEmpty() && isSeparator(path.back());
}

QString title(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

QString folderOf(const QString& path) {
    return path.left(lastSeparator(path) + 1);
}

QString asFolder(const QString& folder, QChar separator) {
    if (folder.isEmpty() || endsWithSeparator(folder)) {
        return folder;
    }
    return folder + separator;
}

QString joined(const QString& folder, const QString& name, QChar separator) {
    return asFolder(folder, separator) + name;
}

QString parentOf(const QString& folder) {
    if (folder == QStringLiteral("/")) {
        return folder;
    }
    if (isDriveRoot(folder)) {
        return {};
    }
    QString trimmed = folder;
    while (endsWithSeparator(trimmed)) {
        trimmed.chop(1);
    }
    return folderOf(trimmed);
}

bool matchesPattern(const QString& name, const QString& pattern) {
    // Greedy match that returns to the last '*' on a mismatch: linear for patterns such as
    // "*.bak", and no allocation per name in a folder of thousands.
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace server_paths
