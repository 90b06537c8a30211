#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// A file of the database, as its file table lists it; names exactly as the server gives them
// (a fixed-width FILENAME keeps its trailing blanks).
struct DatabaseFile {
    QString logicalName;
    QString physicalName;
};

// The database's files in file-number order, at most the first two.
QList<DatabaseFile> readTargetFiles(Connection& conn, const QString& databaseName);

// The logical names recorded in the backup, in the server's order.
QStringList readBackupLogicalNames(Connection& conn, const QString& backupPath);

// Whether a file called `current` already has `wanted` as its logical name, compared as the
// server compares names: case-insensitive, trailing blanks ignored.
bool isSameLogicalName(const QString& current, const QString& wanted);
