#include "FileNames.h"

#include <QRegularExpression>

namespace file_names {

bool isWindowsAbsolutePath(const QString& path) {
    static const QRegularExpression drive(QStringLiteral(R"(^[A-Za-z]:[\\/])"));
    return path.startsWith(QStringLiteral("\\\\")) || drive.match(path).hasMatch();
}

QString fileTitle(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(slash + 1);
}

QString qtNameFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0) {
        return filter;
    }
    return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + u')';
}

}  // namespace file_names
