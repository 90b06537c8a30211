#pragma once

#include <cstdint>
#include <string>

#include "devserver/engine/Reply.h"

// Every message the instance sends, with SQL Server's number, class and wording, in one
// place so that the statements read as behaviour and the texts can be checked together.
namespace devserver::messages {

using Text = std::u16string;

Message error(std::int32_t number, std::uint8_t severity, Text text);
Message info(std::int32_t number, Text text);

Message notModelled(const Text& firstWords);
Message syntaxNear(const Text& token);
Message syntaxNearKeyword(const Text& keyword);
Message unclosedQuote(const Text& rest);
Message missingEndComment();
Message identifierTooLong(const Text& start);
Message nestedTooDeeply();
Message nonBooleanCondition(const Text& near);
Message batchTooLong();
Message sessionKilled();

Message loginFailed(const Text& user);
Message untrustedDomain();
Message cannotOpenLoginDatabase(const Text& name);

Message databaseExists(const Text& name);
Message databaseMissing(const Text& name);  // 911
Message tooManyDatabases();
Message invalidObject(const Text& name);
Message invalidColumn(const Text& name);
Message procedureNotModelled(const Text& name);
Message wrongArgumentCount(const Text& procedure);

Message openFileFailed(const Text& path, int osError);
Message createDatabaseFailed();
Message fileAlreadyExists(const Text& path);
Message createFileFailed(const Text& path, int osError);
Message pathTooLong(const Text& path);
Message notPrimaryFile(const Text& path);
Message invalidFileHeader(const Text& path);
Message filesDoNotMatch();

Message detachInUse(const Text& name);
Message detachMissing(const Text& name);
Message detachSystem();
Message dropMissing(const Text& name);
Message dropInUse(const Text& name);
Message dropSystem(const Text& name);
Message exclusiveAccess();

Message backupDeviceFailed(const Text& path, int osError);
Message backupAbnormal();
Message restoreAbnormal();
Message fileListAbnormal();
Message otherDatabaseBackup(const Text& name);
Message fileInUseByDatabase(const Text& path, const Text& database);
Message cannotRestoreFile(const Text& logical, const Text& path);
Message restorePlanningProblems();
Message tailNotBackedUp(const Text& name);
Message notBackupMedia(const Text& path);
Message backupDataMalformed(const Text& path);
Message backupSetMissing(int setNumber, const Text& path);
Message logicalFileNotInBackup(const Text& logical, const Text& database);
Message fileWouldBeOverwritten(const Text& path);
Message pagesProcessed(std::int64_t pages, const Text& database, const Text& logical,
                       int setNumber);
Message backupDone(bool restore, std::int64_t pages, double seconds);

Message modifyFileUnknown(const Text& name);
Message logicalNameInUse(const Text& name);
Message fileNameSet(const Text& name);
Message dbccDone();
Message databaseContextChanged(const Text& name);

// The host's file system, as the file-listing views and procedures report it.
Message serverStateDenied();  // 300
Message notPermitted();       // 297
Message executeDenied(const Text& procedure);
Message parametersMissing(const Text& function);
Message folderUnreadable(const Text& searched, int osError);

Message killOwn();
Message killUnknown(std::int64_t spid);
Message killSystem();

Message conversionFailed(const Text& value);
Message arithmeticOverflow();
Message divideByZero();
Message variableAlreadyDeclared(const Text& name);
Message variableUndeclared(const Text& name);
Message cursorExists(const Text& name);
Message cursorMissing(const Text& name);
Message cursorAlreadyOpen();
Message cursorNotOpen();
Message cursorVariableCount();
Message nestingLimit();
Message tableExists(const Text& name);
Message columnCountMismatch();
Message truncated();
Message nullNotAllowed(const Text& column, const Text& table);

}  // namespace devserver::messages
