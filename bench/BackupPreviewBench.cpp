#include "BackupPreviewBench.h"

#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "Measure.h"
#include "PlainOdbc.h"
#include "app/BackupPreviewPane.h"
#include "app/ServerFileDialog.h"
#include "common/OperatorTexts.h"
#include "operations/HelperConnection.h"
#include "operations/ServerFileQueries.h"
#include "operations/Statements.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnection.h"

namespace bench {

namespace {

std::shared_ptr<HelperConnection> helperFor(const ServerLogin& login) {
    auto helper =
        std::make_shared<HelperConnection>([] { return std::make_unique<OdbcConnection>(); });
    helper->remember(
        connection_string::compose(connection_string::LoginStyle::SqlServer, QStringLiteral("sa"),
                                   QString::fromStdString(login.saPassword), login.dataSource()));
    return helper;
}

// A restore's dialog, shown on `folder`, as the operator meets it.
class RestoreDialog {
  public:
    RestoreDialog(const ServerLogin& login, const QString& folder)
        : dialog_(helperFor(login), texts::kBackupFileFilter, FileDialogMode::Open, {}, nullptr,
                  BackupCheck{BackupUse::Restore, QStringLiteral("Shop")}) {
        dialog_.show();
        waitForListing();
        auto* location = dialog_.findChild<QLineEdit*>(QStringLiteral("serverLocation"));
        location->setText(folder);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(location, &press);
        waitForListing();
    }

    // Selects the file in the list, as a click does; the pane starts reading.
    void select(const QString& name) {
        auto* view = dialog_.findChild<QTreeView*>(QStringLiteral("serverEntries"));
        auto* model = view->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == name) {
                view->setCurrentIndex(model->index(row, 0));
                return;
            }
        }
        throw std::runtime_error("the dialog does not list " + name.toStdString());
    }
    // Waits in an event loop, as the dialog's own exec() does, until the pane is filled.
    void waitForPreview() {
        auto* pane = dialog_.findChild<BackupPreviewPane*>(QStringLiteral("backupPreview"));
        if (!pane->reading()) {
            return;
        }
        QEventLoop loop;
        QObject::connect(pane, &BackupPreviewPane::previewShown, &loop, &QEventLoop::quit);
        loop.exec();
    }

  private:
    void waitForListing() {
        if (!dialog_.loading()) {
            return;
        }
        QEventLoop loop;
        QObject::connect(&dialog_, &ServerFileDialog::listingShown, &loop, &QEventLoop::quit);
        loop.exec();
    }

    ServerFileDialog dialog_;
};

}  // namespace

TimedComparison comparePreviewFill(const ServerLogin& login, const QString& folder,
                                   const QString& first, const QString& second, int runs) {
    RestoreDialog dialog(login, folder);
    PlainOdbc baseline(login.odbcConnectionString());
    const QString separator = folder.endsWith(u'\\') || folder.endsWith(u'/') ? QString() : "/";
    int turn = 0;
    auto pane = [&] {
        const QString& name = ++turn % 2 == 0 ? first : second;
        return timed([&] {
            dialog.select(name);
            dialog.waitForPreview();
        });
    };
    auto plain = [&] {
        const QString path = folder + separator + (turn % 2 == 0 ? first : second);
        return timed([&] {
            baseline.readAll(backupHeaderQuery(path).toStdU16String());
            baseline.readAll(backupFileListQuery(path).toStdU16String());
        });
    };
    return alternately("Backup preview: select to pane filled", runs, pane, plain);
}

StalledPreview previewWithStalledServer(const ServerLogin& login, pid_t serverPid,
                                        const QString& folder, const QString& file,
                                        double stallSeconds) {
    RestoreDialog dialog(login, folder);
    // A timer that should fire every millisecond: the longest gap between two firings is
    // the longest the dialog's event loop was kept from its work.
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(sinceTick.nsecsElapsed()) / 1e9);
        sinceTick.restart();
    });
    ::kill(serverPid, SIGSTOP);
    std::thread resume([serverPid, stallSeconds] {
        std::this_thread::sleep_for(std::chrono::duration<double>(stallSeconds));
        ::kill(serverPid, SIGCONT);
    });
    StalledPreview figures;
    sinceTick.start();
    ticker.start();
    figures.fillSeconds = timed([&] {
        dialog.select(file);
        dialog.waitForPreview();
    });
    ticker.stop();
    resume.join();
    figures.longestStall = longest;
    return figures;
}

}  // namespace bench
