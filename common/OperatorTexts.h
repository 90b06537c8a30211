#pragma once

#include <QString>

// Every text the tool itself shows the operator, in one table for translators and reviewers:
// status texts, prompts, dialog filters and the descriptions of the tool's own errors. The
// window's captions stand beside their positions in app/FMainControls.cpp. The operator
// reads these texts exactly as they stand, so they change only together with the tests that
// hold the window against them.
namespace texts {

// Connection.
inline const QString kPleaseConnect = QStringLiteral("请连接数据库");
inline const QString kConnecting = QStringLiteral("正在连接数据库，请稍后！");
inline const QString kConnected = QStringLiteral("数据库连接成功");
inline const QString kDisconnected = QStringLiteral("断开成功");

// Selection check and the attach inputs.
inline const QString kSelectDatabase = QStringLiteral("请选择数据库");
inline const QString kSelectDataFile = QStringLiteral("请选择数据库文件");
inline const QString kSelectLogFile = QStringLiteral("请选择日志文件");
inline const QString kEnterDatabaseName = QStringLiteral("请输入数据库名");

// Outcomes of the operations.
inline const QString kDataFileChosen = QStringLiteral("数据库文件选择成功");
inline const QString kLogFileChosen = QStringLiteral("日志文件选择成功");
inline const QString kDatabaseExists = QStringLiteral("数据库已存在");
inline const QString kAttached = QStringLiteral("数据库符加成功");
inline const QString kDetached = QStringLiteral("数据库分离成功");
inline const QString kCleanedUp = QStringLiteral("清理数据库成功");
inline const QString kDropped = QStringLiteral("删除数据库成功");
inline const QString kBackedUp = QStringLiteral("备份数据库成功");
inline const QString kRestored = QStringLiteral("恢复数据库成功");

// The typed confirmation: each prompt ends with the phrase the operator must type.
inline const QString kConfirmationPhrase = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
inline const QString kDropPrompt = QStringLiteral("删除数据库，请输入：") + kConfirmationPhrase;
inline const QString kDropTitle = QStringLiteral("删除数据库验证");
inline const QString kRestorePrompt = QStringLiteral("还原数据库，请输入：") + kConfirmationPhrase;
inline const QString kRestoreTitle = QStringLiteral("还原数据库验证");
inline const QString kForcedRestorePrompt =
    QStringLiteral("强制还原数据库，请输入：") + kConfirmationPhrase;
inline const QString kForcedRestoreTitle = QStringLiteral("强制还原数据库验证");

// A database still in use after its sessions were ended: the question's title (the window's
// caption), the question with the sessions seen (%1 database, %2 how many, %3 each as
// host/program/login), and without them when the login may not see other sessions.
inline const QString kInUseTitle = QStringLiteral("附加数据库");
inline const QString kInUseQuestion = QStringLiteral(
    "数据库 %1 仍被 %2 个会话使用（%3）。强制断开它们（未提交的事务将回滚）并继续？");
inline const QString kInUseUnseenQuestion = QStringLiteral(
    "数据库 %1 仍被其他会话使用（当前登录无权查看这些会话）。"
    "强制断开它们（未提交的事务将回滚）并继续？");
inline const QString kInUseSession = QStringLiteral("%1 / %2 / %3");
inline const QString kInUseSessionSeparator = QStringLiteral("；");

// The file dialog: description, bar, pattern; and what its cancel raises.
inline const QString kDataFileFilter = QStringLiteral("数据库文件(*.mdf)|*.mdf");
inline const QString kLogFileFilter = QStringLiteral("日志文件(*.ldf)|*.ldf");
inline const QString kBackupFileFilter = QStringLiteral("备份文件(*.bak)|*.bak");
inline const QString kFileDialogCancelled = QStringLiteral("已取消选择文件");

// The server file dialog: its titles, the line saying whose files it shows, and the one
// line that says why a folder shows nothing (%1 the folder, %2 or %1 the server's reason).
inline const QString kServerFilesOpenTitle = QStringLiteral("打开服务器上的文件");
inline const QString kServerFilesSaveTitle = QStringLiteral("保存到服务器上的文件");
inline const QString kServerFilesWhose =
    QStringLiteral("这里列出的是数据库服务器上的文件，不是本机的文件：文件由服务器打开和写入。");
inline const QString kServerFilesNameHint =
    QStringLiteral("文件名，或服务器上的完整路径，如 D:\\data\\Shop.bak");
inline const QString kServerDrives = QStringLiteral("服务器上的驱动器");
inline const QString kServerDriveFree = QStringLiteral("可用 %1 MB");
inline const QString kServerFolderReading = QStringLiteral("正在读取服务器上的文件夹……");
inline const QString kServerFilesUnlisted =
    QStringLiteral("无法浏览服务器上的文件：%1 仍可输入服务器上的完整路径。");
inline const QString kServerFolderUnlisted = QStringLiteral("服务器无法列出“%1”：%2");
inline const QString kServerFilesLinkLost =
    QStringLiteral("与数据库服务器的浏览连接已断开：%1 仍可输入服务器上的完整路径。");
// The headings of the dialog's file list.
inline const QString kServerFileName = QStringLiteral("名称");
inline const QString kServerFileSize = QStringLiteral("大小");
inline const QString kServerFileModified = QStringLiteral("修改日期");
// The dialog's own labels and buttons.
inline const QString kServerFolderLabel = QStringLiteral("服务器上的位置：");
inline const QString kServerFileNameLabel = QStringLiteral("服务器上的文件名：");
inline const QString kServerFileTypeLabel = QStringLiteral("文件类型：");
inline const QString kServerFolderUp = QStringLiteral("向上");
inline const QString kServerFolderUpTip = QStringLiteral("上一级文件夹");
inline const QString kServerFileSave = QStringLiteral("保存");
inline const QString kServerFileOpen = QStringLiteral("打开");
inline const QString kServerFileCancel = QStringLiteral("取消");

// The server file dialog's look inside a backup file: the preview pane of a restore, its
// warnings (one line each), and the question before a backup overwrites a file.
inline const QString kBackupPreviewTitle = QStringLiteral("备份文件内容");
inline const QString kBackupPreviewHint = QStringLiteral("选中一个备份文件，这里显示其中的内容。");
inline const QString kBackupPreviewReading = QStringLiteral("正在读取备份文件……");
inline const QString kBackupPreviewUnreadable = QStringLiteral("服务器无法读取该备份文件：%1");
inline const QString kBackupDatabase = QStringLiteral("数据库：%1");
inline const QString kBackupType = QStringLiteral("备份类型：%1");
inline const QString kBackupTypeFull = QStringLiteral("完整备份");
inline const QString kBackupTypeDifferential = QStringLiteral("差异备份");
inline const QString kBackupTypeLog = QStringLiteral("事务日志备份");
inline const QString kBackupTypeOther = QStringLiteral("其他（类型 %1）");
inline const QString kBackupServer = QStringLiteral("服务器：%1");
inline const QString kBackupStarted = QStringLiteral("开始时间：%1");
inline const QString kBackupFinished = QStringLiteral("完成时间：%1");
inline const QString kBackupSize = QStringLiteral("大小：%1 MB");
inline const QString kBackupRecovery = QStringLiteral("恢复模式：%1");
inline const QString kBackupSetCount = QStringLiteral("备份集：文件中有 %1 个，恢复使用第 1 个");
inline const QString kBackupFiles = QStringLiteral("文件（逻辑名 → 物理文件）：");
inline const QString kBackupFileLine = QStringLiteral("  %1 → %2");
inline const QString kWarnOtherDatabase =
    QStringLiteral("注意：这是数据库 %1 的备份，不是所选的 %2。");
inline const QString kWarnNotFull = QStringLiteral("注意：这不是完整备份，不能单独用来恢复。");
inline const QString kWarnNewerVersion = QStringLiteral(
    "注意：备份来自更新版本的服务器（%1 版），本服务器为 %2 版，恢复会失败（错误 3169）。");
inline const QString kWarnForcedRestoreFiles =
    QStringLiteral("注意：备份中有 %1 个文件，强制恢复需要 2 个，将被拒绝。");
inline const QString kOverwriteTitle = QStringLiteral("替换备份文件");
inline const QString kOverwriteQuestion = QStringLiteral(
    "服务器上已有文件“%1”。\n备份以 WITH FORMAT 写入，会替换整个文件，其中现有的备份将全部丢失：\n"
    "%2\n\n要替换它吗？");
inline const QString kOverwriteSetLine = QStringLiteral("· 数据库 %1，%2");
inline const QString kYes = QStringLiteral("是(&Y)");
inline const QString kNo = QStringLiteral("否(&N)");
inline const QString kOverwriteNoSets = QStringLiteral("（服务器读不出其中的备份：%1）");

// The tool's own failures (%1, %2: the values named).
inline const QString kNoFullStopInDataFileName =
    QStringLiteral("数据文件名中没有“.”，无法推出数据库名");
inline const QString kForcedRestoreTargetFiles =
    QStringLiteral("目标数据库有 %1 个文件，强制恢复需要 2 个，未做任何更改");
inline const QString kForcedRestoreBackupFiles =
    QStringLiteral("备份文件中有 %1 个文件，强制恢复需要 2 个，未做任何更改");

// The progress area beside the status panel while the server works: the time elapsed, and
// when the server reports them its percent complete and the time left (times as 0:07, 12:30
// or 1:02:03).
inline const QString kWaitingElapsed = QStringLiteral("执行中，已用 %1");
inline const QString kServerProgress = QStringLiteral("完成 %1%，剩余 %2，已用 %3");
inline const QString kCloseRefused = QStringLiteral("操作进行中，请等待完成");
// Cancel: the button, the question (%1 what cancelling this call means), what a close asks,
// and what the progress area says meanwhile.
inline const QString kCancel = QStringLiteral("取消");
inline const QString kCancelTitle = QStringLiteral("附加数据库");
inline const QString kCancelConnectQuestion =
    QStringLiteral("取消连接？正在进行的连接尝试将停止。");
inline const QString kCancelBackUpQuestion =
    QStringLiteral("取消备份？服务器将停止备份，备份文件可能不存在或不完整。");
inline const QString kCancelRestoreQuestion = QStringLiteral(
    "取消恢复？服务器将停止恢复，数据库可能处于 RESTORING 状态而无法使用，直到再次恢复完成。");
inline const QString kCancelCleanUpQuestion =
    QStringLiteral("取消清理？服务器将停止收缩数据库，恢复模式可能停留在 SIMPLE。");
inline const QString kCancelStatementQuestion =
    QStringLiteral("取消该操作？服务器将停止正在执行的语句。");
inline const QString kCloseQuestion = QStringLiteral("操作进行中。取消该操作并关闭窗口？");
inline const QString kCancelling = QStringLiteral("正在取消，等待服务器确认……");
inline const QString kOperationVanished = QStringLiteral("服务器上已看不到该操作，连接可能已中断");

// What a cancel left, read back from the server (%1 the database or the backup file, %2
// the state or recovery model the server shows).
inline const QString kConnectCancelled = QStringLiteral("连接已取消");
inline const QString kStatementCancelled = QStringLiteral("操作已取消，服务器已停止执行");
inline const QString kRestoreCancelledRestoring =
    QStringLiteral("恢复已取消，数据库 %1 处于 %2 状态，需要重新恢复后才能使用");
inline const QString kRestoreCancelledState =
    QStringLiteral("恢复已取消，数据库 %1 现在处于 %2 状态");
inline const QString kRestoreCancelledGone = QStringLiteral("恢复已取消，服务器上没有数据库 %1");
inline const QString kRestoreCancelledUnchecked =
    QStringLiteral("恢复已取消，无法查明数据库 %1 现在的状态");
inline const QString kBackUpCancelledFileExists =
    QStringLiteral("备份已取消，服务器上存在备份文件 %1，但它可能不完整");
inline const QString kBackUpCancelledNoFile = QStringLiteral("备份已取消，服务器上没有备份文件 %1");
inline const QString kBackUpCancelledUnchecked =
    QStringLiteral("备份已取消，无法查明服务器上是否有备份文件 %1");
inline const QString kCleanUpCancelledRecovery =
    QStringLiteral("清理已取消，数据库 %1 现在的恢复模式为 %2");
inline const QString kCleanUpCancelledGone = QStringLiteral("清理已取消，服务器上没有数据库 %1");
inline const QString kCleanUpCancelledUnchecked =
    QStringLiteral("清理已取消，无法查明数据库 %1 现在的恢复模式");
// The server never acknowledged the cancel: the link is given up.
inline const QString kCancelUnacknowledged =
    QStringLiteral("服务器在 30 秒内没有确认取消，连接视为已中断并已关闭，请重新连接");
// The helper connection asked for before the tool's own session logged in.
inline const QString kNoLoginYet = QStringLiteral("尚未连接数据库");

// The access layer's own failures.
inline const QString kNotOpen = QStringLiteral("数据库连接未打开");
// %1 the driver, %2 its package, %3 the install command, %4 the registration command.
inline const QString kMissingDriver =
    QStringLiteral("缺少 ODBC 驱动 %1：请安装 %2 软件包（%3），再向 unixODBC 注册该驱动（%4）");
inline const QString kLinkLost = QStringLiteral("与数据库服务器的连接已断开");
inline const QString kAlreadyOpen = QStringLiteral("数据库连接已经打开");
// %1 the login time-out in seconds.
inline const QString kLoginTimedOut = QStringLiteral("连接超时：服务器在 %1 秒内没有应答");
// A server that offers no encryption in its PRELOGIN answer.
inline const QString kServerCannotEncrypt =
    QStringLiteral("连接被拒绝：服务器不支持加密连接，未发送登录信息");
// The driver refused the TLS handshake and the server, asked again, shows no cause; and for a
// section of the operator's own freetds.conf, whose CA file the tool does not know, the
// driver reports a server without encryption, a failed handshake and a certificate that the
// CA file does not vouch for alike.
inline const QString kHandshakeRefused = QStringLiteral("连接被拒绝：加密握手失败，未发送登录信息");
inline const QString kEncryptionOrCertificateRefused =
    QStringLiteral("连接被拒绝：服务器不支持加密连接，或加密握手失败（如证书未通过验证）");
// The certificate checks, each refused before the login is sent. %1 is the server as typed.
inline const QString kCertificateUntrusted = QStringLiteral(
    "连接被拒绝：服务器“%1”的证书不是受信任的证书颁发机构签发的（颁发者 %2），未发送登录信息");
inline const QString kCertificateOtherName =
    QStringLiteral("连接被拒绝：服务器证书不是颁发给“%1”的（证书上的名称：%2），未发送登录信息");
// %2 the validity, kCertificateValidity.
inline const QString kCertificateExpired =
    QStringLiteral("连接被拒绝：服务器“%1”的证书已过期或尚未生效（有效期 %2），未发送登录信息");
// %2 the pinned SHA-256 fingerprint, %3 the presented one.
inline const QString kCertificateChanged = QStringLiteral(
    "连接被拒绝：服务器“%1”的证书与已信任的不同，可能有人冒充该服务器，未发送登录信息。"
    "已信任 SHA-256 %2；现为 SHA-256 %3");
inline const QString kCertificateIsAuthority = QStringLiteral(
    "连接被拒绝：服务器“%1”出示的是证书颁发机构的证书（%2），不能作为服务器证书信任");
inline const QString kCertificateValidity = QStringLiteral("%1 至 %2");
inline const QString kCertificateUnreadable = QStringLiteral("服务器证书无法解析");
inline const QString kProbeUnanswered = QStringLiteral("服务器“%1”没有按 SQL Server 的方式应答");
// The tool's own FreeTDS file and its pins. %1 the setting, %2 its value.
inline const QString kFreeTdsValueNotCarried =
    QStringLiteral("%1 的值“%2”含有 FreeTDS 配置文件无法保存的字符（#、; 或连续的空白）");
inline const QString kFreeTdsLineTooLong =
    QStringLiteral("%1 的值“%2”太长，FreeTDS 配置文件的一行最多 255 字节");
inline const QString kServerHostUnresolved = QStringLiteral("无法解析服务器名“%1”");
inline const QString kServerPortInvalid =
    QStringLiteral("服务器“%1”的端口不是 1 到 65535 之间的数字");
inline const QString kServerNameMissing = QStringLiteral("请输入服务器地址");
// %1 the file, %2 the system's reason.
inline const QString kFreeTdsFileNotWritten = QStringLiteral("无法写入 FreeTDS 配置文件 %1：%2");
inline const QString kPinNotWritten = QStringLiteral("无法保存服务器证书 %1：%2");

// The server certificate dialog.
inline const QString kCertificateTitle = QStringLiteral("服务器证书");
inline const QString kCertificateTrust = QStringLiteral("信任(&T)");
inline const QString kCertificateCancel = QStringLiteral("取消");
inline const QString kCertificateUnknownIssuer = QStringLiteral(
    "服务器“%1”出示的证书不是受信任的证书颁发机构签发的。请与服务器管理员核对下面的指纹，"
    "一致时再点“信任”：此后只接受这一张证书。");
inline const QString kCertificateNamesOther = QStringLiteral(
    "服务器“%1”出示的证书不是颁发给这个名称的。请与服务器管理员核对下面的指纹，"
    "一致时再点“信任”：此后只接受这一张证书。");
inline const QString kCertificateChangedWarning = QStringLiteral(
    "警告：服务器“%1”出示的证书与已信任的不同。除非服务器管理员确认更换了证书，"
    "否则可能有人冒充该服务器，请点“取消”。");
inline const QString kCertificateDropPin = QStringLiteral(
    "新证书由受信任的证书颁发机构签发，且名称相符：点“信任”将删除已固定的证书，"
    "此后按系统证书检查。");
inline const QString kCertificateServer = QStringLiteral("服务器");
inline const QString kCertificateSubject = QStringLiteral("使用者");
inline const QString kCertificateAlternativeNames = QStringLiteral("备用名称");
inline const QString kCertificateIssuer = QStringLiteral("颁发者");
inline const QString kCertificateValidFor = QStringLiteral("有效期");
inline const QString kCertificateSha256 = QStringLiteral("SHA-256 指纹");
inline const QString kCertificateSha1 = QStringLiteral("SHA-1 指纹");
inline const QString kCertificatePinnedSha256 = QStringLiteral("已信任的 SHA-256 指纹");
inline const QString kCertificateNoAlternativeNames = QStringLiteral("（无）");
inline const QString kSelfSignedFallback = QStringLiteral(
    "这是 SQL Server 在没有安装证书时自动生成的证书（SSL_Self_Signed_Fallback），"
    "服务每次重启都会换一张新的，届时需要再次确认。请在服务器上安装正式的证书。");
// For a Windows login the driver reports a Kerberos failure on this side (no ticket, an
// expired one, the KDC out of reach, no such service principal) in the same words.
inline const QString kWindowsLoginOrEncryptionRefused = QStringLiteral(
    "连接被拒绝：Windows 身份验证未能完成（没有 Kerberos 票据或票据已过期、KDC 无法访问、"
    "服务器的服务主体名称 MSSQLSvc/主机:端口 不存在），或服务器不支持加密连接、加密握手失败");
inline const QString kOdbcUnavailable = QStringLiteral("无法初始化 ODBC 环境");
inline const QString kDriverGaveNoReason = QStringLiteral("数据库访问失败，驱动没有给出原因");
inline const QString kNoSuchRow = QStringLiteral("结果集中没有第 %1 行第 %2 列");
inline const QString kNoSuchColumn = QStringLiteral("结果集中没有列 %1");
inline const QString kConnectionStringQuoteUnclosed = QStringLiteral("连接字符串中的引号没有结束");
inline const QString kConnectionStringNoSemicolon = QStringLiteral("连接字符串的引号后面缺少分号");
inline const QString kConnectionStringMalformed = QStringLiteral("连接字符串格式错误：%1");
inline const QString kOdbcValueNotCarried = QStringLiteral("%1 中含有 \"};\"，ODBC 驱动无法传递");

// The command line: what --help says, and why the window cannot open.
inline const QString kWhatItDoes = QStringLiteral(
    "附加、分离、清理、删除、备份和恢复 SQL Server 实例上的数据库（图形界面，需要 X11 或 "
    "Wayland 显示）。");
inline const QString kNoDisplay = QStringLiteral(
    "dbtool：没有可用的图形显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置），无法打开窗口。");
inline const QString kHelpOption = QStringLiteral("显示本帮助并退出。");
inline const QString kVersionOption = QStringLiteral("显示版本并退出。");
inline const QString kProgramSays = QStringLiteral("dbtool：");
inline const QString kExtraArguments = QStringLiteral("多余的参数：");
inline const QString kSeeHelp = QStringLiteral("（dbtool --help 列出全部选项）");

}  // namespace texts
