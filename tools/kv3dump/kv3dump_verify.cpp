#include "kv3dump/kv3dump_verify.h"

#include <algorithm>
#include <charconv>

#include "kv3dump/key_text.h"
#include "kv3dump/kv3dump.h"
#include "kv3dump/record_text.h"

namespace kx::kv3dump {
namespace {

std::string number_list(const std::vector<uint32_t>& numbers) {
  std::string out = "[";
  for (size_t i = 0; i < numbers.size(); ++i) out += (i ? "," : "") + std::to_string(numbers[i]);
  return out + "]";
}

// Index into the tags of the tag named or numbered (from 1) order; -1 when none.
int find_tag(const tables::cdx::IndexFile& index, const std::string& order) {
  uint32_t number = 0;
  const auto r = std::from_chars(order.data(), order.data() + order.size(), number);
  if (r.ec == std::errc() && r.ptr == order.data() + order.size()) {
    return number >= 1 && number <= index.tags().size() ? static_cast<int>(number - 1) : -1;
  }
  return index.find_tag(order);
}

// The last line: what the tag lines said, counted.
std::string verify_summary_json(size_t match, size_t mismatch, size_t unchecked) {
  const size_t tags = match + mismatch + unchecked;
  const std::string words = std::to_string(tags) + (tags == 1 ? " tag: " : " tags: ") +
                            std::to_string(match) + " matching the table, " +
                            std::to_string(mismatch) + " differing, " + std::to_string(unchecked) +
                            " not checked";
  return "{\"summary\":" + json_text(words) + ",\"tags\":" + std::to_string(tags) +
         ",\"match\":" + std::to_string(match) + ",\"mismatch\":" + std::to_string(mismatch) +
         ",\"unchecked\":" + std::to_string(unchecked) + "}";
}

}  // namespace

std::string verify_report_json(const VerifyReport& report, const CodePage& page) {
  std::string out =
      "{\"tag\":" + json_string(report.tag) +
      ",\"evaluable\":" + (report.evaluable ? "true" : "false") + ",\"reason\":" +
      json_text(page.to_utf8(report.status.ok() ? report.reason : report.status.description())) +
      ",\"missing\":" + number_list(report.missing) + ",\"extra\":" + number_list(report.extra) +
      ",\"different\":[";
  for (size_t i = 0; i < report.different.size(); ++i) {
    const KeyDifference& d = report.different[i];
    out += (i ? ",{\"recno\":" : "{\"recno\":") + std::to_string(d.recno) +
           ",\"expected\":" + key_json(d.expected, report.plan, page) +
           ",\"actual\":" + key_json(d.actual, report.plan, page) + "}";
  }
  return out + "]}";
}

int verify_tags(const Options& options, OpenedTable& table, std::ostream& out, std::ostream& err) {
  if (!table.index_error.ok()) {
    err << "kv3dump: " << table.index_problem() << "\n";
    return kExitCannotRead;
  }
  tables::cdx::IndexFile* index = table.area->index();
  if (index == nullptr) {
    err << "kv3dump: " << options.file << " has no index\n";
    return kExitNoIndex;
  }
  size_t first = 0, last = index->tags().size();
  if (!options.order.empty()) {
    const int tag = find_tag(*index, options.order);
    if (tag < 0) {
      err << "kv3dump: no tag " << options.order << " (see kv3dump --info " << options.file
          << ")\n";
      return kExitUsage;
    }
    first = static_cast<size_t>(tag);
    last = first + 1;
  }
  size_t match = 0, mismatch = 0, unchecked = 0;
  for (size_t t = first; t < last; ++t) {
    const VerifyReport report = verify_tag(table.area->table(), *index, t, &table.fields);
    out << verify_report_json(report, *table.code_page) << "\n";
    ++(report.has_findings() ? mismatch : !report.evaluable ? unchecked : match);
  }
  out << verify_summary_json(match, mismatch, unchecked) << "\n";
  return mismatch ? kExitMismatch : unchecked ? kExitUnchecked : kExitOk;
}

int run_kv3dump_verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> with_verify = args;
  if (std::find(args.begin(), args.end(), "--verify") == args.end()) {
    with_verify.insert(with_verify.begin(), "--verify");
  }
  return run_kv3dump(with_verify, out, err);
}

}  // namespace kx::kv3dump
