#include "support/kv3dump_verify.h"

#include <charconv>
#include <memory>

#include "support/kv3dump.h"
#include "tables/byte_source.h"
#include "tables/dbf/table_files.h"
#include "tables/expr/key_typer.h"
#include "tables/expr/table_record.h"
#include "tables/work_area.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::expr::VerifyReport;

constexpr char kUsage[] = "usage: kv3dump --verify FILE [--order TAG]\n";

struct Options {
  std::string file;
  std::string order;
};

bool parse_args(const std::vector<std::string>& args, Options* o, std::string* problem) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--verify") continue;
    if (a == "--order" && i + 1 < args.size()) {
      o->order = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return *problem = "unknown option " + a, false;
    } else if (o->file.empty()) {
      o->file = a;
    } else {
      return *problem = "more than one file", false;
    }
  }
  if (o->file.empty()) return *problem = "no file", false;
  return true;
}

std::string number_list(const std::vector<uint32_t>& numbers) {
  std::string out = "[";
  for (size_t i = 0; i < numbers.size(); ++i) out += (i ? "," : "") + std::to_string(numbers[i]);
  return out + "]";
}

// The table with its index: through a work area, or for a database
// container (whose index has the extension DCX) table and index directly.
struct Opened {
  std::unique_ptr<tables::WorkArea> area;
  std::unique_ptr<tables::dbf::Table> table;
  std::unique_ptr<tables::cdx::IndexFile> index;
  tables::dbf::Table* table_ptr() { return area ? &area->table() : table.get(); }
  tables::cdx::IndexFile* index_ptr() { return area ? area->index() : index.get(); }
};

Status open(const std::string& file, Opened* o) {
  Status status;
  o->area = tables::WorkArea::open(file, "KV3VERIFY", true, true, &status);
  if (!o->area || o->area->index() != nullptr) return status;
  const std::string dcx = tables::dbf::sibling_file(file, "dcx");
  if (dcx.empty()) return status;
  o->area.reset();
  o->table = tables::dbf::open_table(file, false, false, &status);
  if (!o->table) return status;
  std::unique_ptr<tables::ByteSource> source = tables::open_file_source(dcx, false, false, &status);
  if (!source) return status;
  o->index = tables::cdx::IndexFile::open(
      std::move(source), &status,
      tables::expr::key_typer(tables::expr::fields_of(*o->table)));
  return status;
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

}  // namespace

std::string verify_report_json(const VerifyReport& report) {
  std::string out = "{\"tag\":" + json_string(report.tag) +
                    ",\"evaluable\":" + (report.evaluable ? "true" : "false") + ",\"reason\":" +
                    json_string(report.status.ok() ? report.reason : report.status.description()) +
                    ",\"missing\":" + number_list(report.missing) +
                    ",\"extra\":" + number_list(report.extra) + ",\"different\":[";
  for (size_t i = 0; i < report.different.size(); ++i) {
    const tables::expr::KeyDifference& d = report.different[i];
    out += (i ? ",{\"recno\":" : "{\"recno\":") + std::to_string(d.recno) +
           ",\"expected\":" + json_string(d.expected) + ",\"actual\":" + json_string(d.actual) +
           "}";
  }
  return out + "]}";
}

int run_kv3dump_verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  std::string problem;
  if (!parse_args(args, &o, &problem)) {
    err << "kv3dump: " << problem << "\n" << kUsage;
    return 2;
  }
  Opened opened;
  const Status status = open(o.file, &opened);
  if (!status.ok()) {
    err << "kv3dump: " << (status.filename().empty() ? o.file : status.filename()) << ": "
        << status.description() << " (code " << status.gencode() << ")\n";
    return 1;
  }
  tables::cdx::IndexFile* index = opened.index_ptr();
  if (index == nullptr) {
    err << "kv3dump: " << o.file << " has no index\n";
    return 2;
  }
  size_t first = 0, last = index->tags().size();
  if (!o.order.empty()) {
    const int tag = find_tag(*index, o.order);
    if (tag < 0) {
      err << "kv3dump: no tag " << o.order << "\n";
      return 2;
    }
    first = static_cast<size_t>(tag);
    last = first + 1;
  }
  bool findings = false;
  for (size_t t = first; t < last; ++t) {
    const VerifyReport report = tables::expr::verify_tag(*opened.table_ptr(), *index, t);
    out << verify_report_json(report) << "\n";
    findings |= report.has_findings();
  }
  return findings ? 1 : 0;
}

}  // namespace kx::test
