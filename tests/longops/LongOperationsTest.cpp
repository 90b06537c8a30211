// The window while the server works for seconds: it stays alive, shows the server's progress,
// lets no input through but its Cancel, asks before a cancel or a close, tells what a
// cancel left, and falls back to the elapsed time when the helper connection cannot help.
// Against a development server with an I/O rate.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "DocumentedTexts.h"
#include "QtPrinters.h"
#include "app/BusyController.h"
#include "app/CallRunner.h"
#include "app/FMain.h"
#include "app/ProgressArea.h"
#include "app/Prompts.h"
#include "app/ResponsiveConnection.h"
#include "common/OperatorTexts.h"
#include "session/OdbcConnection.h"
#include "support/DevServerProcess.h"
#include "support/StallingConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

namespace {

constexpr double kRateMegabytesPerSecond = 60;  // a 150-MB database takes 2.5 s
const QString kPassword = QStringLiteral("Long#Ops9");

class ScriptedPrompts : public Prompts {
  public:
    QStringList answers;
    QList<ChosenFile> files;
    int fileDialogs = 0;
    QString askTypedConfirmation(const QString&, const QString&) override {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    ChosenFile chooseFile(const QString&, FileDialogMode) override {
        ++fileDialogs;
        if (files.isEmpty()) {
            throw Error(QStringLiteral("已取消选择文件"));
        }
        return files.takeFirst();
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }
};

// A connection whose every call fails, standing for a helper connection that cannot help.
class FailingConnection : public Connection {
  public:
    explicit FailingConnection(bool refuseOpen) : refuseOpen_(refuseOpen) {}
    void open(const QString&) override {
        if (refuseOpen_) {
            throw DatabaseError("refused", "08001");
        }
        open_ = true;
    }
    int state() const override { return open_ ? Open : Closed; }
    void close() override { open_ = false; }
    void execute(const QString&) override { throw DatabaseError("no", "42000"); }
    ResultSet query(const QString&) override { throw DatabaseError("no", "42000"); }

  private:
    bool refuseOpen_;
    bool open_ = false;
};

// Answers the next question the window asks, once it shows, and keeps what it asked.
struct QuestionAnswerer {
    QString title;
    QString text;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QElapsedTimer answered;

    void answer(QMessageBox::StandardButton button) {
        auto* poll = new QTimer;
        poll->setInterval(20);
        QObject::connect(poll, &QTimer::timeout, [this, poll, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            title = box->windowTitle();
            text = box->text();
            defaultButton = box->standardButton(box->defaultButton());
            poll->stop();
            poll->deleteLater();
            answered.start();
            box->button(button)->click();
        });
        poll->start();
    }
};

// What the window's thread did while a click ran: how long its event loop was ever away,
// and every text the progress area showed.
struct Observation {
    qint64 longestGapMs = 0;
    QStringList areaTexts;
    std::vector<int> percents;
};

class LongOperations : public ::testing::Test {
  protected:
    LongOperations()
        : server(DevServerProcess::Options{kPassword.toStdString(),
                                           0,
                                           kRateMegabytesPerSecond,
                                           false,
                                           {"--restricted-login", "operator=Op#Pass1"}}) {
        OdbcConnection setup;
        setup.open(login());
        setup.execute(createStatement("Big", 150));
        // A plain restore over a database in full recovery wants its log tail backed up.
        setup.execute("ALTER DATABASE Big SET RECOVERY SIMPLE");
        setup.execute(createStatement("Mid", 40));
        setup.execute("CREATE DATABASE Small");
        setup.close();
        setupBatches = server.readLog().size();
    }

    QString login() const {
        return QStringLiteral(
                   "Persist Security Info=True;Provider=SQLOLEDB.1;User ID=sa;Password=%1;"
                   "Data Source=127.0.0.1,%2;Initial Catalog=master")
            .arg(kPassword)
            .arg(server.port());
    }
    QString inData(const QString& name) const {
        return QString::fromStdString((server.dataDir() / name.toStdString()).string());
    }
    QString createStatement(const QString& name, int megabytes) const {
        return QStringLiteral(
                   "CREATE DATABASE %1 ON PRIMARY (NAME = %1, FILENAME = '%2', "
                   "SIZE = %3MB) LOG ON (NAME = %1_log, FILENAME = '%4')")
            .arg(name, inData(name + ".mdf"))
            .arg(megabytes)
            .arg(inData(name + "_log.ldf"));
    }

    void open(ConnectionSlot::Factory factory = makeOdbcConnection,
              const QString& user = QStringLiteral("sa"), const QString& password = kPassword) {
        prompts = new ScriptedPrompts;
        window = std::make_unique<FMain>(std::move(factory), std::unique_ptr<Prompts>(prompts));
        window->show();
        control<QComboBox>("C_LoginStyle")->setCurrentIndex(1);
        control<QLineEdit>("T_User")->setText(user);
        control<QLineEdit>("T_Pwd")->setText(password);
        control<QLineEdit>("T_Ip")->setText(QStringLiteral("127.0.0.1,%1").arg(server.port()));
        control<QPushButton>("C_Link")->click();
        ASSERT_EQ(window->statusText(), "数据库连接成功");
    }

    template <typename W>
    W* control(const char* name) {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QLabel* area() { return control<QLabel>("ProgressArea"); }
    void select(const QString& database) {
        auto* list = control<QComboBox>("C_DbList");
        list->setCurrentIndex(list->findText(database));
    }

    // Clicks and watches the window's thread every 10 ms until the handler returns.
    // `during` runs once, from the window's own event loop, 700 ms into the click.
    Observation clickAndObserve(const char* button, const std::function<void()>& during = {}) {
        Observation seen;
        QElapsedTimer sinceLast;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            seen.longestGapMs = std::max(seen.longestGapMs, sinceLast.restart());
            const QString text = area()->isVisible() ? area()->text() : QString();
            if (!text.isEmpty() && (seen.areaTexts.isEmpty() || seen.areaTexts.last() != text)) {
                seen.areaTexts << text;
                static const QRegularExpression percent(QStringLiteral("^完成 (\\d+)%"));
                if (const auto match = percent.match(text); match.hasMatch()) {
                    seen.percents.push_back(match.captured(1).toInt());
                }
            }
        });
        if (during) {
            QTimer::singleShot(700, during);
        }
        sinceLast.start();
        watch.start();
        control<QPushButton>(button)->click();
        watch.stop();
        return seen;
    }

    // The batches each session sent after the setup.
    std::map<int, QStringList> sentBySession() const {
        std::map<int, QStringList> sent;
        const auto log = server.readLog();
        for (std::size_t i = setupBatches; i < log.size(); ++i) {
            sent[log[i].spid] << QString::fromStdString(log[i].sql);
        }
        return sent;
    }

    DevServerProcess server;
    std::size_t setupBatches = 0;
    ScriptedPrompts* prompts = nullptr;
    std::unique_ptr<FMain> window;
};

void expectAliveWithRisingServerProgress(const Observation& seen) {
    EXPECT_LE(seen.longestGapMs, 100);
    ASSERT_GE(seen.percents.size(), 2u) << seen.areaTexts.join(" | ").toStdString();
    EXPECT_TRUE(std::is_sorted(seen.percents.begin(), seen.percents.end()));
    EXPECT_GT(seen.percents.back(), seen.percents.front());
}

TEST_F(LongOperations, BackupAndRestoreKeepTheWindowAliveAndShowTheServersProgress) {
    open();
    select("Big");
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    const Observation backup = clickAndObserve("c_BackUp");
    EXPECT_EQ(window->statusText(), "备份数据库成功");
    expectAliveWithRisingServerProgress(backup);
    EXPECT_FALSE(area()->isVisible());

    select("Big");
    prompts->answers << kConfirmationPhrase;
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    const Observation restore = clickAndObserve("c_Restore");
    EXPECT_EQ(window->statusText(), "恢复数据库成功");
    expectAliveWithRisingServerProgress(restore);
    EXPECT_FALSE(area()->isVisible());

    // The tool's own session received the documented texts and nothing else; the helper
    // connection only read the server's views.
    const QString backupStatement =
        "Backup Database Big To disk='" + inData("Big.bak") + "' WITH FORMAT ";
    const QString restoreStatement = "Restore Database Big From disk='" + inData("Big.bak") + "' ";
    int helperBatches = 0;
    for (const auto& [spid, texts] : sentBySession()) {
        if (texts.contains(backupStatement)) {
            EXPECT_EQ(texts, (QStringList{kCatalogue, backupStatement, kCatalogue,
                                          evictionBatch("'Big'"), restoreStatement, kCatalogue}));
            continue;
        }
        for (const QString& text : texts) {
            ++helperBatches;
            EXPECT_TRUE(text.startsWith("SELECT ") && text.contains(" FROM sys.dm_exec_"))
                << text.toStdString();
        }
    }
    EXPECT_GE(helperBatches, 2);
}

TEST_F(LongOperations, NoInputReachesAControlDuringAnOperationAndACloseAsksFirst) {
    open();
    select("Big");
    prompts->answers << kConfirmationPhrase;
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    OdbcConnection other;  // the backup to restore from
    other.open(login());
    other.execute("BACKUP DATABASE Big TO DISK = '" + inData("Big.bak") + "' WITH FORMAT");
    other.close();

    bool closed = true;
    bool listOpened = true;
    int selectedDuring = -2;
    QuestionAnswerer question;
    const Observation restore = clickAndObserve("c_Restore", [&] {
        auto* list = control<QComboBox>("C_DbList");
        QTest::mouseClick(control<QPushButton>("c_BackUp"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("C_UnLink"), Qt::LeftButton);
        // The list has no busy check of its own: only the window's filter keeps it shut.
        QTest::mouseClick(list, Qt::LeftButton);
        listOpened = list->view()->isVisible();
        QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), {}, {0, -120},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        selectedDuring = list->currentIndex();
        question.answer(QMessageBox::No);
        closed = window->close();
    });
    EXPECT_FALSE(closed);
    EXPECT_FALSE(listOpened);
    EXPECT_EQ(question.title, "附加数据库");
    EXPECT_EQ(question.text, "操作进行中。取消该操作并关闭窗口？");
    EXPECT_EQ(question.defaultButton, QMessageBox::No);
    EXPECT_EQ(selectedDuring, control<QComboBox>("C_DbList")->findText("Big"));
    EXPECT_LE(restore.longestGapMs, 100);
    EXPECT_EQ(window->statusText(), "恢复数据库成功");
    EXPECT_EQ(prompts->fileDialogs, 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(control<QPushButton>("C_UnLink")->isEnabled());

    EXPECT_TRUE(window->close());  // once the call has returned, closing works as before
}

TEST_F(LongOperations, ACancelledRestoreStopsTheServerAndTheStatusTellsWhatItLeft) {
    open();
    OdbcConnection other;
    other.open(login());
    other.execute("BACKUP DATABASE Big TO DISK = '" + inData("Big.bak") + "' WITH FORMAT");
    other.close();

    select("Big");
    prompts->answers << kConfirmationPhrase;
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    QuestionAnswerer question;
    bool cancelShown = false;
    clickAndObserve("c_Restore", [&] {
        cancelShown = control<QPushButton>("C_Cancel")->isVisible();
        question.answer(QMessageBox::Yes);
        QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    const qint64 sinceYes = question.answered.elapsed();
    EXPECT_TRUE(cancelShown);
    EXPECT_EQ(question.text, texts::kCancelRestoreQuestion);
    EXPECT_EQ(question.defaultButton, QMessageBox::No);
    EXPECT_EQ(window->statusText(),
              "恢复已取消，数据库 Big 处于 RESTORING 状态，需要重新恢复后才能使用");
    EXPECT_LT(sinceYes, 2000) << "from the answer to the window idle";
    EXPECT_FALSE(area()->isVisible());

    // The server heard the attention from the tool's own session, the one that restored.
    const QString restoreStatement = "Restore Database Big From disk='" + inData("Big.bak") + "' ";
    int restoringSpid = 0;
    bool attentionFromIt = false;
    for (const auto& entry : server.readLog()) {
        if (QString::fromStdString(entry.sql) == restoreStatement) {
            restoringSpid = entry.spid;
        }
        attentionFromIt = attentionFromIt || (entry.attention && entry.spid == restoringSpid);
    }
    EXPECT_TRUE(attentionFromIt);

    // Nobody can use it, yet a complete restore brings it back.
    OdbcConnection probe;
    probe.open(login());
    EXPECT_THROW(probe.execute("USE Big"), DatabaseError);
    select("Big");
    prompts->answers << kConfirmationPhrase;
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    clickAndObserve("c_Restore");
    EXPECT_EQ(window->statusText(), "恢复数据库成功");
    EXPECT_EQ(probe.query("SELECT state_desc FROM sys.databases WHERE name = 'Big'").field(0, 0),
              "ONLINE");
}

TEST_F(LongOperations, ACloseDuringABackupAnsweredYesCancelsItAndCloses) {
    open();
    select("Big");
    prompts->files << ChosenFile{inData("Big.bak"), "Big.bak"};
    QuestionAnswerer question;
    clickAndObserve("c_BackUp", [&] {
        question.answer(QMessageBox::Yes);
        window->close();
    });
    EXPECT_EQ(question.text, "操作进行中。取消该操作并关闭窗口？");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->statusText().startsWith("备份已取消，"))
        << window->statusText().toStdString();
    EXPECT_FALSE(std::filesystem::exists(server.dataDir() / "Big.bak"));
    const auto log = server.readLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const auto& e) { return e.attention; }));
}

TEST_F(LongOperations, AStalledHelperQueryDelaysNeitherADisconnectNorAClose) {
    auto released = std::make_shared<std::atomic<bool>>(false);
    int made = 0;
    open([&made, released]() -> std::unique_ptr<Connection> {
        if (made++ == 0) {
            return std::make_unique<OdbcConnection>();
        }
        return std::make_unique<StallingConnection>(released);
    });
    select("Mid");
    prompts->files << ChosenFile{inData("Mid.bak"), "Mid.bak"};
    clickAndObserve("c_BackUp");  // the progress poll's query hangs meanwhile
    ASSERT_EQ(window->statusText(), "备份数据库成功");
    ASSERT_EQ(made, 2);

    QElapsedTimer took;
    took.start();
    control<QPushButton>("C_UnLink")->click();
    EXPECT_EQ(window->statusText(), "断开成功");
    EXPECT_LT(took.elapsed(), 500);

    took.restart();
    EXPECT_TRUE(window->close());
    window.reset();
    EXPECT_LT(took.elapsed(), 500);
    *released = true;
}

TEST_F(LongOperations, AHelperThatCannotHelpLeavesTheElapsedTimeAlone) {
    for (const bool refuseOpen : {true, false}) {
        SCOPED_TRACE(refuseOpen ? "refused connection" : "failing query");
        int made = 0;
        open([&made, refuseOpen]() -> std::unique_ptr<Connection> {
            if (made++ == 0) {
                return std::make_unique<OdbcConnection>();
            }
            return std::make_unique<FailingConnection>(refuseOpen);
        });
        select("Mid");
        prompts->files << ChosenFile{inData("Mid.bak"), "Mid.bak"};
        const Observation backup = clickAndObserve("c_BackUp");
        EXPECT_EQ(window->statusText(), "备份数据库成功");
        EXPECT_EQ(made, 2);  // the helper was asked for
        ASSERT_FALSE(backup.areaTexts.isEmpty());
        EXPECT_TRUE(backup.percents.empty());
        for (const QString& text : backup.areaTexts) {
            EXPECT_TRUE(text.startsWith("执行中，已用 ")) << text.toStdString();
        }
        window.reset();
    }
}

// Without VIEW SERVER STATE the helper sees no session of the tool's: the elapsed time alone.
TEST_F(LongOperations, ALoginThatMayNotSeeServerStateSeesTheElapsedTimeAlone) {
    open(makeOdbcConnection, QStringLiteral("operator"), QStringLiteral("Op#Pass1"));
    select("Mid");
    prompts->files << ChosenFile{inData("Mid.bak"), "Mid.bak"};
    const Observation backup = clickAndObserve("c_BackUp");
    EXPECT_EQ(window->statusText(), "备份数据库成功");
    ASSERT_FALSE(backup.areaTexts.isEmpty());
    EXPECT_TRUE(backup.percents.empty());
    for (const QString& text : backup.areaTexts) {
        EXPECT_TRUE(text.startsWith("执行中，已用 ")) << text.toStdString();
    }
}

TEST_F(LongOperations, AQuickOperationShowsNothingAndAsksTheHelperNothing) {
    open();
    select("Small");
    const Observation detach = clickAndObserve("C_Clear");
    EXPECT_EQ(window->statusText(), "数据库分离成功");
    EXPECT_TRUE(detach.areaTexts.isEmpty());
    EXPECT_FALSE(area()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(sentBySession().size(), 1u);  // the tool's own session alone

    // The server sees the tool's session as the driver announced it: this process, the tool.
    OdbcConnection probe;
    probe.open(login());
    const ResultSet sessions = probe.query(
        "SELECT program_name, host_process_id FROM sys.dm_exec_sessions WHERE session_id <> "
        "@@SPID AND is_user_process = 1");
    ASSERT_EQ(sessions.rowCount(), 1);
    EXPECT_EQ(sessions.field(0, 0), "dbtool");
    EXPECT_EQ(sessions.field(0, 1), QString::number(QCoreApplication::applicationPid()));
}

// A server that takes the TCP connection and never says a word: the kernel completes the
// handshake of a listening socket that nobody accepts from.
class SilentServer {
  public:
    SilentServer() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(socket_, 8);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(socket_); }
    int port() const { return port_; }

  private:
    int socket_;
    int port_ = 0;
};

TEST(BoundedLogin, ASilentServerTimesOutAndACancelledAttemptIsLetGoAtOnce) {
    SilentServer silent;
    FMain window([] { return std::make_unique<OdbcConnection>(std::chrono::seconds(2)); },
                 std::make_unique<ScriptedPrompts>());
    window.show();
    window.findChild<QComboBox*>("C_LoginStyle")->setCurrentIndex(1);
    window.findChild<QLineEdit*>("T_Ip")->setText(
        QStringLiteral("127.0.0.1,%1").arg(silent.port()));
    auto* link = window.findChild<QPushButton*>("C_Link");

    link->click();
    EXPECT_EQ(window.statusText(), "连接超时：服务器在 2 秒内没有应答");
    EXPECT_TRUE(link->isEnabled());
    EXPECT_FALSE(window.findChild<QPushButton*>("C_UnLink")->isEnabled());

    QuestionAnswerer question;
    QTimer::singleShot(700, [&] {
        question.answer(QMessageBox::Yes);
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    link->click();
    const qint64 sinceYes = question.answered.elapsed();
    EXPECT_EQ(question.text, texts::kCancelConnectQuestion);
    EXPECT_EQ(window.statusText(), "连接已取消");
    EXPECT_LT(sinceYes, 1000);
    EXPECT_TRUE(link->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A session whose statement the server never lets go and whose cancel it never hears.
class DeafConnection : public Connection {
  public:
    explicit DeafConnection(std::shared_ptr<std::atomic<bool>> released, std::atomic<int>& closes)
        : released_(std::move(released)), closes_(closes) {}
    void open(const QString&) override { open_ = true; }
    int state() const override { return open_ ? Open : Closed; }
    void close() override {
        open_ = false;
        ++closes_;
    }
    void execute(const QString&) override {
        while (!*released_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ResultSet query(const QString& sql) override {
        execute(sql);
        return {};
    }

  private:
    std::shared_ptr<std::atomic<bool>> released_;
    std::atomic<int>& closes_;
    bool open_ = false;
};

TEST(CancelWithoutAcknowledgement, GivesTheLinkUpAndClosesItOnceTheCallReturns) {
    QWidget window;
    auto* bar = new QStatusBar(&window);
    auto* panel = new QLabel(&window);
    bar->addWidget(panel);
    window.show();
    BusyController busy(window, *bar, *panel,
                        std::make_shared<HelperConnection>([] { return nullptr; }));
    CallRunner runner(busy, std::chrono::milliseconds(300));
    auto released = std::make_shared<std::atomic<bool>>(false);
    std::atomic<int> closes{0};
    const std::optional<CallPurpose> purpose;
    ResponsiveConnection conn([&] { return std::make_unique<DeafConnection>(released, closes); },
                              runner, purpose);
    conn.open(QStringLiteral("login"));

    QuestionAnswerer question;
    QTimer::singleShot(500, [&] {
        question.answer(QMessageBox::Yes);
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    try {
        conn.execute(QStringLiteral("RESTORE DATABASE Shop FROM DISK = 'x'"));
        ADD_FAILURE() << "the call was not given up";
    } catch (const CallCancelled& cancelled) {
        EXPECT_EQ(cancelled.ending(), CallCancelled::Ending::Unacknowledged);
        EXPECT_EQ(cancelled.description(), texts::kCancelUnacknowledged);
    }
    EXPECT_LT(question.answered.elapsed(), 1000);
    EXPECT_EQ(question.text, texts::kCancelStatementQuestion);
    EXPECT_EQ(conn.state(), Connection::Closed);  // a fresh object from here on
    EXPECT_EQ(closes, 0);
    *released = true;  // the call returns at last, on its own thread, which closes it
    for (int i = 0; i < 100 && closes == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(closes, 1);
}

TEST(ProgressTexts, ElapsedAndServerFigures) {
    EXPECT_EQ(progress_text::duration(7'900), "0:07");
    EXPECT_EQ(progress_text::duration(750'000), "12:30");
    EXPECT_EQ(progress_text::duration(3'723'000), "1:02:03");
    EXPECT_EQ(progress_text::progress(12'000, std::nullopt), "执行中，已用 0:12");
    EXPECT_EQ(progress_text::progress(65'000, ServerProgress{42.9, 35'000}),
              "完成 42%，剩余 0:35，已用 1:05");
}

}  // namespace
