#include <algorithm>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Query.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::statements {

namespace {

constexpr std::uint16_t kInsertCommand = 0xC3;

Database& databaseFor(const syntax::ObjectName& name, const Context& context) {
    if (name.parts.size() == 3 && !name.parts[0].empty()) {
        Database* db = context.state().find(name.parts[0]);
        if (!db) {
            throw SqlError(messages::databaseMissing(name.parts[0]));
        }
        return *db;
    }
    if (name.parts.size() >= 2 && !name.parts[name.parts.size() - 2].empty() &&
        !text::equalsKeyword(name.parts[name.parts.size() - 2], "DBO")) {
        throw SqlError(messages::schemaMissing(name.parts[name.parts.size() - 2]));
    }
    return context.currentDatabase();
}

std::vector<Table>::iterator findTable(Content& content, const std::u16string& name) {
    return std::find_if(content.tables.begin(), content.tables.end(),
                        [&](const Table& t) { return text::sameName(t.name, name); });
}

// Every change of content is written to the data file before the statement returns; a
// failed write leaves the previous content in memory too.
void commit(State& state, Database& db, const Content& previous) {
    try {
        saveFiles(state, db);
        state.saveCatalog();
    } catch (const SqlError&) {
        db.content = previous;
        throw;
    }
}

}  // namespace

void createTable(const syntax::CreateTable& statement, const Context& context) {
    State& state = context.state();
    Database& db = databaseFor(statement.table, context);
    Content& content = state.content(db);
    const std::u16string& name = statement.table.object();
    if (findTable(content, name) != content.tables.end()) {
        throw SqlError(messages::tableExists(name));
    }
    for (std::size_t i = 0; i < statement.columns.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (text::sameName(statement.columns[i].name, statement.columns[j].name)) {
                throw SqlError(messages::duplicateColumn(statement.columns[i].name, name));
            }
        }
    }
    const Content previous = content;
    content.tables.push_back(Table{name, statement.columns, {}});
    commit(state, db, previous);
    context.add(Done{});
}

void dropTable(const syntax::DropTable& statement, const Context& context) {
    State& state = context.state();
    Database& db = databaseFor(statement.table, context);
    Content& content = state.content(db);
    const auto table = findTable(content, statement.table.object());
    if (table == content.tables.end()) {
        throw SqlError(messages::dropTableMissing(statement.table.written()));
    }
    const Content previous = content;
    content.tables.erase(table);
    commit(state, db, previous);
    context.add(Done{});
}

void insert(const syntax::Insert& statement, const Context& context) {
    State& state = context.state();
    Database& db = databaseFor(statement.table, context);
    Content& content = state.content(db);
    const auto table = findTable(content, statement.table.object());
    if (table == content.tables.end()) {
        throw SqlError(messages::invalidObject(statement.table.written()));
    }
    // Which table column each listed value goes to.
    std::vector<std::size_t> targets;
    if (statement.columns.empty()) {
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            targets.push_back(i);
        }
    } else {
        for (const std::u16string& name : statement.columns) {
            const auto column =
                std::find_if(table->columns.begin(), table->columns.end(),
                             [&](const Column& c) { return text::sameName(c.name, name); });
            if (column == table->columns.end()) {
                throw SqlError(messages::invalidColumn(name));
            }
            const auto index = static_cast<std::size_t>(column - table->columns.begin());
            if (std::find(targets.begin(), targets.end(), index) != targets.end()) {
                throw SqlError(messages::columnAssignedTwice(name));
            }
            targets.push_back(index);
        }
    }
    const Evaluator evaluator(context);
    std::vector<std::vector<Value>> rows;
    for (const auto& values : statement.rows) {
        if (values.size() != targets.size()) {
            throw SqlError(messages::columnCountMismatch());
        }
        std::vector<Value> row(table->columns.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const Column& column = table->columns[targets[i]];
            row[targets[i]] = values::coerce(evaluator.value(values[i]), column, true);
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (!row[i] && !table->columns[i].nullable) {
                throw SqlError(messages::nullNotAllowed(table->columns[i].name, table->name));
            }
        }
        rows.push_back(std::move(row));
    }
    const Content previous = content;
    table->rows.insert(table->rows.end(), rows.begin(), rows.end());
    commit(state, db, previous);
    context.add(Done{false, rows.size(), kInsertCommand});
}

}  // namespace devserver::statements
