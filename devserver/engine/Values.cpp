#include "devserver/engine/Values.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

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

}  // namespace devserver
