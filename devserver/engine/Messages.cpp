#include "devserver/engine/Messages.h"

#include <cstdio>

#include "devserver/engine/Text.h"

namespace devserver::messages {

namespace {

Text osErrorText(int osError) {
    switch (osError) {
        case 2:
            return u"2(The system cannot find the file specified.)";
        case 3:
            return u"3(The system cannot find the path specified.)";
        case 5:
            return u"5(Access is denied.)";
        case 32:
            return u"32(The process cannot access the file because it is being used by another "
                   u"process.)";
        default:
            return text::number(osError) + u"(Unknown error.)";
    }
}

Text quotedTail(const Text& rest) {
    return rest.size() > 128 ? rest.substr(0, 128) : rest;
}

// The number SQL Server leaves to user-defined messages: the instance's own errors about
// what it does not model cannot be mistaken for SQL Server's.
constexpr std::int32_t kDevServerError = 50000;
const Text kNotModelled = u"The development server does not model ";

}  // namespace

Message error(std::int32_t number, std::uint8_t severity, Text text) {
    return Message{number, 1, severity, std::move(text)};
}

Message info(std::int32_t number, Text text) {
    return Message{number, 1, 0, std::move(text)};
}

Message notModelled(const Text& firstWords) {
    return error(kDevServerError, 16, kNotModelled + u"this statement: " + firstWords);
}
Message procedureNotModelled(const Text& name) {
    return error(kDevServerError, 16, kNotModelled + u"the stored procedure '" + name + u"'.");
}
Message functionNotModelled(const Text& name) {
    return error(kDevServerError, 16, kNotModelled + u"the function '" + name + u"'.");
}
Message conversionNotModelled(const Text& type) {
    return error(kDevServerError, 16, kNotModelled + u"CONVERT to '" + type + u"'.");
}
Message syntaxNear(const Text& token) {
    return error(102, 15, u"Incorrect syntax near '" + quotedTail(token) + u"'.");
}
Message syntaxNearKeyword(const Text& keyword) {
    return error(156, 15, u"Incorrect syntax near the keyword '" + keyword + u"'.");
}
Message unclosedQuote(const Text& rest) {
    return error(
        105, 15,
        u"Unclosed quotation mark after the character string '" + quotedTail(rest) + u"'.");
}
Message missingEndComment() {
    return error(113, 15, u"Missing end comment mark '*/'.");
}
Message identifierTooLong(const Text& start) {
    return error(103, 15,
                 u"The identifier that starts with '" + quotedTail(start) +
                     u"' is too long. Maximum length is 128.");
}
Message nestedTooDeeply() {
    return error(191, 15,
                 u"Some part of your SQL statement is nested too deeply. Rewrite the query or "
                 u"break it up into smaller queries.");
}
Message nonBooleanCondition(const Text& near) {
    return error(4145, 15,
                 u"An expression of non-boolean type specified in a context where a condition is "
                 u"expected, near '" +
                     near + u"'.");
}
Message batchTooLong() {
    return error(kDevServerError, 16,
                 u"The development server stops a batch after it has run 100000 statements.");
}
Message sessionKilled() {
    return error(596, 21,
                 u"Cannot continue the execution because the session is in the kill state.");
}
Message batchFailed(const Text& reason) {
    return error(kDevServerError, 16, u"The development server failed on this batch: " + reason);
}
Message callFailed(const Text& reason) {
    return error(kDevServerError, 16, u"The development server failed on this call: " + reason);
}
Message requestNotServed(const Text& requestKind) {
    return error(kDevServerError, 16,
                 u"The development server models only SQL batches and remote procedure calls; it "
                 u"does not serve " +
                     requestKind + u".");
}
Message parameterTypeNotModelled(const Text& typeName) {
    return error(kDevServerError, 16,
                 kNotModelled + u"parameters of type " + typeName +
                     u"; it takes the integer types, nvarchar, nchar, ntext, varchar, char and "
                     u"text.");
}
Message encryptionRequired() {
    // Ends the connection, as a refused login does.
    return error(kDevServerError, 20,
                 u"The server requires encryption; a login sent in clear is refused.");
}
Message printed(const Text& text) {
    return info(0, text);
}

Message loginFailed(const Text& user) {
    return error(18456, 14, u"Login failed for user '" + user + u"'.");
}
Message untrustedDomain() {
    return error(18452, 14,
                 u"Login failed. The login is from an untrusted domain and cannot be used with "
                 u"Integrated authentication.");
}
Message cannotOpenLoginDatabase(const Text& name) {
    return error(
        4060, 11,
        u"Cannot open database \"" + name + u"\" requested by the login. The login failed.");
}
Message tooManyConnections() {
    return error(17809, 20,
                 u"Could not connect because the maximum number of user connections has already "
                 u"been reached.");
}
Message loginDatabaseContext(const Text& name) {
    Message changed = databaseContextChanged(name);
    changed.state = 2;
    return changed;
}
Message languageChanged(const Text& language) {
    return info(5703, u"Changed language setting to " + language + u".");
}

Message databaseExists(const Text& name) {
    return error(1801, 16,
                 u"Database '" + name + u"' already exists. Choose a different database name.");
}
Message databaseMissing(const Text& name) {
    return error(
        911, 16,
        u"Database '" + name + u"' does not exist. Make sure that the name is entered correctly.");
}
Message inMiddleOfRestore(const Text& name) {
    return error(927, 14,
                 u"Database '" + name + u"' cannot be opened. It is in the middle of a restore.");
}
Message tooManyDatabases() {
    return error(1835, 16,
                 u"Unable to create/attach any new database because the number of existing "
                 u"databases has reached the maximum number allowed: 32767.");
}
Message invalidObject(const Text& name) {
    return error(208, 16, u"Invalid object name '" + name + u"'.");
}
Message invalidColumn(const Text& name) {
    return error(207, 16, u"Invalid column name '" + name + u"'.");
}
Message emptyName() {
    return error(
        1038, 15,
        u"An object or column name is missing or empty. For SELECT INTO statements, verify "
        u"each column has a name. For other statements, look for empty alias names. Aliases "
        u"defined as \"\" or [] are not allowed. Change the alias to a valid name.");
}
Message emptyRestoreName() {
    return error(1038, 15, u"An object or column name is missing or empty.");
}
Message databaseInaccessible(const Text& name) {
    return error(
        945, 14,
        u"Database '" + name +
            u"' cannot be opened due to inaccessible files or insufficient memory or disk space. "
            u" See the SQL Server errorlog for details.");
}
Message catalogueNotWritten() {
    return error(kDevServerError, 16,
                 u"The development server could not write its catalogue in the data folder.");
}
Message wrongArgumentCount(const Text& procedure) {
    return error(8144, 16,
                 u"Procedure or function " + procedure + u" has too many arguments specified.");
}
Message procedureNotFound(const Text& name) {
    return error(2812, 16, u"Could not find stored procedure '" + name + u"'.");
}
Message parameterNotSupplied(const Text& procedure, const Text& parameter) {
    return error(201, 16,
                 u"Procedure or function '" + procedure + u"' expects parameter '" + parameter +
                     u"', which was not supplied.");
}
Message parameterNotUnicodeText(const Text& parameter) {
    return error(
        214, 16,
        u"Procedure expects parameter '" + parameter + u"' of type 'ntext/nchar/nvarchar'.");
}
Message notAParameter(const Text& name, const Text& procedure) {
    return error(8145, 16, name + u" is not a parameter for procedure " + procedure + u".");
}
Message queryParameterNotSupplied(const Text& query, const Text& parameter) {
    return error(8178, 16,
                 u"The parameterized query '" + query + u"' expects the parameter '" + parameter +
                     u"', which was not supplied.");
}

Message openFileFailed(const Text& path, int osError) {
    return error(5120, 16,
                 u"Unable to open the physical file \"" + path + u"\". Operating system error " +
                     text::number(osError) + u": \"" + osErrorText(osError) + u"\".");
}
Message createDatabaseFailed() {
    return error(1802, 16,
                 u"CREATE DATABASE failed. Some file names listed could not be created. Check "
                 u"related errors.");
}
Message fileAlreadyExists(const Text& path) {
    return error(5170, 16,
                 u"Cannot create file '" + path +
                     u"' because it already exists. Change the file path or the file name, and "
                     u"retry the operation.");
}
Message createFileFailed(const Text& path, int osError) {
    return error(5123, 16,
                 u"CREATE FILE encountered operating system error " + osErrorText(osError) +
                     u" while attempting to open or create the physical file '" + path + u"'.");
}
Message pathTooLong(const Text& path) {
    return error(5133, 16,
                 u"Directory lookup for the file \"" + path +
                     u"\" failed with the operating system error 206(The filename or extension "
                     u"is too long.).");
}
Message notPrimaryFile(const Text& path) {
    return error(5171, 16, path + u" is not a primary database file.");
}
Message invalidFileHeader(const Text& path) {
    return error(5172, 16,
                 u"The header for file '" + path +
                     u"' is not a valid database file header. The FILE SIZE property is "
                     u"incorrect.");
}
Message filesDoNotMatch() {
    return error(5173, 16,
                 u"One or more files do not match the primary file of the database. If you are "
                 u"attempting to attach a database, retry the operation with the correct files.");
}
Message fileClaimedTwice(const Text& path, const Text& firstLogical, int firstId,
                         const Text& secondLogical, int secondId) {
    return error(3176, 16,
                 u"File '" + path + u"' is claimed by '" + firstLogical + u"'(" +
                     text::number(firstId) + u") and '" + secondLogical + u"'(" +
                     text::number(secondId) +
                     u"). The WITH MOVE clause can be used to relocate one or more files.");
}

Message detachInUse(const Text& name) {
    return error(3703, 16,
                 u"Cannot detach the database '" + name + u"' because it is currently in use.");
}
Message detachMissing(const Text& name) {
    return error(15010, 16,
                 u"The database '" + name +
                     u"' does not exist. Supply a valid database name. To see available "
                     u"databases, use sys.databases.");
}
Message detachSystem() {
    return error(7940, 16, u"System databases master, model, msdb, and tempdb cannot be detached.");
}
Message dropMissing(const Text& name) {
    return error(3701, 11,
                 u"Cannot drop the database '" + name +
                     u"', because it does not exist or you do not have permission.");
}
Message dropInUse(const Text& name) {
    return error(3702, 16,
                 u"Cannot drop database \"" + name + u"\" because it is currently in use.");
}
Message dropSystem(const Text& name) {
    return error(3708, 16,
                 u"Cannot drop the database '" + name + u"' because it is a system database.");
}
Message exclusiveAccess() {
    return error(3101, 16,
                 u"Exclusive access could not be obtained because the database is in use.");
}

Message alterNotPermitted(const Text& name) {
    return error(5011, 14,
                 u"User does not have permission to alter database '" + name +
                     u"', the database does not exist, or the database is not in a state that "
                     u"allows access checks.");
}
Message alterFailed() {
    return error(5069, 16, u"ALTER DATABASE statement failed.");
}
Message recoveryOnTempdb() {
    return error(5058, 16, u"Option 'RECOVERY' cannot be set in database 'tempdb'.");
}
Message shrinkDatabaseMissing(const Text& name) {
    return error(2520, 16,
                 u"Could not find database '" + name +
                     u"'. The database either does not exist, or was dropped before a statement "
                     u"tried to use it. Verify if the database exists by querying the "
                     u"sys.databases catalog view.");
}

Message backupDeviceFailed(const Text& path, int osError) {
    return error(3201, 16,
                 u"Cannot open backup device '" + path + u"'. Operating system error " +
                     osErrorText(osError) + u".");
}
Message backupAborted() {
    return error(3204, 16, u"The backup or restore was aborted.");
}
Message severeError() {
    return error(0, 20,
                 u"A severe error occurred on the current command.  The results, if any, should "
                 u"be discarded.");
}
Message backupAbnormal() {
    return error(3013, 16, u"BACKUP DATABASE is terminating abnormally.");
}
Message logBackupAbnormal() {
    return error(3013, 16, u"BACKUP LOG is terminating abnormally.");
}
Message logBackupInSimpleRecovery() {
    return error(4208, 16,
                 u"The statement BACKUP LOG is not allowed while the recovery model is SIMPLE. "
                 u"Use BACKUP DATABASE or change the recovery model using ALTER DATABASE.");
}
Message noCurrentDatabaseBackup() {
    return error(4214, 16,
                 u"BACKUP LOG cannot be performed because there is no current database backup.");
}
Message nothingToRollForward() {
    return error(3117, 16,
                 u"The log or differential backup cannot be restored because no files are ready "
                 u"to rollforward.");
}
Message tempdbBackup() {
    return error(3147, 16, u"Backup and restore operations are not allowed on database tempdb.");
}
Message restoreAbnormal() {
    return error(3013, 16, u"RESTORE DATABASE is terminating abnormally.");
}
Message fileListAbnormal() {
    return error(3013, 16, u"RESTORE FILELIST is terminating abnormally.");
}
Message headerListAbnormal() {
    return error(3013, 16, u"RESTORE HEADERONLY is terminating abnormally.");
}
Message backupFromNewerVersion(const Text& backupVersion, const Text& serverVersion) {
    return error(3169, 16,
                 u"The database was backed up on a server running version " + backupVersion +
                     u". That version is incompatible with this server, which is running "
                     u"version " +
                     serverVersion +
                     u". Either restore the database on a server that supports the backup, or "
                     u"use a backup that is compatible with this server.");
}
Message otherDatabaseBackup(const Text& name) {
    return error(3154, 16,
                 u"The backup set holds a backup of a database other than the existing '" + name +
                     u"' database.");
}
Message fileInUseByDatabase(const Text& path, const Text& database) {
    return error(1834, 16,
                 u"The file '" + path +
                     u"' cannot be overwritten.  It is being used by database '" + database +
                     u"'.");
}
Message cannotRestoreFile(const Text& logical, const Text& path) {
    return error(3156, 16,
                 u"File '" + logical + u"' cannot be restored to '" + path +
                     u"'. Use WITH MOVE to identify a valid location for the file.");
}
Message restorePlanningProblems() {
    return error(3119, 16,
                 u"Problems were identified while planning for the RESTORE statement. Previous "
                 u"messages provide details.");
}
Message tailNotBackedUp(const Text& name) {
    return error(3159, 16,
                 u"The tail of the log for the database \"" + name +
                     u"\" has not been backed up. Use BACKUP LOG WITH NORECOVERY to backup the log "
                     u"if it contains work you do not want to lose. Use the WITH REPLACE or WITH "
                     u"STOPAT clause of the RESTORE statement to just overwrite the contents of "
                     u"the log.");
}
Message notBackupMedia(const Text& path) {
    return error(3241, 16,
                 u"The media family on device '" + path +
                     u"' is incorrectly formed. SQL Server cannot process this media family.");
}
Message backupDataMalformed(const Text& path) {
    return error(3266, 16,
                 u"The backup data at the end of \"" + path +
                     u"\" is incorrectly formatted. Backup sets on the media might be damaged and "
                     u"unusable.");
}
Message backupSetMissing(int setNumber, const Text& path) {
    return error(
        4038, 16,
        u"Cannot find file ID " + text::number(setNumber) + u" on device '" + path + u"'.");
}
Message logicalFileNotInBackup(const Text& logical, const Text& database) {
    return error(3234, 16,
                 u"Logical file '" + logical + u"' is not part of database '" + database +
                     u"'. Use RESTORE FILELISTONLY to list the logical file names.");
}
Message fileWouldBeOverwritten(const Text& path) {
    return error(3142, 16,
                 u"File \"" + path + u"\" cannot be restored over the existing \"" + path +
                     u"\". Reissue the RESTORE statement using WITH REPLACE to overwrite "
                     u"pre-existing files, or WITH MOVE to identify an alternate location.");
}
Message pagesProcessed(std::int64_t pages, const Text& database, const Text& logical,
                       int setNumber) {
    return info(4035, u"Processed " + text::number(pages) + u" pages for database '" + database +
                          u"', file '" + logical + u"' on file " + text::number(setNumber) + u".");
}
namespace {

Message processed(const Text& statement, std::int64_t pages, double seconds) {
    const double megabytes = static_cast<double>(pages) * 8192.0 / 1048576.0;
    char figures[64];
    std::snprintf(figures, sizeof figures, "%.3f seconds (%.3f MB/sec).", seconds,
                  megabytes / seconds);
    return info(3014, statement + u" successfully processed " + text::number(pages) +
                          u" pages in " + text::fromAscii(figures));
}

}  // namespace

Message backupDone(bool restore, std::int64_t pages, double seconds) {
    return processed(restore ? u"RESTORE DATABASE" : u"BACKUP DATABASE", pages, seconds);
}
Message logBackupDone(std::int64_t pages, double seconds) {
    return processed(u"BACKUP LOG", pages, seconds);
}

Message modifyFileUnknown(const Text& name) {
    return error(5041, 16, u"MODIFY FILE failed. File '" + name + u"' does not exist.");
}
Message logicalNameInUse(const Text& name) {
    return error(
        1828, 16,
        u"The logical file name \"" + name + u"\" is already in use. Choose a different name.");
}
Message fileNameSet(const Text& name) {
    return info(5021, u"The file name '" + name + u"' has been set.");
}
Message dbccDone() {
    return info(2528,
                u"DBCC execution completed. If DBCC printed error messages, contact your system "
                u"administrator.");
}
Message databaseContextChanged(const Text& name) {
    return info(5701, u"Changed database context to '" + name + u"'.");
}

Message serverStateDenied() {
    return error(300, 14,
                 u"VIEW SERVER STATE permission was denied on object 'server', database "
                 u"'master'.");
}
Message notPermitted() {
    return error(297, 16, u"The user does not have permission to perform this action.");
}
Message executeDenied(const Text& procedure) {
    return error(229, 14,
                 u"The EXECUTE permission was denied on the object '" + procedure +
                     u"', database 'mssqlsystemresource', schema 'sys'.");
}
Message parametersMissing(const Text& function) {
    return error(216, 16, u"Parameters were not supplied for the function '" + function + u"'.");
}
Message folderUnreadable(const Text& searched, int osError) {
    return error(3634, 16,
                 u"The operating system returned the error '" + osErrorText(osError) +
                     u"' while attempting 'FindFirstFile' on '" + searched + u"'.");
}

Message killOwn() {
    return error(6104, 16, u"Cannot use KILL to kill your own process.");
}
Message killUnknown(std::int64_t spid) {
    return error(6106, 16, u"Process ID " + text::number(spid) + u" is not an active process ID.");
}
Message killSystem() {
    return error(6107, 14, u"Only user processes can be killed.");
}
Message killDenied() {
    return error(6102, 14, u"User does not have permission to use the KILL statement.");
}

Message invalidCollation(const Text& name) {
    return error(448, 16, u"Invalid collation '" + name + u"'.");
}
Message singleUserInUse(const Text& name) {
    return error(924, 14,
                 u"Database '" + name + u"' is already open and can only have one user at a time.");
}
Message stateChangeInUse(const Text& name) {
    return error(5070, 16,
                 u"Database state cannot be changed while other users are using the database '" +
                     name + u"'");
}
Message singleUserOccupied(const Text& name) {
    return error(5064, 16,
                 u"Changes to the state or options of database '" + name +
                     u"' cannot be made at this time. The database is in single-user mode, and a "
                     u"user is currently connected to it.");
}
Message optionOnSystemDatabase(const Text& option, const Text& name) {
    return error(5058, 16, u"Option '" + option + u"' cannot be set in database '" + name + u"'.");
}
Message rollingBack() {
    return error(5060, 10,
                 u"Nonqualified transactions are being rolled back. Estimated rollback completion: "
                 u"100%.");
}

Message conversionFailed(const Text& value) {
    return error(245, 16,
                 u"Conversion failed when converting the nvarchar value '" + quotedTail(value) +
                     u"' to data type int.");
}
Message booleanAsValue() {
    return error(4145, 15,
                 u"An expression of boolean type cannot be used where a value is expected.");
}
Message functionArgumentCount(const Text& function, std::int64_t arguments) {
    return error(
        174, 15,
        u"The " + function + u" function requires " + text::number(arguments) + u" argument(s).");
}
Message nullWhereTextNeeded() {
    return error(kDevServerError, 16, u"A value given as NULL must be a text here.");
}
Message selectWithoutTable() {
    return error(263, 16, u"Must specify table to select from.");
}
Message orderPositionOutOfRange(std::int64_t position) {
    return error(108, 16,
                 u"The ORDER BY position number " + text::number(position) +
                     u" is out of range of the number of items in the select list.");
}
Message arithmeticOverflow() {
    return error(8115, 16, u"Arithmetic overflow error converting expression to data type int.");
}
Message divideByZero() {
    return error(8134, 16, u"Divide by zero error encountered.");
}
Message variableAlreadyDeclared(const Text& name) {
    return error(134, 15,
                 u"The variable name '" + name +
                     u"' has already been declared. Variable names must be unique within a query "
                     u"batch or stored procedure.");
}
Message variableUndeclared(const Text& name) {
    return error(137, 15, u"Must declare the scalar variable \"" + name + u"\".");
}
Message cursorExists(const Text& name) {
    return error(16915, 16, u"A cursor with the name '" + name + u"' already exists.");
}
Message cursorMissing(const Text& name) {
    return error(16916, 16, u"A cursor with the name '" + name + u"' does not exist.");
}
Message cursorAlreadyOpen() {
    return error(16905, 16, u"The cursor is already open.");
}
Message cursorNotOpen() {
    return error(16917, 16, u"Cursor is not open.");
}
Message cursorVariableCount() {
    return error(16924, 16,
                 u"Cursorfetch: The number of variables declared in the INTO list must match that "
                 u"of selected columns.");
}
Message nestingLimit() {
    return error(217, 16,
                 u"Maximum stored procedure, function, trigger, or view nesting level exceeded "
                 u"(limit 32).");
}
Message tableExists(const Text& name) {
    return error(2714, 16, u"There is already an object named '" + name + u"' in the database.");
}
Message schemaMissing(const Text& schema) {
    return error(2760, 16,
                 u"The specified schema name \"" + schema +
                     u"\" either does not exist or you do not have permission to use it.");
}
Message duplicateColumn(const Text& column, const Text& table) {
    return error(2705, 16,
                 u"Column names in each table must be unique. Column name '" + column +
                     u"' in table '" + table + u"' is specified more than once.");
}
Message dropTableMissing(const Text& name) {
    return error(3701, 11,
                 u"Cannot drop the table '" + name +
                     u"', because it does not exist or you do not have permission.");
}
Message columnSizeTooLarge(std::int64_t size, const Text& column) {
    return error(131, 15,
                 u"The size (" + text::number(size) + u") given to the column '" + column +
                     u"' exceeds the maximum allowed for any data type (" +
                     text::number(kMaxNVarCharLength) + u").");
}
Message columnAssignedTwice(const Text& column) {
    return error(264, 16,
                 u"The column name '" + column +
                     u"' is specified more than once in the SET clause or column list of an "
                     u"INSERT. A column cannot be assigned more than one value in the same "
                     u"clause. Modify the clause to make sure that a column is updated only "
                     u"once. If this statement updates or inserts columns into a view, column "
                     u"aliasing can conceal the duplication in the column list.");
}
Message columnCountMismatch() {
    return error(213, 16,
                 u"Column name or number of supplied values does not match table definition.");
}
Message truncated() {
    return error(8152, 16, u"String or binary data would be truncated.");
}
Message nullNotAllowed(const Text& column, const Text& table) {
    return error(515, 16,
                 u"Cannot insert the value NULL into column '" + column + u"', table '" + table +
                     u"'; column does not allow nulls. INSERT fails.");
}

}  // namespace devserver::messages
