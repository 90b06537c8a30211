#include "FolderListingBench.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>
#include <memory>
#include <stdexcept>

#include "Measure.h"
#include "PlainOdbc.h"
#include "app/ServerFileDialog.h"
#include "common/OperatorTexts.h"
#include "operations/HelperConnection.h"
#include "operations/ServerFileBrowser.h"
#include "operations/ServerFileQueries.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnection.h"

namespace bench {

namespace {

void requireCount(const char* who, std::size_t seen, int expected) {
    if (seen != static_cast<std::size_t>(expected)) {
        throw std::runtime_error(std::string(who) + " listed " + std::to_string(seen) +
                                 " entries, expected " + std::to_string(expected));
    }
}

std::shared_ptr<HelperConnection> helperFor(const ServerLogin& login) {
    auto helper =
        std::make_shared<HelperConnection>([] { return std::make_unique<OdbcConnection>(); });
    helper->remember(
        connection_string::compose(connection_string::LoginStyle::SqlServer, QStringLiteral("sa"),
                                   QString::fromStdString(login.saPassword), login.dataSource()));
    return helper;
}

// Waits in an event loop, as the dialog's own exec() does, until the list is shown.
void waitForListing(ServerFileDialog& dialog) {
    if (!dialog.loading()) {
        return;
    }
    QEventLoop loop;
    QObject::connect(&dialog, &ServerFileDialog::listingShown, &loop, &QEventLoop::quit);
    loop.exec();
}

// Types the folder into the dialog's location, presses Return and waits for the list.
std::size_t showInDialog(ServerFileDialog& dialog, const QString& folder) {
    auto* location = dialog.findChild<QLineEdit*>(QStringLiteral("serverLocation"));
    location->setText(folder);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(location, &press);
    waitForListing(dialog);
    return static_cast<std::size_t>(
        dialog.findChild<QTreeView*>(QStringLiteral("serverEntries"))->model()->rowCount());
}

}  // namespace

std::vector<TimedComparison> compareFolderListing(const ServerLogin& login, const QString& folder,
                                                  int entries, int runs,
                                                  const std::string& entriesText) {
    const auto helper = helperFor(login);
    const ServerFileBrowser browser(texts::kBackupFileFilter, FileDialogMode::Open, {});
    const HostFacts host = helper->run(server_files::readHostFacts);
    PlainOdbc baseline(login.odbcConnectionString());
    const std::u16string query = folderEntriesQuery(folder).toStdU16String();

    auto plainQuery = [&] {
        std::size_t rows = 0;
        const double seconds = timed([&] { rows = baseline.readAll(query); });
        requireCount("the plain query", rows, entries);
        return seconds;
    };
    auto toolRead = [&] {
        ServerFileBrowser::Listing listing;
        const double seconds = timed([&] { listing = browser.read(*helper, host, folder); });
        requireCount("the dialog's read", listing.entries.size(), entries);
        return seconds;
    };

    ServerFileDialog dialog(helper, texts::kBackupFileFilter, FileDialogMode::Open, {}, nullptr);
    dialog.show();
    waitForListing(dialog);
    auto toolShown = [&] {
        std::size_t rows = 0;
        const double seconds = timed([&] { rows = showInDialog(dialog, folder); });
        requireCount("the dialog", rows, entries);
        QApplication::processEvents();  // the repaint, untimed
        return seconds;
    };

    return {alternately("Server folder of " + entriesText + ", read", runs, toolRead, plainQuery),
            alternately("  the same shown in the file dialog", runs, toolShown, plainQuery)};
}

}  // namespace bench
