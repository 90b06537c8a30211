#include "devserver/engine/Query.h"

#include <algorithm>
#include <numeric>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/FileSystemViews.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

using syntax::Expr;
using syntax::ObjectName;

namespace {

constexpr int kSysnameLength = 128;
constexpr int kFileNameLength = 260;

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
                 column(u"state_desc", ColumnType::NVarChar, 60, true)};
    for (const auto& [id, db] : state.databases()) {
        const bool simple = db.recovery == Recovery::Simple;
        r.rows.push_back({db.name, integer(id), integer(simple ? 3 : 1),
                          std::u16string(simple ? u"SIMPLE" : u"FULL"), std::u16string(u"ONLINE")});
    }
    return r;
}

Relation sysprocesses(State& state, int callerSpid) {
    Relation r;
    r.columns = {
        column(u"spid", ColumnType::SmallInt),         column(u"kpid", ColumnType::SmallInt),
        column(u"blocked", ColumnType::SmallInt),      column(u"dbid", ColumnType::SmallInt),
        column(u"uid", ColumnType::SmallInt, 0, true), column(u"cpu", ColumnType::Int),
        column(u"physical_io", ColumnType::BigInt),    column(u"memusage", ColumnType::Int),
        column(u"status", ColumnType::NChar, 30),      column(u"cmd", ColumnType::NChar, 16),
        column(u"loginame", ColumnType::NChar, 128)};
    for (const auto& [spid, session] : state.sessions()) {
        const bool caller = spid == callerSpid;
        r.rows.push_back(
            {integer(spid), integer(0), integer(0), integer(session.databaseId), integer(1),
             integer(0), integer(0), integer(0), std::u16string(caller ? u"runnable" : u"sleeping"),
             std::u16string(caller ? u"SELECT" : u"AWAITING COMMAND"), std::u16string(u"sa")});
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
                 column(u"filename", ColumnType::NChar, kFileNameLength)};
    for (const DatabaseFile& file : db.files) {
        const bool data = file.kind == FileKind::Data;
        r.rows.push_back({integer(file.fileId), integer(data ? 1 : 0), integer(1024),
                          integer(data ? -1 : 268435456), integer(8192), integer(data ? 2 : 66),
                          integer(0), file.logicalName, paths::display(state.host(), file.path)});
    }
    return r;
}

bool schemaIs(const ObjectName& name, std::initializer_list<const char*> accepted) {
    if (name.parts.size() < 2 || name.parts[name.parts.size() - 2].empty()) {
        return true;
    }
    const std::u16string& schema = name.parts[name.parts.size() - 2];
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](const char* s) { return text::equalsKeyword(schema, s); });
}

}  // namespace

Database& databaseOf(const ObjectName& name, const Context& context) {
    if (name.parts.size() == 3 && !name.parts[0].empty()) {
        Database* db = context.state().find(name.parts[0]);
        if (!db) {
            throw SqlError(messages::invalidObject(name.written()));
        }
        return *db;
    }
    return context.currentDatabase();
}

Relation relationOf(const ObjectName& name, const Context& context) {
    Database& db = databaseOf(name, context);
    const std::u16string& object = name.object();
    if (text::equalsKeyword(object, "SYSDATABASES") && schemaIs(name, {"DBO", "SYS"})) {
        return sysdatabases(context.state());
    }
    if (text::equalsKeyword(object, "DATABASES") && name.parts.size() >= 2 &&
        schemaIs(name, {"SYS"})) {
        return sysdatabasesView(context.state());
    }
    if (text::equalsKeyword(object, "SYSPROCESSES") && schemaIs(name, {"DBO", "SYS"})) {
        return sysprocesses(context.state(), context.spid());
    }
    if (text::equalsKeyword(object, "SYSFILES") && schemaIs(name, {"DBO", "SYS"})) {
        return sysfiles(context.state(), db);
    }
    if (auto hostView = hostviews::view(name, context)) {
        return std::move(*hostView);
    }
    if (schemaIs(name, {"DBO"})) {
        for (const Table& table : context.state().content(db).tables) {
            if (text::sameName(table.name, object)) {
                return Relation{table.columns, table.rows};
            }
        }
    }
    throw SqlError(messages::invalidObject(name.written()));
}

RowSet runSelect(const syntax::Select& select, const Context& context) {
    const Evaluator evaluator(context);
    Relation source = Relation{{}, {std::vector<Value>{}}};
    if (select.from && select.fromArguments) {
        std::vector<Value> arguments;
        for (const Expr& argument : *select.fromArguments) {
            arguments.push_back(evaluator.value(argument));
        }
        source = hostviews::tableFunction(*select.from, arguments, context);
    } else if (select.from) {
        source = relationOf(*select.from, context);
    }
    const RowView binding{source.columns, nullptr};

    // Output columns and where each comes from: a source column or an expression.
    RowSet out;
    std::vector<const Expr*> expressions;
    std::vector<int> sourceIndex;
    for (const syntax::SelectItem& item : select.items) {
        if (item.star) {
            if (!select.from) {
                throw SqlError(messages::error(263, 16, u"Must specify table to select from."));
            }
            for (std::size_t i = 0; i < source.columns.size(); ++i) {
                out.columns.push_back(source.columns[i]);
                expressions.push_back(nullptr);
                sourceIndex.push_back(static_cast<int>(i));
            }
            continue;
        }
        Evaluator::bind(item.expr, source.columns);
        std::u16string name = item.alias                             ? *item.alias
                              : item.expr.kind == Expr::Kind::Column ? item.expr.parts.back()
                                                                     : std::u16string();
        out.columns.push_back(evaluator.columnOf(item.expr, &binding, std::move(name)));
        expressions.push_back(&item.expr);
        sourceIndex.push_back(-1);
    }
    if (select.where) {
        Evaluator::bind(*select.where, source.columns);
    }

    struct Produced {
        std::vector<Value> values;
        std::vector<Value> keys;
    };
    std::vector<Produced> produced;
    for (const auto& row : source.rows) {
        const RowView view{source.columns, &row};
        if (select.where && evaluator.truth(*select.where, &view) != true) {
            continue;
        }
        Produced p;
        for (std::size_t i = 0; i < expressions.size(); ++i) {
            p.values.push_back(expressions[i] ? evaluator.value(*expressions[i], &view)
                                              : row[static_cast<std::size_t>(sourceIndex[i])]);
        }
        for (const syntax::OrderItem& order : select.orderBy) {
            if (order.expr.kind == Expr::Kind::Integer) {
                const std::int64_t position = order.expr.integer;
                if (position < 1 || position > static_cast<std::int64_t>(p.values.size())) {
                    throw SqlError(messages::error(
                        108, 16,
                        u"The ORDER BY position number " + text::number(position) +
                            u" is out of range of the number of items in the select list."));
                }
                p.keys.push_back(p.values[static_cast<std::size_t>(position - 1)]);
                continue;
            }
            if (order.expr.kind == Expr::Kind::Column && order.expr.parts.size() == 1) {
                const auto alias = std::find_if(
                    out.columns.begin(), out.columns.end(),
                    [&](const Column& c) { return text::sameName(c.name, order.expr.parts[0]); });
                const bool inSource = std::any_of(
                    source.columns.begin(), source.columns.end(),
                    [&](const Column& c) { return text::sameName(c.name, order.expr.parts[0]); });
                if (alias != out.columns.end() && !inSource) {
                    p.keys.push_back(
                        p.values[static_cast<std::size_t>(alias - out.columns.begin())]);
                    continue;
                }
            }
            p.keys.push_back(evaluator.value(order.expr, &view));
        }
        produced.push_back(std::move(p));
    }

    if (!select.orderBy.empty()) {
        std::stable_sort(produced.begin(), produced.end(),
                         [&](const Produced& a, const Produced& b) {
                             for (std::size_t k = 0; k < select.orderBy.size(); ++k) {
                                 const Value& x = a.keys[k];
                                 const Value& y = b.keys[k];
                                 int order = 0;
                                 if (!x || !y) {
                                     order = x ? 1 : (y ? -1 : 0);  // NULL sorts first
                                 } else {
                                     order = *values::compare(x, y);
                                 }
                                 if (order != 0) {
                                     return select.orderBy[k].descending ? order > 0 : order < 0;
                                 }
                             }
                             return false;
                         });
    }

    // A text column made by an expression is as wide as its widest value.
    for (std::size_t i = 0; i < out.columns.size(); ++i) {
        if (expressions[i] && out.columns[i].type == ColumnType::NVarChar) {
            out.columns[i].length = 4000;
        }
    }
    for (Produced& p : produced) {
        for (std::size_t i = 0; i < p.values.size(); ++i) {
            p.values[i] = values::coerce(p.values[i], out.columns[i], false);
        }
        if (select.distinct) {
            const bool seen = std::any_of(out.rows.begin(), out.rows.end(), [&](const auto& row) {
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const auto order = values::compare(row[i], p.values[i]);
                    if (order ? *order != 0 : row[i].has_value() != p.values[i].has_value()) {
                        return false;
                    }
                }
                return true;
            });
            if (seen) {
                continue;
            }
        }
        if (select.top && static_cast<std::int64_t>(out.rows.size()) >= *select.top) {
            break;
        }
        out.rows.push_back(std::move(p.values));
    }
    for (std::size_t i = 0; i < out.columns.size(); ++i) {
        Column& c = out.columns[i];
        if (expressions[i] && c.type == ColumnType::NVarChar) {
            c.length = 1;
            for (const auto& row : out.rows) {
                if (row[i]) {
                    c.length = std::max<int>(
                        c.length, static_cast<int>(std::get<std::u16string>(*row[i]).size()));
                }
            }
            c.length = std::min(std::max(c.length, 1), 4000);
        }
    }
    return out;
}

}  // namespace devserver
