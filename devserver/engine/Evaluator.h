#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Execution.h"

namespace devserver {

// A row that column references are read from.
struct RowView {
    const std::vector<Column>& columns;
    const std::vector<Value>* values = nullptr;  // null when only binding names
    // The row's texts compare with regard to case (a case-sensitive or binary collation).
    bool caseSensitive = false;
};

// Evaluates expressions with SQL Server's NULL logic and implicit int/nvarchar conversion.
class Evaluator {
  public:
    explicit Evaluator(const Context& context) : context_(context) {}

    Value value(const syntax::Expr& expr, const RowView* row = nullptr) const;
    std::optional<bool> truth(const syntax::Expr& expr, const RowView* row = nullptr) const;
    // The column a select-list expression yields, before any row is read.
    Column columnOf(const syntax::Expr& expr, const RowView* row, std::u16string name) const;
    // Throws 207 for a column reference the row does not have.
    static void bind(const syntax::Expr& expr, const std::vector<Column>& columns);

    std::u16string textOf(const syntax::Expr& expr) const;  // NULL → error
    // The type CONVERT converts to; throws for a type that is not modelled.
    static Column convertTarget(const syntax::Expr& convert);

  private:
    Value function(const syntax::Expr& expr, const RowView* row) const;
    Value variable(const std::u16string& name) const;

    const Context& context_;
};

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
