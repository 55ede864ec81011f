#include "tables/expr/key_typer.h"

#include <memory>
#include <utility>

#include "tables/expr/tag_key.h"

namespace kx::tables::expr {

cdx::KeyTyper key_typer(std::vector<FieldInfo> fields) {
  return [fields = std::move(fields)](const cdx::TagInfo& tag) -> std::optional<char> {
    Status status;
    const std::unique_ptr<Expression> key =
        Expression::compile(tag.key_expression, fields, &status);
    KeyPlan plan;
    if (!key || !plan_key(tag, *key, &plan).ok()) return std::nullopt;
    return plan.fill;
  };
}

}  // namespace kx::tables::expr
