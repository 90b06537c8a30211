#pragma once

#include <QString>

// Filters of the file dialog: description, bar, pattern.
inline const QString kDataFileFilter = QStringLiteral("数据库文件(*.mdf)|*.mdf");
inline const QString kLogFileFilter = QStringLiteral("日志文件(*.ldf)|*.ldf");
inline const QString kBackupFileFilter = QStringLiteral("备份文件(*.bak)|*.bak");

// The description of the error the file dialog raises when the operator cancels it.
inline const QString kFileDialogCancelled = QStringLiteral("已取消选择文件");
