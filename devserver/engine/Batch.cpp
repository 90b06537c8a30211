#include <variant>

#include "devserver/engine/ErrorReach.h"
#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Execution.h"
#include "devserver/engine/FileSystemViews.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Parser.h"
#include "devserver/engine/Query.h"
#include "devserver/engine/SessionRules.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver {

using namespace syntax;

namespace {

constexpr int kMaxStatements = 100000;
constexpr int kMaxNesting = 32;

// The client hears of an error that ended only a statement, and the batch goes on.
void report(const SqlError& error, const Context& context) {
    for (const Message& message : error.messages()) {
        context.add(message);
    }
    context.add(Done{true, std::nullopt, 0});
}

Variable& variableOf(const Context& context, const std::u16string& name) {
    const auto found = context.scope.variables.find(text::upper(name));
    if (found == context.scope.variables.end()) {
        throw SqlError(messages::variableUndeclared(name));
    }
    return found->second;
}

void assign(const Context& context, const std::u16string& name, const Value& value) {
    Variable& variable = variableOf(context, name);
    // Assigning to a variable cuts a text to the declared length silently.
    variable.value = values::coerce(value, variable.type, false);
}

Cursor& cursorOf(const Context& context, const std::u16string& name) {
    const auto found = context.scope.cursors.find(text::upper(name));
    if (found == context.scope.cursors.end()) {
        throw SqlError(messages::cursorMissing(name));
    }
    return found->second;
}

void use(const Use& statement, const Context& context) {
    Database* db = context.state().find(statement.database);
    if (!db) {
        throw SqlError(messages::databaseMissing(statement.database));
    }
    if (db->restoring) {
        throw SqlError(messages::inMiddleOfRestore(db->name));
    }
    rules::requireEntry(context.state(), *db, context.spid());
    Session& session = context.session();
    const Database* previous = context.state().byId(session.databaseId);
    session.databaseId = db->id;
    context.add(DatabaseChanged{db->name, previous ? previous->name : std::u16string()});
    context.add(messages::databaseContextChanged(db->name));
    context.add(Done{});
}

void kill(const Kill& statement, const Context& context) {
    const Value target = Evaluator(context).value(statement.spid);
    if (!target) {
        throw SqlError(messages::syntaxNear(u"NULL"));
    }
    rules::requireKillPermission(context.session());
    const std::int64_t spid = values::toInteger(target);
    if (spid == context.spid()) {
        throw SqlError(messages::killOwn());
    }
    if (rules::isSystemSession(spid)) {
        throw SqlError(messages::killSystem());
    }
    auto& sessions = context.state().sessions();
    const auto victim = spid > 0 && spid <= State::kMaxSpid ? sessions.find(static_cast<int>(spid))
                                                            : sessions.end();
    if (victim == sessions.end()) {
        throw SqlError(messages::killUnknown(spid));
    }
    rules::endSession(context, victim->first);
    context.add(Done{});
}

void execProcedure(const ExecProcedure& statement, const Context& context) {
    const Evaluator evaluator(context);
    std::vector<Value> arguments;
    for (const Expr& argument : statement.arguments) {
        arguments.push_back(evaluator.value(argument));
    }
    if (text::equalsKeyword(statement.procedure, "SP_ATTACH_DB")) {
        statements::attach(arguments, context);
    } else if (text::equalsKeyword(statement.procedure, "SP_DETACH_DB")) {
        statements::detach(arguments, context);
    } else if (!host_views::runProcedure(statement.procedure, arguments, context)) {
        throw SqlError(messages::procedureNotModelled(statement.procedure));
    }
}

void execText(const ExecText& statement, const Context& context) {
    if (context.depth >= kMaxNesting) {
        throw SqlError(messages::nestingLimit());
    }
    const Value sql = Evaluator(context).value(statement.text);
    if (!sql) {
        return;  // EXEC of NULL does nothing
    }
    Scope scope;
    try {
        runText(values::toText(sql), Context{context.run, scope, context.depth + 1});
    } catch (const SqlError& error) {
        // What ends the dynamic SQL's scope ends the EXEC statement; the caller goes on.
        if (reachOf(error) == ErrorReach::Batch) {
            throw;
        }
        report(error, context);
    }
}

void declareVariables(const DeclareVariables& statement, const Context& context) {
    for (const VariableDeclaration& declaration : statement.variables) {
        const std::u16string key = text::upper(declaration.name);
        if (context.scope.variables.count(key)) {
            throw SqlError(messages::variableAlreadyDeclared(declaration.name));
        }
        context.scope.variables[key] = Variable{declaration.type, std::nullopt};
        if (declaration.initial) {
            assign(context, declaration.name, Evaluator(context).value(*declaration.initial));
        }
    }
}

void declareCursor(const DeclareCursor& statement, const Context& context) {
    const std::u16string key = text::upper(statement.name);
    if (context.scope.cursors.count(key)) {
        throw SqlError(messages::cursorExists(statement.name));
    }
    context.scope.cursors[key] = Cursor{statement.query, false, {}, 0};
}

void openCursor(const OpenCursor& statement, const Context& context) {
    Cursor& cursor = cursorOf(context, statement.name);
    if (cursor.open) {
        throw SqlError(messages::cursorAlreadyOpen());
    }
    cursor.rows = runSelect(cursor.query, context);
    cursor.next = 0;
    cursor.open = true;
}

void fetchCursor(const FetchCursor& statement, const Context& context) {
    Cursor& cursor = cursorOf(context, statement.name);
    if (!cursor.open) {
        throw SqlError(messages::cursorNotOpen());
    }
    if (!statement.into.empty() && statement.into.size() != cursor.rows.columns.size()) {
        throw SqlError(messages::cursorVariableCount());
    }
    if (cursor.next >= cursor.rows.rows.size()) {
        context.run.fetchStatus = -1;
        if (statement.into.empty()) {
            context.add(RowSet{cursor.rows.columns, {}});
            context.add(Done{false, 0, kCurCmdSelect});
        }
        return;
    }
    const auto& row = cursor.rows.rows[cursor.next++];
    context.run.fetchStatus = 0;
    if (statement.into.empty()) {
        context.add(RowSet{cursor.rows.columns, {row}});
        context.add(Done{false, 1, kCurCmdSelect});
        return;
    }
    for (std::size_t i = 0; i < row.size(); ++i) {
        assign(context, statement.into[i], row[i]);
    }
}

void closeCursor(const std::u16string& name, bool deallocate, const Context& context) {
    Cursor& cursor = cursorOf(context, name);
    if (deallocate) {
        context.scope.cursors.erase(text::upper(name));
        return;
    }
    if (!cursor.open) {
        throw SqlError(messages::cursorNotOpen());
    }
    cursor.open = false;
    cursor.rows = {};
}

// One overload per statement kind and no catch-all, so that a kind added to the syntax
// without a way to run it does not compile.
struct StatementRunner {
    const Context& context;

    void operator()(const Select& s) const {
        RowSet rows = runSelect(s, context);
        const auto count = rows.rows.size();
        context.add(std::move(rows));
        context.add(Done{false, count, kCurCmdSelect});
    }
    void operator()(const Use& s) const { use(s, context); }
    void operator()(const SetOption& /*option*/) const { context.add(Done{}); }
    void operator()(const SetVariable& s) const {
        assign(context, s.name, Evaluator(context).value(s.value));
    }
    void operator()(const ExecProcedure& s) const { execProcedure(s, context); }
    void operator()(const ExecText& s) const { execText(s, context); }
    void operator()(const AlterRecovery& s) const { statements::alterRecovery(s, context); }
    void operator()(const AlterAccess& s) const { statements::alterAccess(s, context); }
    void operator()(const ModifyFile& s) const { statements::modifyFile(s, context); }
    void operator()(const Shrink& s) const { statements::shrink(s, context); }
    void operator()(const DropDatabase& s) const { statements::dropDatabase(s, context); }
    void operator()(const DropTable& s) const { statements::dropTable(s, context); }
    void operator()(const Backup& s) const { statements::backup(s, context); }
    void operator()(const Restore& s) const { statements::restore(s, context); }
    void operator()(const FileList& s) const { statements::fileList(s, context); }
    void operator()(const HeaderList& s) const { statements::headerList(s, context); }
    void operator()(const CreateDatabase& s) const { statements::createDatabase(s, context); }
    void operator()(const CreateTable& s) const { statements::createTable(s, context); }
    void operator()(const Insert& s) const { statements::insert(s, context); }
    void operator()(const Kill& s) const { kill(s, context); }
    void operator()(const DeclareVariables& s) const { declareVariables(s, context); }
    void operator()(const DeclareCursor& s) const { declareCursor(s, context); }
    void operator()(const OpenCursor& s) const { openCursor(s, context); }
    void operator()(const FetchCursor& s) const { fetchCursor(s, context); }
    void operator()(const CloseCursor& s) const { closeCursor(s.name, false, context); }
    void operator()(const DeallocateCursor& s) const { closeCursor(s.name, true, context); }
    void operator()(const Print& s) const {
        const Value message = Evaluator(context).value(s.value);
        context.add(messages::printed(message ? values::toText(message) : u""));
    }
    void operator()(const Block& s) const { runStatements(s.body, context); }
    void operator()(const While& s) const {
        const Evaluator evaluator(context);
        while (evaluator.truth(s.condition) == true) {
            runStatements(s.body, context);
            if (++context.run.statementsRun > kMaxStatements) {
                throw SqlError(messages::batchTooLong());
            }
        }
    }
    void operator()(const If& s) const {
        if (Evaluator(context).truth(s.condition) == true) {
            runStatements(s.then, context);
        } else {
            runStatements(s.otherwise, context);
        }
    }
    void operator()(const NotModelledStatement& s) const {
        throw SqlError(messages::notModelled(s.firstWords));
    }
};

void runStatement(const Statement& statement, const Context& context) {
    if (++context.run.statementsRun > kMaxStatements) {
        throw SqlError(messages::batchTooLong());
    }
    std::visit(StatementRunner{context}, statement.node);
}

}  // namespace

Session& Context::session() const {
    const auto found = run.state.sessions().find(run.spid);
    if (found == run.state.sessions().end()) {
        throw SqlError(messages::sessionKilled());
    }
    return found->second;
}

Database& Context::currentDatabase() const {
    Database* db = run.state.byId(session().databaseId);
    if (!db) {
        throw SqlError(messages::sessionKilled());
    }
    return *db;
}

void runStatements(const std::vector<Statement>& statements, const Context& context) {
    for (std::size_t i = 0; i < statements.size(); ++i) {
        // A cancel stops the batch between two statements; its client wants no messages.
        if (i > 0 && context.run.pacer != nullptr && context.run.pacer->stopWanted()) {
            throw SqlError(std::vector<Message>{});
        }
        try {
            runStatement(statements[i], context);
        } catch (const SqlError& error) {
            if (reachOf(error) != ErrorReach::Statement) {
                throw;
            }
            report(error, context);
        }
    }
}

void runText(const std::u16string& sql, const Context& context) {
    runStatements(parseBatch(tokenize(sql)), context);
}

}  // namespace devserver
