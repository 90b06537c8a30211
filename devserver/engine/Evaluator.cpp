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

namespace values {

namespace {

std::int64_t checked(__int128 value) {
    if (value > std::numeric_limits<std::int64_t>::max() ||
        value < std::numeric_limits<std::int64_t>::min()) {
        throw SqlError(messages::arithmeticOverflow());
    }
    return static_cast<std::int64_t>(value);
}

bool isReal(const Value& value) {
    return value && std::holds_alternative<double>(*value);
}

// A real as SQL Server converts one to text: up to seven significant digits.
std::u16string realText(double value) {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.7g", value);
    return text::fromAscii(buffer.data());
}

double toReal(const Value& value) {
    if (const auto* real = std::get_if<double>(&*value)) {
        return *real;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) {
        return static_cast<double>(*integer);
    }
    const std::string digits =
        text::toUtf8(text::trimTrailingBlanks(std::get<std::u16string>(*value)));
    char* end = nullptr;
    const double real = std::strtod(digits.c_str(), &end);
    if (digits.empty() || end != digits.c_str() + digits.size()) {
        throw SqlError(messages::conversionFailed(std::get<std::u16string>(*value)));
    }
    return real;
}

Value realArithmetic(const std::u16string& op, double x, double y) {
    if (op == u"+") {
        return x + y;
    }
    if (op == u"-") {
        return x - y;
    }
    if (op == u"*") {
        return x * y;
    }
    if (y == 0) {
        throw SqlError(messages::divideByZero());
    }
    return op == u"/" ? x / y : std::fmod(x, y);
}

}  // namespace

bool isTextType(ColumnType type) {
    return type == ColumnType::NVarChar || type == ColumnType::NChar;
}

std::int64_t toInteger(const Value& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) {
        return *integer;
    }
    if (const auto* real = std::get_if<double>(&*value)) {
        // A real becomes an integer by dropping its fraction.
        if (!(std::fabs(*real) < 9.2e18)) {
            throw SqlError(messages::arithmeticOverflow());
        }
        return static_cast<std::int64_t>(*real);
    }
    const std::u16string& textValue = std::get<std::u16string>(*value);
    std::size_t i = 0;
    while (i < textValue.size() && textValue[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < textValue.size() && (textValue[i] == u'-' || textValue[i] == u'+')) {
        negative = textValue[i++] == u'-';
    }
    const std::u16string_view digits =
        text::trimTrailingBlanks(std::u16string_view(textValue).substr(i));
    if (digits.empty()) {
        throw SqlError(messages::conversionFailed(textValue));
    }
    __int128 result = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') {
            throw SqlError(messages::conversionFailed(textValue));
        }
        result = result * 10 + (c - u'0');
        if (result > std::numeric_limits<std::int64_t>::max()) {
            throw SqlError(messages::arithmeticOverflow());
        }
    }
    return static_cast<std::int64_t>(negative ? -result : result);
}

std::u16string toText(const Value& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) {
        return text::number(*integer);
    }
    if (const auto* real = std::get_if<double>(&*value)) {
        return realText(*real);
    }
    return std::get<std::u16string>(*value);
}

std::optional<int> compare(const Value& a, const Value& b, bool caseSensitive) {
    if (!a || !b) {
        return std::nullopt;
    }
    const bool aText = std::holds_alternative<std::u16string>(*a);
    const bool bText = std::holds_alternative<std::u16string>(*b);
    if (aText && bText) {
        const auto x = text::trimTrailingBlanks(std::get<std::u16string>(*a));
        const auto y = text::trimTrailingBlanks(std::get<std::u16string>(*b));
        if (caseSensitive) {
            return x == y ? 0 : (x < y ? -1 : 1);
        }
        return text::compareText(x, y);
    }
    if (isReal(a) || isReal(b)) {
        const double x = toReal(a);
        const double y = toReal(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const std::int64_t x = toInteger(a);
    const std::int64_t y = toInteger(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

Value coerce(const Value& value, const Column& column, bool checkLength) {
    if (!value) {
        return value;
    }
    if (isTextType(column.type)) {
        std::u16string result = toText(value);
        if (result.size() > static_cast<std::size_t>(column.length)) {
            if (checkLength &&
                text::trimTrailingBlanks(result).size() > static_cast<std::size_t>(column.length)) {
                throw SqlError(messages::truncated());
            }
            result.resize(static_cast<std::size_t>(column.length));
        }
        if (column.type == ColumnType::NChar) {
            result.resize(static_cast<std::size_t>(column.length), u' ');
        }
        return result;
    }
    if (column.type == ColumnType::Real) {
        return toReal(value);
    }
    const std::int64_t integer = toInteger(value);
    const std::int64_t limit = column.type == ColumnType::SmallInt ? 32767
                               : column.type == ColumnType::Int
                                   ? std::numeric_limits<std::int32_t>::max()
                                   : std::numeric_limits<std::int64_t>::max();
    if (integer > limit || integer < -limit - 1) {
        throw SqlError(messages::arithmeticOverflow());
    }
    return integer;
}

Value arithmetic(const std::u16string& op, const Value& a, const Value& b) {
    if (!a || !b) {
        return std::nullopt;
    }
    if (op == u"+" && std::holds_alternative<std::u16string>(*a) &&
        std::holds_alternative<std::u16string>(*b)) {
        return std::get<std::u16string>(*a) + std::get<std::u16string>(*b);
    }
    if (isReal(a) || isReal(b)) {
        return realArithmetic(op, toReal(a), toReal(b));
    }
    const __int128 x = toInteger(a);
    const __int128 y = toInteger(b);
    if (op == u"+") {
        return checked(x + y);
    }
    if (op == u"-") {
        return checked(x - y);
    }
    if (op == u"*") {
        return checked(x * y);
    }
    if (y == 0) {
        throw SqlError(messages::divideByZero());
    }
    return checked(op == u"/" ? x / y : x % y);
}

}  // namespace values

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
