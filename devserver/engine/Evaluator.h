#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Execution.h"
#include "devserver/engine/Values.h"

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

}  // namespace devserver
