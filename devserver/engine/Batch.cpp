#include <type_traits>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Execution.h"
#include "devserver/engine/FileSystemViews.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Parser.h"
#include "devserver/engine/Query.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver {

using namespace syntax;

namespace {

constexpr int kMaxStatements = 100000;
constexpr int kMaxNesting = 32;

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
    const std::int64_t spid = values::toInteger(target);
    if (spid == context.spid()) {
        throw SqlError(messages::killOwn());
    }
    if (spid >= 1 && spid < State::kFirstUserSpid) {
        throw SqlError(messages::killSystem());
    }
    auto& sessions = context.state().sessions();
    const auto victim = spid > 0 && spid <= State::kMaxSpid ? sessions.find(static_cast<int>(spid))
                                                            : sessions.end();
    if (victim == sessions.end()) {
        throw SqlError(messages::killUnknown(spid));
    }
    // The session stops holding its database now; its connection is closed once the
    // batch has finished.
    sessions.erase(victim);
    context.run.killed.push_back(static_cast<int>(spid));
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
    } else if (!hostviews::runProcedure(statement.procedure, arguments, context)) {
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
    runText(values::toText(sql), Context{context.run, scope, context.depth + 1});
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
            context.add(Done{false, 0, 0xC1});
        }
        return;
    }
    const auto& row = cursor.rows.rows[cursor.next++];
    context.run.fetchStatus = 0;
    if (statement.into.empty()) {
        context.add(RowSet{cursor.rows.columns, {row}});
        context.add(Done{false, 1, 0xC1});
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

void runStatement(const Statement& statement, const Context& context) {
    if (++context.run.statementsRun > kMaxStatements) {
        throw SqlError(messages::batchTooLong());
    }
    std::visit(
        [&](const auto& s) {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, Select>) {
                RowSet rows = runSelect(s, context);
                const auto count = rows.rows.size();
                context.add(std::move(rows));
                context.add(Done{false, count, 0xC1});
            } else if constexpr (std::is_same_v<T, Use>) {
                use(s, context);
            } else if constexpr (std::is_same_v<T, SetOption>) {
                context.add(Done{});
            } else if constexpr (std::is_same_v<T, SetVariable>) {
                assign(context, s.name, Evaluator(context).value(s.value));
            } else if constexpr (std::is_same_v<T, ExecProcedure>) {
                execProcedure(s, context);
            } else if constexpr (std::is_same_v<T, ExecText>) {
                execText(s, context);
            } else if constexpr (std::is_same_v<T, AlterRecovery>) {
                statements::alterRecovery(s, context);
            } else if constexpr (std::is_same_v<T, ModifyFile>) {
                statements::modifyFile(s, context);
            } else if constexpr (std::is_same_v<T, Shrink>) {
                statements::shrink(s, context);
            } else if constexpr (std::is_same_v<T, DropDatabase>) {
                statements::dropDatabase(s, context);
            } else if constexpr (std::is_same_v<T, DropTable>) {
                statements::dropTable(s, context);
            } else if constexpr (std::is_same_v<T, Backup>) {
                statements::backup(s, context);
            } else if constexpr (std::is_same_v<T, Restore>) {
                statements::restore(s, context);
            } else if constexpr (std::is_same_v<T, FileList>) {
                statements::fileList(s, context);
            } else if constexpr (std::is_same_v<T, CreateDatabase>) {
                statements::createDatabase(s, context);
            } else if constexpr (std::is_same_v<T, CreateTable>) {
                statements::createTable(s, context);
            } else if constexpr (std::is_same_v<T, Insert>) {
                statements::insert(s, context);
            } else if constexpr (std::is_same_v<T, Kill>) {
                kill(s, context);
            } else if constexpr (std::is_same_v<T, DeclareVariables>) {
                declareVariables(s, context);
            } else if constexpr (std::is_same_v<T, DeclareCursor>) {
                declareCursor(s, context);
            } else if constexpr (std::is_same_v<T, OpenCursor>) {
                openCursor(s, context);
            } else if constexpr (std::is_same_v<T, FetchCursor>) {
                fetchCursor(s, context);
            } else if constexpr (std::is_same_v<T, CloseCursor>) {
                closeCursor(s.name, false, context);
            } else if constexpr (std::is_same_v<T, DeallocateCursor>) {
                closeCursor(s.name, true, context);
            } else if constexpr (std::is_same_v<T, Print>) {
                const Value message = Evaluator(context).value(s.value);
                context.add(messages::info(0, message ? values::toText(message) : u""));
            } else if constexpr (std::is_same_v<T, Block>) {
                runStatements(s.body, context);
            } else if constexpr (std::is_same_v<T, While>) {
                const Evaluator evaluator(context);
                while (evaluator.truth(s.condition) == true) {
                    runStatements(s.body, context);
                    if (++context.run.statementsRun > kMaxStatements) {
                        throw SqlError(messages::batchTooLong());
                    }
                }
            } else if constexpr (std::is_same_v<T, If>) {
                if (Evaluator(context).truth(s.condition) == true) {
                    runStatements(s.then, context);
                } else {
                    runStatements(s.otherwise, context);
                }
            } else if constexpr (std::is_same_v<T, NotModelledStatement>) {
                throw SqlError(messages::notModelled(s.firstWords));
            }
        },
        statement.node);
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
    for (const Statement& statement : statements) {
        runStatement(statement, context);
    }
}

void runText(const std::u16string& sql, const Context& context) {
    runStatements(parseBatch(tokenize(sql)), context);
}

}  // namespace devserver
