#include "devserver/engine/Query.h"

#include <algorithm>
#include <numeric>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/FileSystemViews.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/SessionRules.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

using syntax::Expr;
using syntax::ObjectName;

namespace {

constexpr int kSysnameLength = 128;
constexpr int kFileNameLength = 260;
constexpr std::int64_t kDefaultFilePages = 1024;  // 8 MB, as a new database's files start

Column column(const char16_t* name, ColumnType type, int length = 0, bool nullable = false) {
    return Column{name, type, length, nullable};
}

std::int64_t integer(int value) {
    return value;
}

Relation sysdatabases(State& state) {
    Relation r;
    r.columns = {column(u"name", ColumnType::NVarChar, kSysnameLength),
                 column(u"dbid", ColumnType::SmallInt),
                 column(u"mode", ColumnType::SmallInt),
                 column(u"status", ColumnType::Int),
                 column(u"status2", ColumnType::Int),
                 column(u"category", ColumnType::Int),
                 column(u"cmptlevel", ColumnType::SmallInt),
                 column(u"filename", ColumnType::NVarChar, kFileNameLength, true),
                 column(u"version", ColumnType::SmallInt, 0, true)};
    for (const auto& [id, db] : state.databases()) {
        // Status bit 8 is "truncate log on checkpoint", which simple recovery sets.
        const int status = 65536 | (db.recovery == Recovery::Simple ? 8 : 0);
        r.rows.push_back({db.name, integer(id), integer(0), integer(status), integer(1090519040),
                          integer(0), integer(160),
                          paths::display(state.host(), db.files.front().path), integer(957)});
    }
    return r;
}

Relation sysdatabasesView(State& state) {
    Relation r;
    r.columns = {column(u"name", ColumnType::NVarChar, kSysnameLength),
                 column(u"database_id", ColumnType::Int),
                 column(u"recovery_model", ColumnType::SmallInt, 0, true),
                 column(u"recovery_model_desc", ColumnType::NVarChar, 60, true),
                 column(u"state_desc", ColumnType::NVarChar, 60, true),
                 column(u"user_access", ColumnType::SmallInt, 0, true),
                 column(u"user_access_desc", ColumnType::NVarChar, 60, true),
                 column(u"collation_name", ColumnType::NVarChar, kSysnameLength, true)};
    for (const auto& [id, db] : state.databases()) {
        const bool simple = db.recovery == Recovery::Simple;
        const bool single = db.access == UserAccess::Single;
        r.rows.push_back({db.name, integer(id), integer(simple ? 3 : 1),
                          std::u16string(simple ? u"SIMPLE" : u"FULL"),
                          std::u16string(db.restoring ? u"RESTORING" : u"ONLINE"),
                          integer(single ? 1 : 0),
                          std::u16string(single ? u"SINGLE_USER" : u"MULTI_USER"),
                          state.collationOf(db).name()});
    }
    return r;
}

Relation sysprocesses(State& state, const Session& caller) {
    const int callerSpid = caller.spid;
    Relation r;
    r.columns = {
        column(u"spid", ColumnType::SmallInt),         column(u"kpid", ColumnType::SmallInt),
        column(u"blocked", ColumnType::SmallInt),      column(u"dbid", ColumnType::SmallInt),
        column(u"uid", ColumnType::SmallInt, 0, true), column(u"cpu", ColumnType::Int),
        column(u"physical_io", ColumnType::BigInt),    column(u"memusage", ColumnType::Int),
        column(u"status", ColumnType::NChar, 30),      column(u"cmd", ColumnType::NChar, 16),
        column(u"loginame", ColumnType::NChar, 128)};
    if (rules::seesOtherSessions(caller)) {
        for (const rules::SystemSession& system : rules::systemSessions()) {
            r.rows.push_back({integer(system.spid), integer(0), integer(0), integer(1), integer(0),
                              integer(0), integer(0), integer(0), std::u16string(u"background"),
                              std::u16string(system.command), std::u16string()});
        }
    }
    for (const auto& [spid, session] : state.sessions()) {
        if (!rules::sees(caller, spid)) {
            continue;
        }
        const bool own = spid == callerSpid;
        const bool busy = own || session.request;
        const std::u16string command = own               ? u"SELECT"
                                       : session.request ? session.request->command
                                                         : u"AWAITING COMMAND";
        r.rows.push_back({integer(spid), integer(0), integer(0),
                          integer(session.activeDatabaseId()), integer(1), integer(0), integer(0),
                          integer(0), std::u16string(busy ? u"runnable" : u"sleeping"), command,
                          session.loginName});
    }
    return r;
}

Relation sessionsView(State& state, const Session& caller) {
    const int callerSpid = caller.spid;
    Relation r;
    r.columns = {column(u"session_id", ColumnType::SmallInt),
                 column(u"host_name", ColumnType::NVarChar, kSysnameLength, true),
                 column(u"program_name", ColumnType::NVarChar, kSysnameLength, true),
                 column(u"host_process_id", ColumnType::Int, 0, true),
                 column(u"login_name", ColumnType::NVarChar, kSysnameLength),
                 column(u"status", ColumnType::NVarChar, 30),
                 column(u"database_id", ColumnType::SmallInt),
                 column(u"is_user_process", ColumnType::SmallInt)};
    if (rules::seesOtherSessions(caller)) {
        for (const rules::SystemSession& system : rules::systemSessions()) {
            r.rows.push_back({integer(system.spid), std::nullopt, std::nullopt, std::nullopt,
                              std::u16string(), std::u16string(u"running"), integer(1),
                              integer(0)});
        }
    }
    for (const auto& [spid, session] : state.sessions()) {
        if (!rules::sees(caller, spid)) {
            continue;
        }
        const bool busy = spid == callerSpid || session.request;
        r.rows.push_back({integer(spid), session.hostName, session.programName,
                          std::int64_t{session.hostProcessId}, session.loginName,
                          std::u16string(busy ? u"running" : u"sleeping"),
                          integer(session.activeDatabaseId()), integer(1)});
    }
    return r;
}

// The requests running now: the caller's own query and every long request, which is what
// runs while the instance serves the caller.
Relation requestsView(State& state, const Session& caller) {
    const int callerSpid = caller.spid;
    Relation r;
    r.columns = {column(u"session_id", ColumnType::SmallInt),
                 column(u"request_id", ColumnType::Int),
                 column(u"status", ColumnType::NVarChar, 30),
                 column(u"command", ColumnType::NVarChar, 32),
                 column(u"database_id", ColumnType::SmallInt),
                 column(u"blocking_session_id", ColumnType::SmallInt, 0, true),
                 column(u"percent_complete", ColumnType::Real),
                 column(u"estimated_completion_time", ColumnType::BigInt),
                 column(u"total_elapsed_time", ColumnType::Int)};
    const auto now = LongRequest::Clock::now();
    for (const auto& [spid, session] : state.sessions()) {
        if (!rules::sees(caller, spid)) {
            continue;
        }
        if (spid == callerSpid) {
            r.rows.push_back({integer(spid), integer(0), std::u16string(u"running"),
                              std::u16string(u"SELECT"), integer(session.databaseId), integer(0),
                              0.0, integer(0), integer(0)});
        } else if (const auto& request = session.request) {
            r.rows.push_back({integer(spid), integer(0), std::u16string(u"suspended"),
                              request->command, integer(request->databaseId), integer(0),
                              request->percentComplete(now), request->millisecondsLeft(now),
                              request->millisecondsElapsed(now)});
        }
    }
    return r;
}

Relation sysfiles(const State& state, const Database& db) {
    Relation r;
    r.columns = {column(u"fileid", ColumnType::SmallInt),
                 column(u"groupid", ColumnType::SmallInt),
                 column(u"size", ColumnType::Int),
                 column(u"maxsize", ColumnType::Int),
                 column(u"growth", ColumnType::Int),
                 column(u"status", ColumnType::Int),
                 column(u"perf", ColumnType::Int),
                 column(u"name", ColumnType::NVarChar, kSysnameLength),
                 column(u"filename", ColumnType::NVarChar, kFileNameLength)};
    for (const DatabaseFile& file : db.files) {
        const bool data = file.kind == FileKind::Data;
        const std::int64_t pages = file.sizePages > 0 ? file.sizePages : kDefaultFilePages;
        r.rows.push_back({integer(file.fileId), integer(data ? 1 : 0), pages,
                          integer(data ? -1 : 268435456), integer(8192), integer(data ? 2 : 66),
                          integer(0), file.logicalName, paths::display(state.host(), file.path)});
    }
    return r;
}

// Catalogue names are stored in lower case and resolve as the database's collation says.
bool schemaIs(const ObjectName& name, const Collation& names,
              std::initializer_list<std::u16string_view> accepted) {
    if (name.parts.size() < 2 || name.parts[name.parts.size() - 2].empty()) {
        return true;
    }
    const std::u16string& schema = name.parts[name.parts.size() - 2];
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](std::u16string_view s) { return names.same(schema, s); });
}

// Under a case-sensitive collation a column is named only as stored: every reference of
// the query is checked before the case-insensitive lookups that follow.
void requireStoredCase(const syntax::Expr& expr, const std::vector<Column>& columns,
                       const std::vector<std::u16string>& aliases = {}) {
    if (expr.kind == Expr::Kind::Column) {
        const std::u16string& written = expr.parts.back();
        const auto named = [&](std::u16string_view stored) { return stored == written; };
        if (std::none_of(columns.begin(), columns.end(),
                         [&](const Column& c) { return named(c.name); }) &&
            std::none_of(aliases.begin(), aliases.end(), named)) {
            throw SqlError(messages::invalidColumn(written));
        }
    }
    for (const Expr& child : expr.children) {
        requireStoredCase(child, columns, aliases);
    }
}

void requireStoredCase(const syntax::Select& select, const Relation& source) {
    std::vector<std::u16string> aliases;
    for (const syntax::SelectItem& item : select.items) {
        if (!item.star) {
            requireStoredCase(item.expr, source.columns);
        }
        if (item.alias) {
            aliases.push_back(*item.alias);
        }
    }
    if (select.where) {
        requireStoredCase(*select.where, source.columns);
    }
    for (const syntax::OrderItem& order : select.orderBy) {
        requireStoredCase(order.expr, source.columns, aliases);
    }
}

// The select list resolved against the source: each output column and where its values
// come from, an expression or (for *) a source column.
struct SelectList {
    std::vector<Column> columns;
    std::vector<const Expr*> expressions;  // null where the value is a source column's
    std::vector<int> sourceIndex;
};

// A row that passed WHERE: its output values and its ORDER BY keys.
struct Produced {
    std::vector<Value> values;
    std::vector<Value> keys;
};

SelectList resolveSelectList(const syntax::Select& select, const Relation& source,
                             const Evaluator& evaluator) {
    const RowView binding{source.columns, nullptr};
    SelectList list;
    for (const syntax::SelectItem& item : select.items) {
        if (item.star) {
            if (!select.from) {
                throw SqlError(messages::selectWithoutTable());
            }
            for (std::size_t i = 0; i < source.columns.size(); ++i) {
                list.columns.push_back(source.columns[i]);
                list.expressions.push_back(nullptr);
                list.sourceIndex.push_back(static_cast<int>(i));
            }
            continue;
        }
        Evaluator::bind(item.expr, source.columns);
        std::u16string name = item.alias                             ? *item.alias
                              : item.expr.kind == Expr::Kind::Column ? item.expr.parts.back()
                                                                     : std::u16string();
        list.columns.push_back(evaluator.columnOf(item.expr, &binding, std::move(name)));
        list.expressions.push_back(&item.expr);
        list.sourceIndex.push_back(-1);
    }
    return list;
}

// An ORDER BY item is a position in the select list, an alias the source does not also
// name, or an expression over the source row.
Value orderKey(const syntax::OrderItem& order, const Produced& p, const SelectList& list,
               const Relation& source, const RowView& view, const Evaluator& evaluator) {
    if (order.expr.kind == Expr::Kind::Integer) {
        const std::int64_t position = order.expr.integer;
        if (position < 1 || position > static_cast<std::int64_t>(p.values.size())) {
            throw SqlError(messages::orderPositionOutOfRange(position));
        }
        return p.values[static_cast<std::size_t>(position - 1)];
    }
    if (order.expr.kind == Expr::Kind::Column && order.expr.parts.size() == 1) {
        const auto alias = std::find_if(
            list.columns.begin(), list.columns.end(),
            [&](const Column& c) { return text::sameName(c.name, order.expr.parts[0]); });
        const bool inSource = std::any_of(
            source.columns.begin(), source.columns.end(),
            [&](const Column& c) { return text::sameName(c.name, order.expr.parts[0]); });
        if (alias != list.columns.end() && !inSource) {
            return p.values[static_cast<std::size_t>(alias - list.columns.begin())];
        }
    }
    return evaluator.value(order.expr, &view);
}

std::vector<Produced> produceRows(const syntax::Select& select, const Relation& source,
                                  const SelectList& list, const Evaluator& evaluator) {
    std::vector<Produced> produced;
    for (const auto& row : source.rows) {
        const RowView view{source.columns, &row, source.caseSensitive};
        if (select.where && evaluator.truth(*select.where, &view) != true) {
            continue;
        }
        Produced p;
        for (std::size_t i = 0; i < list.expressions.size(); ++i) {
            p.values.push_back(list.expressions[i] != nullptr
                                   ? evaluator.value(*list.expressions[i], &view)
                                   : row[static_cast<std::size_t>(list.sourceIndex[i])]);
        }
        for (const syntax::OrderItem& order : select.orderBy) {
            p.keys.push_back(orderKey(order, p, list, source, view, evaluator));
        }
        produced.push_back(std::move(p));
    }
    return produced;
}

void sortByOrderKeys(std::vector<Produced>& produced,
                     const std::vector<syntax::OrderItem>& orderBy) {
    if (orderBy.empty()) {
        return;
    }
    std::stable_sort(produced.begin(), produced.end(), [&](const Produced& a, const Produced& b) {
        for (std::size_t k = 0; k < orderBy.size(); ++k) {
            const Value& x = a.keys[k];
            const Value& y = b.keys[k];
            int order = 0;
            if (!x || !y) {
                order = x ? 1 : (y ? -1 : 0);  // NULL sorts first
            } else {
                order = *values::compare(x, y);
            }
            if (order != 0) {
                return orderBy[k].descending ? order > 0 : order < 0;
            }
        }
        return false;
    });
}

// A column reference keeps its source column's declared length; anything else is made.
bool madeByExpression(const SelectList& list, std::size_t i) {
    return list.expressions[i] != nullptr && list.expressions[i]->kind != Expr::Kind::Column;
}

// A text column made by an expression takes any length while the values are converted;
// fitExpressionColumns narrows it to its widest value afterwards.
void widenExpressionColumns(SelectList& list) {
    for (std::size_t i = 0; i < list.columns.size(); ++i) {
        if (madeByExpression(list, i) && list.columns[i].type == ColumnType::NVarChar) {
            list.columns[i].length = kMaxNVarCharLength;
        }
    }
}

bool sameRow(const std::vector<Value>& row, const std::vector<Value>& values) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        const auto order = values::compare(row[i], values[i]);
        if (order ? *order != 0 : row[i].has_value() != values[i].has_value()) {
            return false;
        }
    }
    return true;
}

// The rows converted to the output columns, less DISTINCT's repeats, up to TOP.
std::vector<std::vector<Value>> keptRows(const syntax::Select& select,
                                         std::vector<Produced>& produced, const SelectList& list) {
    std::vector<std::vector<Value>> rows;
    for (Produced& p : produced) {
        for (std::size_t i = 0; i < p.values.size(); ++i) {
            p.values[i] = values::coerce(p.values[i], list.columns[i], false);
        }
        if (select.distinct && std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
                return sameRow(row, p.values);
            })) {
            continue;
        }
        if (select.top && static_cast<std::int64_t>(rows.size()) >= *select.top) {
            break;
        }
        rows.push_back(std::move(p.values));
    }
    return rows;
}

// A text column made by an expression is as wide as its widest value.
void fitExpressionColumns(RowSet& out, const SelectList& list) {
    for (std::size_t i = 0; i < out.columns.size(); ++i) {
        Column& c = out.columns[i];
        if (madeByExpression(list, i) && c.type == ColumnType::NVarChar) {
            c.length = 1;
            for (const auto& row : out.rows) {
                if (row[i]) {
                    c.length = std::max<int>(
                        c.length, static_cast<int>(std::get<std::u16string>(*row[i]).size()));
                }
            }
            c.length = std::min(std::max(c.length, 1), kMaxNVarCharLength);
        }
    }
}

}  // namespace

Database& databaseOf(const ObjectName& name, const Context& context) {
    if (name.parts.size() == 3 && !name.parts[0].empty()) {
        Database* db = context.state().find(name.parts[0]);
        if (!db) {
            throw SqlError(messages::invalidObject(name.written()));
        }
        rules::requireEntry(context.state(), *db, context.spid());
        return *db;
    }
    return context.currentDatabase();
}

Relation relationOf(const ObjectName& name, const Context& context) {
    Database& db = databaseOf(name, context);
    const std::u16string& object = name.object();
    const Collation names = context.state().collationOf(db);
    const auto is = [&](std::u16string_view stored,
                        std::initializer_list<std::u16string_view> schemas,
                        bool needsSchema = false) {
        return names.same(object, stored) && (!needsSchema || name.parts.size() >= 2) &&
               schemaIs(name, names, schemas);
    };
    Relation relation;
    if (is(u"sysdatabases", {u"dbo", u"sys"})) {
        relation = sysdatabases(context.state());
    } else if (is(u"databases", {u"sys"}, true)) {
        relation = sysdatabasesView(context.state());
    } else if (is(u"sysprocesses", {u"dbo", u"sys"})) {
        relation = sysprocesses(context.state(), context.session());
    } else if (is(u"dm_exec_sessions", {u"sys"}, true)) {
        relation = sessionsView(context.state(), context.session());
    } else if (is(u"dm_exec_requests", {u"sys"}, true)) {
        relation = requestsView(context.state(), context.session());
    } else if (is(u"sysfiles", {u"dbo", u"sys"})) {
        relation = sysfiles(context.state(), db);
    } else if (auto hostView = host_views::view(name, context)) {
        return std::move(*hostView);
    } else if (schemaIs(name, names, {u"dbo"})) {
        for (const Table& table : context.state().content(db).tables) {
            if (names.same(table.name, object)) {
                relation = Relation{table.columns, table.rows};
                break;
            }
        }
        if (relation.columns.empty()) {
            throw SqlError(messages::invalidObject(name.written()));
        }
    } else {
        throw SqlError(messages::invalidObject(name.written()));
    }
    relation.caseSensitive = names.caseSensitive();
    return relation;
}

namespace {

// What a SELECT reads: a table or view, a table-valued function, or one empty row when
// there is no FROM.
Relation sourceOf(const syntax::Select& select, const Evaluator& evaluator,
                  const Context& context) {
    if (!select.from) {
        return Relation{{}, {std::vector<Value>{}}};
    }
    if (!select.fromArguments) {
        return relationOf(*select.from, context);
    }
    std::vector<Value> arguments;
    for (const Expr& argument : *select.fromArguments) {
        arguments.push_back(evaluator.value(argument));
    }
    return host_views::tableFunction(*select.from, arguments, context);
}

}  // namespace

RowSet runSelect(const syntax::Select& select, const Context& context) {
    const Evaluator evaluator(context);
    const Relation source = sourceOf(select, evaluator, context);
    if (source.caseSensitive) {
        requireStoredCase(select, source);
    }
    SelectList list = resolveSelectList(select, source, evaluator);
    if (select.where) {
        Evaluator::bind(*select.where, source.columns);
    }
    std::vector<Produced> produced = produceRows(select, source, list, evaluator);
    sortByOrderKeys(produced, select.orderBy);
    widenExpressionColumns(list);
    std::vector<std::vector<Value>> rows = keptRows(select, produced, list);
    RowSet out{std::move(list.columns), std::move(rows)};
    fitExpressionColumns(out, list);
    return out;
}

}  // namespace devserver
