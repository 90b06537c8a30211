#include "LongOperationsBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "Measure.h"
#include "PlainOdbc.h"
#include "app/FMain.h"
#include "app/Prompts.h"
#include "common/OperatorTexts.h"
#include "operations/DbList.h"
#include "operations/Handlers.h"
#include "operations/KillSessions.h"
#include "operations/Statements.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnection.h"

namespace bench {

namespace {

// The window's own host with the connection swapped for a direct one: the handler, the
// list and the status line are the window's, only the calls skip the worker thread.
class DirectHost : public OperationHost {
  public:
    DirectHost(FMain& window, Connection& direct) : window_(window), direct_(direct) {}

    void showStatus(const QString& text) override { window_.showStatus(text); }
    int selectedDatabaseIndex() const override { return window_.selectedDatabaseIndex(); }
    QString selectedDatabaseText() const override { return window_.selectedDatabaseText(); }
    DbListView& databaseList() override { return window_.databaseList(); }
    Connection& connection() override { return direct_; }
    void setCallPurpose(const std::optional<CallPurpose>&) override {}  // nothing to cancel here
    QString askTypedConfirmation(const QString& p, const QString& t) override {
        return window_.askTypedConfirmation(p, t);
    }
    ChosenFile chooseFile(const QString& filter, FileDialogMode mode) override {
        return window_.chooseFile(filter, mode);
    }
    bool askYesNo(const QString& title, const QString& question) override {
        return window_.askYesNo(title, question);
    }
    ResultSet helperQuery(const QString& sql) override { return window_.helperQuery(sql); }
    QString databaseNameText() const override { return window_.databaseNameText(); }
    void setDatabaseNameText(const QString& text) override { window_.setDatabaseNameText(text); }
    QString dataFileText() const override { return window_.dataFileText(); }
    void setDataFileText(const QString& text) override { window_.setDataFileText(text); }
    QString logFileText() const override { return window_.logFileText(); }
    void setLogFileText(const QString& text) override { window_.setLogFileText(text); }

  private:
    FMain& window_;
    Connection& direct_;
};

// Answers the restore's confirmation and file dialog.
class RestorePrompts : public Prompts {
  public:
    explicit RestorePrompts(QString backupPath) : backupPath_(std::move(backupPath)) {}
    QString askTypedConfirmation(const QString&, const QString&) override {
        return texts::kConfirmationPhrase;
    }
    ChosenFile chooseFile(const QString&, FileDialogMode) override {
        return {backupPath_, QStringLiteral("backup.bak")};
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }

  private:
    QString backupPath_;
};

QString toolLogin(const ServerLogin& login) {
    return connection_string::compose(connection_string::LoginStyle::SqlServer,
                                      QStringLiteral("sa"),
                                      QString::fromStdString(login.saPassword), login.dataSource());
}

void requireStatus(FMain& window, const QString& wanted) {
    if (window.statusText() != wanted) {
        throw std::runtime_error("the window said: " + window.statusText().toStdString());
    }
}

}  // namespace

TimedComparison compareWrappedDetach(const ServerLogin& login, const QString& toolVictim,
                                     const QString& directVictim, int runs) {
    FMain window{makeOdbcConnection};
    window.show();
    QApplication::processEvents();
    connectWindow(window, login);
    OdbcConnection direct;
    direct.open(toolLogin(login));
    DirectHost directHost(window, direct);
    PlainOdbc helper(login.odbcConnectionString());
    auto detachThrough = [&](OperationHost& host, const QString& victim) {
        LoadDbList(host.connection(), window);
        selectDatabase(window, victim);
        const double seconds = timed([&] { detachDatabase(host); });
        QApplication::processEvents();
        requireStatus(window, texts::kDetached);
        helper.execute(attachStatement(victim, victim + QStringLiteral(".mdf"),
                                       victim + QStringLiteral("_log.ldf"))
                           .toStdU16String());
        return seconds;
    };

    TimedComparison result{"Detach, window's worker thread / direct call", {}, {}, 1.10};
    detachThrough(window, toolVictim);
    detachThrough(directHost, directVictim);
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            result.toolSeconds.push_back(detachThrough(window, toolVictim));
            result.baselineSeconds.push_back(detachThrough(directHost, directVictim));
        } else {
            result.baselineSeconds.push_back(detachThrough(directHost, directVictim));
            result.toolSeconds.push_back(detachThrough(window, toolVictim));
        }
    }
    return result;
}

LongRestoreFigures measureLongRestore(const ServerLogin& login, const QString& database,
                                      const QString& backupPath) {
    LongRestoreFigures figures;
    {
        FMain window{makeOdbcConnection, std::make_unique<RestorePrompts>(backupPath)};
        window.show();
        QApplication::processEvents();
        connectWindow(window, login);
        selectDatabase(window, database);
        auto* area = window.findChild<QLabel*>(QStringLiteral("ProgressArea"));

        QElapsedTimer sinceTick;
        QElapsedTimer sinceUpdate;
        QString lastServerText;
        std::vector<double> intervals;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            figures.toolLongestStallSeconds =
                std::max(figures.toolLongestStallSeconds,
                         static_cast<double>(sinceTick.nsecsElapsed()) / 1e9);
            sinceTick.restart();
            // A new server figure shows as a new percent or a new time left.
            const QString text = area->isVisible()
                                     ? area->text().section(QStringLiteral("，已用"), 0, 0)
                                     : QString();
            if (text.startsWith(QStringLiteral("完成")) && text != lastServerText) {
                if (!lastServerText.isEmpty()) {
                    intervals.push_back(static_cast<double>(sinceUpdate.nsecsElapsed()) / 1e9);
                }
                sinceUpdate.restart();
                lastServerText = text;
            }
        });
        sinceTick.start();
        sinceUpdate.start();
        tick.start();
        window.findChild<QPushButton*>(QStringLiteral("c_Restore"))->click();
        tick.stop();
        requireStatus(window, texts::kRestored);
        figures.updates = static_cast<int>(intervals.size()) + (lastServerText.isEmpty() ? 0 : 1);
        if (!intervals.empty()) {
            figures.longestUpdateIntervalSeconds =
                *std::max_element(intervals.begin(), intervals.end());
            figures.medianUpdateIntervalSeconds = median(intervals);
        }
    }
    // Today's path: the same two texts called on the window's thread, which can do nothing
    // else until the server has finished.
    OdbcConnection direct;
    direct.open(toolLogin(login));
    figures.directLongestStallSeconds = timed([&] {
        KillSessions(direct, database);
        direct.execute(restoreStatement(database, backupPath));
    });
    return figures;
}

}  // namespace bench
