#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "devserver/engine/Reply.h"

// Values with SQL Server's NULL logic and its implicit int/nvarchar conversions: what the
// evaluator computes with, and what the views of the host's files read their arguments by.
namespace devserver {

namespace values {

bool isTextType(ColumnType type);
Value arithmetic(const std::u16string& op, const Value& a, const Value& b);  // + - * / %

// nullopt when either is NULL; texts ignore trailing blanks, and case unless told.
std::optional<int> compare(const Value& a, const Value& b, bool caseSensitive = false);
std::int64_t toInteger(const Value& value);  // throws 245
std::u16string toText(const Value& value);
// Converts to the column's type, as INSERT and SELECT do; throws 8152, 245 or 515.
Value coerce(const Value& value, const Column& column, bool checkLength);

}  // namespace values

}  // namespace devserver
