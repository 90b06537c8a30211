#include "FMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>

#include "BusyController.h"
#include "CallRunner.h"
#include "ErrorPath.h"
#include "QtPrompts.h"
#include "ResponsiveConnection.h"
#include "common/OperatorTexts.h"
#include "operations/CancelReport.h"

namespace {

QFont windowFont() {
    // Captions were laid out for a 12-pixel CJK face; a larger one would be clipped.
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    return font;
}

}  // namespace

FMain::FMain(ConnectionSlot::Factory connectionFactory, std::unique_ptr<Prompts> prompts,
             QWidget* parent)
    : QWidget(parent),
      helper_(std::make_shared<HelperConnection>(connectionFactory)),
      conn_([this, server = std::move(connectionFactory)] {
          return std::make_unique<ResponsiveConnection>(server, *runner_, purpose_);
      }),
      prompts_(prompts ? std::move(prompts) : std::make_unique<QtPrompts>(this, helper_)) {
    setFont(windowFont());
    buildControls();
    busy_ = std::make_unique<BusyController>(*this, *StatusBar, *statusPanel_, helper_);
    runner_ = std::make_unique<CallRunner>(*busy_);
    wireHandlers();
    onLoad();
}

FMain::~FMain() = default;

void FMain::onLoad() {
    C_LoginStyle->setCurrentIndex(0);
    showStatus(texts::kPleaseConnect);
}

void FMain::closeEvent(QCloseEvent* event) {
    if (busy_->busy()) {
        // Closing would end the session under the server's work: the call is cancelled
        // first, at the operator's word, and the window closes once it has returned.
        event->ignore();
        if (busy_->askToCancelForClose()) {
            closeAfterCall_ = true;
        }
        return;
    }
    closeConnection(*this);
    event->accept();
}

void FMain::guarded(const std::function<void()>& handler) {
    unlessBusy([&] {
        runWithErrorPath([this](const QString& text) { showStatus(text); },
                         [&] {
                             try {
                                 handler();
                             } catch (const CallCancelled& cancelled) {
                                 throw Error(whatTheCancelLeft(cancelled));
                             }
                         });
    });
}

void FMain::unlessBusy(const std::function<void()>& handler) {
    if (busy_->busy()) {
        return;
    }
    handler();
    if (std::exchange(closeAfterCall_, false)) {
        close();
    }
}

QString FMain::whatTheCancelLeft(const CallCancelled& cancelled) {
    if (cancelled.ending() != CallCancelled::Ending::Stopped) {
        return cancelled.description();
    }
    return runner_->run([helper = helper_, purpose = cancelled.purpose()] {
        return cancelledStatus(purpose, *helper);
    });
}

void FMain::shareLogin(const QString& connectionString) {
    helper_->remember(connectionString);
}

void FMain::withdrawLogin() {
    helper_->forget();
}

QString FMain::userText() const {
    return T_User->text();
}
QString FMain::passwordText() const {
    return T_Pwd->text();
}
QString FMain::serverText() const {
    return T_Ip->text();
}
int FMain::loginStyleIndex() const {
    return C_LoginStyle->currentIndex();
}
void FMain::setUserEnabled(bool enabled) {
    T_User->setEnabled(enabled);
}
void FMain::setPasswordEnabled(bool enabled) {
    T_Pwd->setEnabled(enabled);
}
void FMain::setLoginStyleEnabled(bool enabled) {
    C_LoginStyle->setEnabled(enabled);
}
void FMain::setConnectEnabled(bool enabled) {
    C_Link->setEnabled(enabled);
}
void FMain::setDisconnectEnabled(bool enabled) {
    C_UnLink->setEnabled(enabled);
}
void FMain::setAttachFrameEnabled(bool enabled) {
    F_A->setEnabled(enabled);
}
void FMain::setOperationsFrameEnabled(bool enabled) {
    F_B->setEnabled(enabled);
}

void FMain::showStatus(const QString& text) {
    statusPanel_->setText(text);
    // A refusal that names fingerprints is longer than the panel; the whole of it on hover.
    statusPanel_->setToolTip(text);
    // The window is about to block on the server; let the operator read why.
    statusPanel_->repaint();
}

QString FMain::statusText() const {
    return statusPanel_->text();
}

int FMain::selectedDatabaseIndex() const {
    return C_DbList->currentIndex();
}
QString FMain::selectedDatabaseText() const {
    return C_DbList->currentText();
}

bool FMain::confirmCertificate(const UntrustedCertificate& refusal) {
    return prompts_->confirmCertificate(refusal);
}

QString FMain::askTypedConfirmation(const QString& prompt, const QString& title) {
    return prompts_->askTypedConfirmation(prompt, title);
}

ChosenFile FMain::chooseFile(const QString& filter, FileDialogMode mode) {
    return prompts_->chooseFile(filter, mode);
}

bool FMain::askYesNo(const QString& title, const QString& question) {
    return prompts_->askYesNo(title, question);
}

ResultSet FMain::helperQuery(const QString& sql) {
    // Through the call runner, as the tool's own calls: the window stays alive meanwhile.
    return runner_->run([helper = helper_, sql] {
        return helper->run([&sql](Connection& connection) { return connection.query(sql); });
    });
}

ChosenFile FMain::chooseBackupFile(const QString& filter, FileDialogMode mode,
                                   const BackupCheck& check) {
    return prompts_->chooseBackupFile(filter, mode, check);
}

QString FMain::databaseNameText() const {
    return T_DbName->text();
}
void FMain::setDatabaseNameText(const QString& text) {
    T_DbName->setText(text);
}
QString FMain::dataFileText() const {
    return T_Mdf->toPlainText();
}
void FMain::setDataFileText(const QString& text) {
    T_Mdf->setPlainText(text);
}
QString FMain::logFileText() const {
    return T_Ldf->toPlainText();
}
void FMain::setLogFileText(const QString& text) {
    T_Ldf->setPlainText(text);
}

void FMain::clearEntries() {
    dbListEntries_->setStringList({});
    C_DbList->setCurrentIndex(-1);
}

void FMain::appendEntries(const QStringList& names) {
    dbListEntries_->setStringList(dbListEntries_->stringList() + names);
    // A combo box selects its first entry on its own; the operator must choose.
    C_DbList->setCurrentIndex(-1);
}
