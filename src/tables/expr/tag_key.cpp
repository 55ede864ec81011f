#include "tables/expr/tag_key.h"

#include "tables/cdx/cdx_format.h"
#include "tables/cdx/key_encoding.h"

namespace kx::tables::expr {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

size_t encoded_length(const KeyPlan& plan) {
  switch (plan.type) {
    case Type::kNumber:
      return plan.integer ? 4 : 8;
    case Type::kDate:
    case Type::kDateTime:
      return 8;
    case Type::kLogical:
      return 1;
    default:
      return 0;  // any length
  }
}

}  // namespace

Status can_build_keys(const cdx::TagInfo& tag) {
  if (tag.signature == cdx::kSignatureBitmap || !tag.is_btree()) {
    return Status::expression("bitmap tag");
  }
  if (tag.signature != cdx::kSignatureMachine) {
    return Status::expression("tag under collation " +
                              (tag.collation.empty() ? std::string("?") : tag.collation) +
                              ": only machine-collation tags are checked");
  }
  return Status();
}

Status plan_key(const cdx::TagInfo& tag, const Expression& key, KeyPlan* plan) {
  Status s = can_build_keys(tag);
  if (!s.ok()) return s;
  KeyPlan p;
  p.type = key.type();
  p.integer = key.is_integer_field();
  p.nullable = tag.nullable;
  p.length = tag.key_length;
  p.fill = p.type == Type::kCharacter && !p.nullable ? ' ' : '\0';
  const size_t value_length = p.length - (p.nullable ? 1 : 0);
  const size_t wanted = encoded_length(p);
  if (p.length <= (p.nullable ? 1u : 0u) || (wanted != 0 && wanted != value_length)) {
    return Status::expression("key length " + std::to_string(p.length) + " does not fit " +
                                  (p.integer ? "integer" : type_name(p.type)) + " keys" +
                                  (p.nullable ? " with a NULL indicator" : ""),
                              kGenDataWidth);
  }
  *plan = p;
  return Status();
}

Status make_key(const KeyPlan& plan, const Datum& value, std::string* key) {
  if (value.null) {
    if (!plan.nullable) return Status::expression("NULL key in a tag without NULL keys");
    key->assign(plan.length, '\0');
    return Status();
  }
  std::string bytes;
  switch (plan.type) {
    case Type::kCharacter:
      bytes = value.text;
      break;
    case Type::kNumber:
      bytes = plan.integer ? cdx::encode_integer(static_cast<int32_t>(value.number))
                           : cdx::encode_numeric(value.number);
      break;
    case Type::kDate:
      bytes = cdx::encode_date(value.date);
      break;
    case Type::kDateTime:
      bytes = cdx::encode_numeric(static_cast<double>(value.day) +
                                  value.milliseconds / kMillisecondsPerDay);
      break;
    case Type::kLogical:
      bytes = cdx::encode_logical(value.logical);
      break;
  }
  const size_t value_length = plan.length - (plan.nullable ? 1 : 0);
  bytes.resize(value_length, ' ');
  *key = plan.nullable ? cdx::kNotNullIndicator + bytes : bytes;
  return Status();
}

}  // namespace kx::tables::expr
