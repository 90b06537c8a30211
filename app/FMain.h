#pragma once

#include <QWidget>
#include <memory>

#include "Prompts.h"
#include "operations/ConnectionHandlers.h"
#include "operations/ConnectionSlot.h"
#include "operations/DbList.h"
#include "operations/HelperConnection.h"
#include "operations/OperationHost.h"

class BusyController;
class CallCancelled;
class CallRunner;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QStringListModel;

// The one window. It builds the controls where the layout puts them and forwards each
// click to its handler; the handlers themselves live in operations/. It owns Conn, made by
// the factory its creator chooses.
class FMain : public QWidget, public ConnectionPanel, public OperationHost, public DbListView {
    Q_OBJECT

  public:
    // Tests pass a fake connection factory and scripted prompts. The helper connection is
    // made by the same factory as Conn.
    explicit FMain(ConnectionSlot::Factory connectionFactory, std::unique_ptr<Prompts> prompts = {},
                   QWidget* parent = nullptr);
    ~FMain() override;

    // ConnectionPanel
    QString userText() const override;
    QString passwordText() const override;
    QString serverText() const override;
    int loginStyleIndex() const override;
    void setUserEnabled(bool enabled) override;
    void setPasswordEnabled(bool enabled) override;
    void setLoginStyleEnabled(bool enabled) override;
    void setConnectEnabled(bool enabled) override;
    void setDisconnectEnabled(bool enabled) override;
    void setAttachFrameEnabled(bool enabled) override;
    void setOperationsFrameEnabled(bool enabled) override;
    void showStatus(const QString& text) override;
    bool confirmCertificate(const UntrustedCertificate& refusal) override;
    int connectionState() const override { return conn_.state(); }
    void releaseConnection() override { conn_.release(); }
    void shareLogin(const QString& connectionString) override;
    void withdrawLogin() override;

    // ConnectionPanel and OperationHost
    DbListView& databaseList() override { return *this; }
    Connection& connection() override { return conn_.get(); }

    // OperationHost
    void setCallPurpose(const std::optional<CallPurpose>& purpose) override { purpose_ = purpose; }
    int selectedDatabaseIndex() const override;
    QString selectedDatabaseText() const override;
    QString askTypedConfirmation(const QString& prompt, const QString& title) override;
    ChosenFile chooseFile(const QString& filter, FileDialogMode mode) override;
    bool askYesNo(const QString& title, const QString& question) override;
    ResultSet helperQuery(const QString& sql) override;
    ChosenFile chooseBackupFile(const QString& filter, FileDialogMode mode,
                                const BackupCheck& check) override;
    QString databaseNameText() const override;
    void setDatabaseNameText(const QString& text) override;
    QString dataFileText() const override;
    void setDataFileText(const QString& text) override;
    QString logFileText() const override;
    void setLogFileText(const QString& text) override;

    // DbListView
    void clearEntries() override;
    void appendEntries(const QStringList& names) override;

    QString statusText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void wireHandlers();
    void onLoad();
    // Runs a click handler inside the error path.
    void guarded(const std::function<void()>& handler);
    // Runs a handler unless a call is running: handlers never overlap. A close the
    // operator asked for during the handler follows it.
    void unlessBusy(const std::function<void()>& handler);
    // The status line after a cancel: what the server shows now.
    QString whatTheCancelLeft(const CallCancelled& cancelled);

    // Declared before conn_, whose connection uses them. The helper connection is shared
    // with the jobs that read the server's files, which may outlive a dialog.
    std::shared_ptr<HelperConnection> helper_;
    std::unique_ptr<BusyController> busy_;
    std::unique_ptr<CallRunner> runner_;
    std::optional<CallPurpose> purpose_;
    ConnectionSlot conn_;
    std::unique_ptr<Prompts> prompts_;
    bool closeAfterCall_ = false;

    QLabel* L_Ip = nullptr;
    QLineEdit* T_Ip = nullptr;
    QLabel* L_User = nullptr;
    QLineEdit* T_User = nullptr;
    QLabel* L_Pwd = nullptr;
    QLineEdit* T_Pwd = nullptr;
    QPushButton* C_Link = nullptr;
    QPushButton* C_UnLink = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* statusPanel_ = nullptr;
    QGroupBox* F_A = nullptr;
    QLabel* L_Mdf = nullptr;
    QPlainTextEdit* T_Mdf = nullptr;
    QLabel* L_Ldf = nullptr;
    QPlainTextEdit* T_Ldf = nullptr;
    QPushButton* C_Add = nullptr;
    QPushButton* C_FMdf = nullptr;
    QPushButton* C_FLdf = nullptr;
    QLabel* L_DbName = nullptr;
    QLineEdit* T_DbName = nullptr;
    QComboBox* C_LoginStyle = nullptr;
    QGroupBox* F_B = nullptr;
    QComboBox* C_DbList = nullptr;
    QStringListModel* dbListEntries_ = nullptr;
    QLabel* L_DbList = nullptr;
    QPushButton* C_Clear = nullptr;
    QPushButton* c_Shrink = nullptr;
    QPushButton* c_DropDatabase = nullptr;
    QPushButton* c_BackUp = nullptr;
    QPushButton* c_Restore = nullptr;
    QPushButton* c_Restore_B = nullptr;
};
