#include "kv3dump/tag_verify.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "tables/expr/expression.h"
#include "tables/expr/table_record.h"
#include "tables/expr/tag_key.h"

namespace kx::kv3dump {
namespace {

namespace cdx = tables::cdx;
namespace dbf = tables::dbf;
using tables::Status;
using tables::WorkArea;
using tables::expr::can_build_keys;
using tables::expr::Datum;
using tables::expr::Expression;
using tables::expr::FieldInfo;
using tables::expr::fields_of;
using tables::expr::KeyPlan;
using tables::expr::make_key;
using tables::expr::plan_key;
using tables::expr::TableRecord;
using tables::expr::Type;

// A walk that yields this many entries more than the table has records is
// taken for a loop in the index rather than collected further.
constexpr uint64_t kMaxSurplusEntries = 65536;

// Entries are kept as (record number, key hash) pairs, 12 bytes each
// whatever the key length, so that large tables fit in a 32-bit process;
// the keys themselves are read again only for the records reported as
// different.
struct Entries {
  std::vector<uint32_t> recnos;
  std::vector<uint64_t> hashes;
};

// FNV-1a with a final mix; two different keys of one record meet the same
// hash with a chance of about 2^-64.
uint64_t key_hash(std::string_view key) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : key) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

// Walks the tag in its order and calls visit(key, recno) for each entry;
// corruption when the walk yields more than limit entries.
template <class Visit>
Status walk(cdx::IndexFile& index, size_t tag, uint64_t limit, Visit visit) {
  std::unique_ptr<cdx::TagCursor> cursor = index.cursor(tag);
  uint64_t seen = 0;
  for (cursor->seek_first(); cursor->valid(); cursor->next()) {
    if (++seen > limit) {
      return Status::corruption(index.name(), "tag " + index.tags()[tag].name + ": more than " +
                                                  std::to_string(limit) + " entries");
    }
    visit(cursor->key(), cursor->recno());
  }
  return cursor->status();
}

class Checker {
 public:
  Checker(dbf::Table* table, const cdx::TagInfo& tag, std::vector<FieldInfo> fields,
          VerifyReport* report)
      : tag_(tag), fields_(std::move(fields)), record_(table), report_(report) {}

  // Compiles the expressions and plans the keys; false (with the reason in
  // the report) when the tag cannot be evaluated.
  bool prepare() {
    Status status = can_build_keys(tag_);
    if (!status.ok()) return unevaluable(status.description());
    key_ = Expression::compile(tag_.key_expression, fields_, &status);
    if (!key_) return unevaluable("key expression: " + status.description());
    if (!tag_.for_expression.empty()) {
      for_ = Expression::compile(tag_.for_expression, fields_, &status);
      if (!for_) return unevaluable("FOR expression: " + status.description());
      if (for_->type() != Type::kLogical) return unevaluable("FOR expression is not logical");
    }
    status = plan_key(tag_, *key_, &plan_);
    if (!status.ok()) return unevaluable(status.description());
    report_->evaluable = true;
    report_->plan = plan_;
    return true;
  }

  char fill() const { return plan_.fill; }

  // Evaluates every record and compares with entries.
  void run(uint32_t count, const Entries& entries) {
    std::vector<uint32_t> order(entries.recnos.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return entries.recnos[a] < entries.recnos[b]; });
    size_t next = 0;
    for (; next < order.size() && entries.recnos[order[next]] == 0; ++next)
      report_->extra.push_back(0);
    for (uint32_t recno = 1; recno <= count; ++recno) {
      size_t end = next;
      while (end < order.size() && entries.recnos[order[end]] == recno) ++end;
      bool wanted = false;
      std::string expected;
      if (!expected_key(recno, &wanted, &expected)) return;
      compare(recno, wanted, expected, entries, order, next, end);
      next = end;
    }
    for (; next < order.size(); ++next) report_->extra.push_back(entries.recnos[order[next]]);
    drop_suppressed_duplicates();
  }

 private:
  bool unevaluable(const std::string& reason) {
    report_->evaluable = false;
    report_->reason = reason;
    report_->missing.clear();
    report_->extra.clear();
    report_->different.clear();
    return false;
  }

  // A read error stops the check; any other problem makes the tag unevaluable.
  bool problem_at(uint32_t recno, const std::string& problem) {
    if (!record_.status().ok()) {
      report_->status = record_.status();
      return false;
    }
    return unevaluable("record " + std::to_string(recno) + ": " + problem);
  }

  bool expected_key(uint32_t recno, bool* wanted, std::string* key) {
    const Status s = record_.load(recno);
    if (!s.ok()) {
      report_->status = s;
      return false;
    }
    Datum value;
    if (for_) {
      const Status evaluated = for_->evaluate(record_, &value);
      if (!evaluated.ok()) return problem_at(recno, evaluated.description());
      if (value.null) return problem_at(recno, "FOR expression gives NULL");
      if (!value.logical) return true;
    }
    *wanted = true;
    Status evaluated = key_->evaluate(record_, &value);
    if (evaluated.ok()) evaluated = make_key(plan_, value, key);
    if (!evaluated.ok()) return problem_at(recno, evaluated.description());
    return true;
  }

  void compare(uint32_t recno, bool wanted, const std::string& expected, const Entries& entries,
               const std::vector<uint32_t>& order, size_t begin, size_t end) {
    if (!wanted) {
      for (size_t i = begin; i < end; ++i) report_->extra.push_back(recno);
      return;
    }
    const uint64_t hash = key_hash(expected);
    if (begin == end) {
      report_->missing.push_back(recno);
      if (tag_.unique) missing_keys_.emplace_back(recno, hash);
      return;
    }
    size_t match = end;
    for (size_t i = begin; i < end && match == end; ++i) {
      if (entries.hashes[order[i]] == hash) match = i;
    }
    if (match == end) {
      // The actual key is filled in by a second walk.
      report_->different.push_back(KeyDifference{recno, expected, ""});
      match = begin;
    } else if (tag_.unique) {
      held_keys_.insert(hash);
    }
    for (size_t i = begin; i < end; ++i) {
      if (i != match) report_->extra.push_back(recno);
    }
  }

  // A UNIQUE tag holds one entry per key value, so a record whose key is
  // held by another record's entry is not missing.
  void drop_suppressed_duplicates() {
    if (!tag_.unique) return;
    std::vector<uint32_t> missing;
    for (const auto& [recno, key] : missing_keys_) {
      if (held_keys_.count(key) == 0) missing.push_back(recno);
    }
    report_->missing = std::move(missing);
  }

  const cdx::TagInfo& tag_;
  const std::vector<FieldInfo> fields_;
  TableRecord record_;
  VerifyReport* const report_;
  std::unique_ptr<Expression> key_;
  std::unique_ptr<Expression> for_;
  KeyPlan plan_;
  std::vector<std::pair<uint32_t, uint64_t>> missing_keys_;
  std::set<uint64_t> held_keys_;
};

// The first entry in tag order of each record reported as different holds
// its actual key.
void fill_actual_keys(cdx::IndexFile& index, size_t tag, uint64_t limit, VerifyReport* report) {
  std::map<uint32_t, KeyDifference*> wanted;
  for (KeyDifference& d : report->different) wanted[d.recno] = &d;
  report->status = walk(index, tag, limit, [&](std::string_view key, uint32_t recno) {
    const auto it = wanted.find(recno);
    if (it == wanted.end()) return;
    it->second->actual = std::string(key);
    wanted.erase(it);
  });
}

}  // namespace

bool VerifyReport::has_findings() const {
  if (!status.ok()) return true;
  return evaluable && (!missing.empty() || !extra.empty() || !different.empty());
}

VerifyReport verify_tag(dbf::Table& table, cdx::IndexFile& index, size_t tag,
                        const std::vector<FieldInfo>* fields) {
  const cdx::TagInfo info = index.tags()[tag];
  VerifyReport report;
  report.tag = info.name;
  Checker checker(&table, info, fields ? *fields : fields_of(table), &report);
  if (!checker.prepare()) return report;
  uint32_t count = 0;
  report.status = table.refresh(&count);
  if (!report.status.ok()) return report;
  index.set_fill(tag, checker.fill());
  const uint64_t limit = static_cast<uint64_t>(count) + kMaxSurplusEntries;
  Entries entries;
  report.status = walk(index, tag, limit, [&](std::string_view key, uint32_t recno) {
    entries.recnos.push_back(recno);
    entries.hashes.push_back(key_hash(key));
  });
  if (!report.status.ok()) return report;
  checker.run(count, entries);
  if (report.status.ok() && !report.different.empty()) fill_actual_keys(index, tag, limit, &report);
  return report;
}

VerifyReport verify_tag(WorkArea& area, size_t tag) {
  if (area.index() == nullptr) {
    VerifyReport report;
    report.reason = "the table has no index";
    return report;
  }
  return verify_tag(area.table(), *area.index(), tag);
}

}  // namespace kx::kv3dump
