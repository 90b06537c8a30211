#pragma once

#include <vector>

#include "devserver/engine/Execution.h"

// The statements that read or change databases, files and backups. Each adds its reply
// items to the context, or throws SqlError with SQL Server's messages and changes nothing.
namespace devserver::statements {

void createDatabase(const syntax::CreateDatabase& statement, const Context& context);
void dropDatabase(const syntax::DropDatabase& statement, const Context& context);
void attach(const std::vector<Value>& arguments, const Context& context);
void detach(const std::vector<Value>& arguments, const Context& context);

void alterRecovery(const syntax::AlterRecovery& statement, const Context& context);
void alterAccess(const syntax::AlterAccess& statement, const Context& context);
void modifyFile(const syntax::ModifyFile& statement, const Context& context);
void shrink(const syntax::Shrink& statement, const Context& context);

void backup(const syntax::Backup& statement, const Context& context);
void restore(const syntax::Restore& statement, const Context& context);
void fileList(const syntax::FileList& statement, const Context& context);
void headerList(const syntax::HeaderList& statement, const Context& context);

void createTable(const syntax::CreateTable& statement, const Context& context);
void dropTable(const syntax::DropTable& statement, const Context& context);
void insert(const syntax::Insert& statement, const Context& context);

// Writes every file of the database after a change; throws SqlError 5123 when it cannot.
void saveFiles(State& state, Database& database);

}  // namespace devserver::statements
