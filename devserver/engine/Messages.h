#pragma once

#include <cstdint>
#include <string>

#include "devserver/engine/Reply.h"

// Every message the development server sends, the protocol layer's included, with SQL
// Server's number, class and wording, in one place so that the statements read as
// behaviour and the texts can be checked together.
namespace devserver::messages {

using Text = std::u16string;

Message error(std::int32_t number, std::uint8_t severity, Text text);
Message info(std::int32_t number, Text text);

Message notModelled(const Text& firstWords);
Message procedureNotModelled(const Text& name);
Message functionNotModelled(const Text& name);
Message conversionNotModelled(const Text& type);
Message syntaxNear(const Text& token);
Message syntaxNearKeyword(const Text& keyword);
Message unclosedQuote(const Text& rest);
Message missingEndComment();
Message identifierTooLong(const Text& start);
Message nestedTooDeeply();
Message nonBooleanCondition(const Text& near);
Message batchTooLong();
Message sessionKilled();
Message severeError();
Message batchFailed(const Text& reason);
Message requestNotServed(const Text& requestKind);
Message callFailed(const Text& reason);
Message parameterTypeNotModelled(const Text& typeName);
Message encryptionRequired();
Message printed(const Text& text);

Message loginFailed(const Text& user);
Message untrustedDomain();
Message cannotOpenLoginDatabase(const Text& name);
Message tooManyConnections();
Message loginDatabaseContext(const Text& name);
Message languageChanged(const Text& language);

Message databaseExists(const Text& name);
// 927: a database left RESTORING by a restore that did not complete.
Message inMiddleOfRestore(const Text& name);
Message databaseMissing(const Text& name);  // 911
Message tooManyDatabases();
Message invalidObject(const Text& name);
Message invalidColumn(const Text& name);
Message emptyName();
Message emptyRestoreName();
Message databaseInaccessible(const Text& name);
Message catalogueNotWritten();
Message wrongArgumentCount(const Text& procedure);
Message parameterNotSupplied(const Text& procedure, const Text& parameter);
Message procedureNotFound(const Text& name);
Message parameterNotUnicodeText(const Text& parameter);
Message notAParameter(const Text& name, const Text& procedure);
Message queryParameterNotSupplied(const Text& query, const Text& parameter);

Message openFileFailed(const Text& path, int osError);
Message createDatabaseFailed();
Message fileAlreadyExists(const Text& path);
Message createFileFailed(const Text& path, int osError);
Message pathTooLong(const Text& path);
Message notPrimaryFile(const Text& path);
Message invalidFileHeader(const Text& path);
Message filesDoNotMatch();
Message fileClaimedTwice(const Text& path, const Text& firstLogical, int firstId,
                         const Text& secondLogical, int secondId);

Message detachInUse(const Text& name);
Message detachMissing(const Text& name);
Message detachSystem();
Message dropMissing(const Text& name);
Message dropInUse(const Text& name);
Message dropSystem(const Text& name);
Message exclusiveAccess();

Message alterNotPermitted(const Text& name);
Message alterFailed();
Message recoveryOnTempdb();
Message shrinkDatabaseMissing(const Text& name);

Message backupDeviceFailed(const Text& path, int osError);
Message backupAborted();
Message backupAbnormal();
Message logBackupAbnormal();
Message logBackupInSimpleRecovery();
Message noCurrentDatabaseBackup();
// Restoring a log or differential backup onto a database that is not restoring.
Message nothingToRollForward();
Message tempdbBackup();
Message restoreAbnormal();
Message fileListAbnormal();
Message headerListAbnormal();
// A backup from a newer release than the server's (versions as "16.00.1000").
Message backupFromNewerVersion(const Text& backupVersion, const Text& serverVersion);
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
Message logBackupDone(std::int64_t pages, double seconds);

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
Message killDenied();  // 6102

// Collations and single-user mode.
Message invalidCollation(const Text& name);
Message singleUserInUse(const Text& name);     // 924
Message stateChangeInUse(const Text& name);    // 5070
Message singleUserOccupied(const Text& name);  // 5064
Message optionOnSystemDatabase(const Text& option, const Text& name);
Message rollingBack();

Message conversionFailed(const Text& value);
Message booleanAsValue();
Message functionArgumentCount(const Text& function, std::int64_t arguments);
Message nullWhereTextNeeded();
Message selectWithoutTable();
Message orderPositionOutOfRange(std::int64_t position);
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
Message schemaMissing(const Text& schema);
Message duplicateColumn(const Text& column, const Text& table);
Message dropTableMissing(const Text& name);
Message columnSizeTooLarge(std::int64_t size, const Text& column);
Message columnAssignedTwice(const Text& column);
Message columnCountMismatch();
Message truncated();
Message nullNotAllowed(const Text& column, const Text& table);

}  // namespace devserver::messages
