#include "devserver/engine/Evaluator.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "devserver/engine/FileSystemViews.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

using syntax::Expr;

Value Evaluator::value(const Expr& expr, const RowView* row) const {
    switch (expr.kind) {
        case Expr::Kind::String:
            return expr.text;
        case Expr::Kind::Integer:
            return expr.integer;
        case Expr::Kind::Null:
            return std::nullopt;
        case Expr::Kind::Variable:
            return variable(expr.text);
        case Expr::Kind::Column: {
            const std::u16string& name = expr.parts.back();
            if (row && row->values) {
                for (std::size_t i = 0; i < row->columns.size(); ++i) {
                    if (text::sameName(row->columns[i].name, name)) {
                        return (*row->values)[i];
                    }
                }
            }
            throw SqlError(messages::invalidColumn(name));
        }
        case Expr::Kind::Function:
            return function(expr, row);
        case Expr::Kind::Unary: {
            const Value operand = value(expr.children[0], row);
            return operand ? Value(values::arithmetic(u"-", std::int64_t{0}, operand)) : operand;
        }
        case Expr::Kind::Binary:
            return values::arithmetic(expr.text, value(expr.children[0], row),
                                      value(expr.children[1], row));
        default:
            throw SqlError(messages::booleanAsValue());
    }
}

std::optional<bool> Evaluator::truth(const Expr& expr, const RowView* row) const {
    switch (expr.kind) {
        case Expr::Kind::Compare: {
            const auto order =
                values::compare(value(expr.children[0], row), value(expr.children[1], row),
                                row != nullptr && row->caseSensitive);
            if (!order) {
                return std::nullopt;
            }
            const std::u16string& op = expr.text;
            if (op == u"=") {
                return *order == 0;
            }
            if (op == u"<>" || op == u"!=") {
                return *order != 0;
            }
            if (op == u"<" || op == u"!>") {
                return op == u"<" ? *order < 0 : *order <= 0;
            }
            if (op == u">" || op == u"!<") {
                return op == u">" ? *order > 0 : *order >= 0;
            }
            return op == u"<=" ? *order <= 0 : *order >= 0;
        }
        case Expr::Kind::In: {
            const Value probe = value(expr.children[0], row);
            bool unknown = false;
            for (std::size_t i = 1; i < expr.children.size(); ++i) {
                const auto order = values::compare(probe, value(expr.children[i], row),
                                                   row != nullptr && row->caseSensitive);
                if (!order) {
                    unknown = true;
                } else if (*order == 0) {
                    return !expr.negated;
                }
            }
            if (unknown) {
                return std::nullopt;
            }
            return expr.negated;
        }
        case Expr::Kind::IsNull:
            return value(expr.children[0], row).has_value() == expr.negated;
        case Expr::Kind::Not: {
            const auto inner = truth(expr.children[0], row);
            return inner ? std::optional<bool>(!*inner) : std::nullopt;
        }
        case Expr::Kind::And: {
            const auto a = truth(expr.children[0], row);
            if (a == false) {
                return false;
            }
            const auto b = truth(expr.children[1], row);
            if (b == false) {
                return false;
            }
            return (a && b) ? std::optional<bool>(true) : std::nullopt;
        }
        case Expr::Kind::Or: {
            const auto a = truth(expr.children[0], row);
            if (a == true) {
                return true;
            }
            const auto b = truth(expr.children[1], row);
            if (b == true) {
                return true;
            }
            return (a && b) ? std::optional<bool>(false) : std::nullopt;
        }
        default:
            throw SqlError(messages::nonBooleanCondition(u")"));
    }
}

Value Evaluator::variable(const std::u16string& name) const {
    if (text::equalsKeyword(name, "@@SPID")) {
        return std::int64_t{context_.spid()};
    }
    if (text::equalsKeyword(name, "@@FETCH_STATUS")) {
        return context_.run.fetchStatus;
    }
    if (text::equalsKeyword(name, "@@SERVERNAME")) {
        return std::u16string(u"DEVSERVER");
    }
    const auto found = context_.scope.variables.find(text::upper(name));
    if (found == context_.scope.variables.end()) {
        throw SqlError(messages::variableUndeclared(name));
    }
    return found->second.value;
}

Value Evaluator::function(const Expr& expr, const RowView* row) const {
    const std::u16string& name = expr.text;
    const auto& args = expr.children;
    auto argument = [&](std::size_t i) { return value(args[i], row); };
    auto arity = [&](std::size_t min, std::size_t max) {
        if (args.size() < min || args.size() > max) {
            throw SqlError(messages::functionArgumentCount(name, static_cast<std::int64_t>(min)));
        }
    };
    State& state = context_.state();
    if (text::equalsKeyword(name, "CONVERT")) {
        // Values are kept in the text forms the style argument asks for, so it changes nothing.
        return values::coerce(argument(2), convertTarget(expr), false);
    }
    if (text::equalsKeyword(name, "SERVERPROPERTY")) {
        arity(1, 1);
        return host_views::serverProperty(argument(0), context_);
    }
    if (text::equalsKeyword(name, "DB_ID")) {
        arity(0, 1);
        if (args.empty()) {
            return std::int64_t{context_.currentDatabase().id};
        }
        const Value db = argument(0);
        if (!db) {
            return std::nullopt;
        }
        const Database* database = state.find(values::toText(db));
        return database ? Value(std::int64_t{database->id}) : std::nullopt;
    }
    if (text::equalsKeyword(name, "DB_NAME")) {
        arity(0, 1);
        if (args.empty()) {
            return context_.currentDatabase().name;
        }
        const Value id = argument(0);
        if (!id) {
            return std::nullopt;
        }
        const std::int64_t number = values::toInteger(id);
        const Database* database = number >= 1 && number <= State::kMaxDatabaseId
                                       ? state.byId(static_cast<int>(number))
                                       : nullptr;
        return database ? Value(database->name) : std::nullopt;
    }
    if (text::equalsKeyword(name, "DATABASEPROPERTYEX")) {
        arity(2, 2);
        const Value db = argument(0);
        const Value property = argument(1);
        if (!db || !property) {
            return std::nullopt;
        }
        const Database* database = state.find(values::toText(db));
        if (!database) {
            return std::nullopt;
        }
        const std::u16string which = values::toText(property);
        if (text::sameName(which, u"Recovery")) {
            return std::u16string(database->recovery == Recovery::Simple ? u"SIMPLE" : u"FULL");
        }
        if (text::sameName(which, u"Status")) {
            return std::u16string(u"ONLINE");
        }
        if (text::sameName(which, u"UserAccess")) {
            return std::u16string(database->access == UserAccess::Single ? u"SINGLE_USER"
                                                                         : u"MULTI_USER");
        }
        if (text::sameName(which, u"Collation")) {
            return state.collationOf(*database).name();
        }
        return std::nullopt;
    }
    // What the client said of itself at login.
    if (text::equalsKeyword(name, "HOST_NAME") || text::equalsKeyword(name, "APP_NAME")) {
        arity(0, 0);
        const auto session = state.sessions().find(context_.spid());
        if (session == state.sessions().end()) {
            return std::nullopt;
        }
        return Value(text::equalsKeyword(name, "HOST_NAME") ? session->second.hostName
                                                            : session->second.programName);
    }
    if (text::equalsKeyword(name, "SUSER_SNAME")) {
        arity(0, 0);
        const auto session = state.sessions().find(context_.spid());
        return session != state.sessions().end() ? Value(session->second.loginName) : std::nullopt;
    }
    throw SqlError(messages::functionNotModelled(name));
}

Column Evaluator::convertTarget(const Expr& convert) {
    constexpr int kDefaultTextLength = 30;
    const std::u16string& type = convert.children[0].text;
    const std::int64_t length = convert.children[1].integer;
    Column target{u"", ColumnType::NVarChar,
                  length < 1 ? kDefaultTextLength
                             : static_cast<int>(std::min<std::int64_t>(length, kMaxNVarCharLength)),
                  true};
    if (text::equalsKeyword(type, "NVARCHAR") || text::equalsKeyword(type, "VARCHAR")) {
        return target;
    }
    if (text::equalsKeyword(type, "NCHAR") || text::equalsKeyword(type, "CHAR")) {
        target.type = ColumnType::NChar;
        return target;
    }
    if (text::equalsKeyword(type, "INT")) {
        target.type = ColumnType::Int;
    } else if (text::equalsKeyword(type, "SMALLINT") || text::equalsKeyword(type, "BIT")) {
        target.type = ColumnType::SmallInt;
    } else if (text::equalsKeyword(type, "BIGINT")) {
        target.type = ColumnType::BigInt;
    } else {
        throw SqlError(messages::conversionNotModelled(type));
    }
    return target;
}

std::u16string Evaluator::textOf(const Expr& expr) const {
    const Value result = value(expr);
    if (!result) {
        throw SqlError(messages::nullWhereTextNeeded());
    }
    return values::toText(result);
}

Column Evaluator::columnOf(const Expr& expr, const RowView* row, std::u16string name) const {
    Column column{std::move(name), ColumnType::Int, 0, true};
    switch (expr.kind) {
        case Expr::Kind::Column:
            if (row) {
                for (const Column& source : row->columns) {
                    if (text::sameName(source.name, expr.parts.back())) {
                        Column copy = source;
                        copy.name = column.name;
                        return copy;
                    }
                }
            }
            throw SqlError(messages::invalidColumn(expr.parts.back()));
        case Expr::Kind::Integer:
            column.nullable = false;
            return column;
        case Expr::Kind::String:
            column.type = ColumnType::NVarChar;
            column.length = std::max<int>(1, static_cast<int>(expr.text.size()));
            column.nullable = false;
            return column;
        case Expr::Kind::Variable: {
            if (text::equalsKeyword(expr.text, "@@SPID")) {
                column.type = ColumnType::SmallInt;
                column.nullable = false;
                return column;
            }
            if (text::equalsKeyword(expr.text, "@@SERVERNAME")) {
                column.type = ColumnType::NVarChar;
                column.length = 128;
                return column;
            }
            const auto found = context_.scope.variables.find(text::upper(expr.text));
            if (found != context_.scope.variables.end()) {
                Column copy = found->second.type;
                copy.name = column.name;
                copy.nullable = true;
                return copy;
            }
            return column;
        }
        case Expr::Kind::Function:
            if (text::equalsKeyword(expr.text, "CONVERT")) {
                Column target = convertTarget(expr);
                target.name = column.name;
                return target;
            }
            if (text::equalsKeyword(expr.text, "DB_ID")) {
                column.type = ColumnType::SmallInt;
            } else if (!text::equalsKeyword(expr.text, "@@FETCH_STATUS")) {
                column.type = ColumnType::NVarChar;
                column.length = 128;
            }
            return column;
        case Expr::Kind::Binary: {
            const Column a = columnOf(expr.children[0], row, {});
            const Column b = columnOf(expr.children[1], row, {});
            if (expr.text == u"+" && values::isTextType(a.type) && values::isTextType(b.type)) {
                column.type = ColumnType::NVarChar;
                column.length = std::min(kMaxNVarCharLength, a.length + b.length);
            } else if (a.type == ColumnType::Real || b.type == ColumnType::Real) {
                column.type = ColumnType::Real;
            } else {
                column.type = ColumnType::BigInt;
            }
            return column;
        }
        default:
            column.type = ColumnType::BigInt;
            return column;
    }
}

void Evaluator::bind(const Expr& expr, const std::vector<Column>& columns) {
    if (expr.kind == Expr::Kind::Column) {
        for (const Column& column : columns) {
            if (text::sameName(column.name, expr.parts.back())) {
                return;
            }
        }
        throw SqlError(messages::invalidColumn(expr.parts.back()));
    }
    for (const Expr& child : expr.children) {
        bind(child, columns);
    }
}

}  // namespace devserver
