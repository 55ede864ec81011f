#include "e2e/damage_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/json_validator.h"
#include "e2e/scenario.h"
#include "support/testing/sanitized_build.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

const char kBanner[] = "************************* ERROR *************************<br>";
const char kErrorObjectStart[] = "\r\n{\"Error\":1,\"ErrorText\":\"";
const char kStateObjectStart[] = "\r\n{\"State\":1,\"Error\":";

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string page_start() {
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "\r\n<br>";
  return ten;
}

// A single-line object: no line break after its leading CR LF.
bool one_object(const std::string& tail) {
  return tail.find("\r\n", 2) == std::string::npos && ends_with(tail, "\"}");
}

// Table text is single-byte and written as stored; the validator wants
// UTF-8, so high bytes stand in as a plain letter.
bool valid_json_ignoring_high_bytes(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) c = 'x';
  }
  return is_valid_json(text);
}

std::string excerpt(const std::string& out) {
  std::string e = out.size() > 1500 ? out.substr(0, 1500) + "..." : out;
  for (char& c : e) {
    if (c == '\r') c = '|';
  }
  return e;
}

std::vector<std::string> pieces(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while ((pos = text.find("\r\n", pos)) != std::string::npos) {
    pos += 2;
    const size_t next = text.find("\r\n", pos);
    out.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
  }
  return out;
}

// The value of a member line "name_code":value whose name begins with prefix.
bool member_value(const std::string& piece, const std::string& prefix, std::string* value) {
  if (!starts_with(piece, "\"" + prefix + "_")) return false;
  const size_t colon = piece.rfind("\":");
  if (colon == std::string::npos) return false;
  *value = piece.substr(colon + 2);
  return true;
}

// "2.00" and "2" name the same currency.
std::string integral_text(const std::string& number) {
  char* end = nullptr;
  const double v = std::strtod(number.c_str(), &end);
  if (end == number.c_str() || *end != '\0' || !(v > -1e15 && v < 1e15)) return number;
  if (v != static_cast<double>(static_cast<long long>(v))) return number;
  return std::to_string(static_cast<long long>(v));
}

// Puts program into folder; returns where it lies there.
std::string place_program(const std::string& program, const std::string& folder) {
  const std::string placed = folder + fs::path(program).filename().string();
  std::error_code ec;
  fs::create_hard_link(program, placed, ec);
  if (ec) fs::copy_file(program, placed, fs::copy_options::overwrite_existing);
  return placed;
}

}  // namespace

std::string outcome_names(unsigned outcomes) {
  static const std::pair<unsigned, const char*> kNames[] = {{kReport, "report"},
                                                            {kStateObject, "state object"},
                                                            {kErrorObject, "error object"},
                                                            {kErrorPage, "error page"},
                                                            {kNothing, "no output"},
                                                            {kUnclassified, "unclassified output"}};
  std::string out;
  for (const auto& [bit, name] : kNames) {
    if (outcomes & bit) out += std::string(out.empty() ? "" : " or ") + name;
  }
  return out;
}

Classified classify(const std::string& out) {
  Classified c;
  if (out.empty()) {
    c.outcome = kNothing;
    return c;
  }
  const size_t page = out.find(page_start());
  if (page != std::string::npos && out.find(kBanner, page) != std::string::npos) {
    c.outcome = kErrorPage;
    c.report = out.substr(0, page);
    c.failure = out.substr(page);
    return c;
  }
  const size_t error = out.rfind(kErrorObjectStart);
  if (error != std::string::npos && one_object(out.substr(error))) {
    c.outcome = kErrorObject;
    c.report = out.substr(0, error);
    c.failure = out.substr(error);
    return c;
  }
  if (starts_with(out, kStateObjectStart) && one_object(out)) {
    c.outcome = kStateObject;
    c.failure = out;
    return c;
  }
  c.report = out;
  if (starts_with(out, "\r\n{") && ends_with(out, "\r\n}") && valid_json_ignoring_high_bytes(out)) {
    c.outcome = kReport;
  }
  return c;
}

std::string page_file_name(const std::string& page) {
  static const std::string kLabel = "\r\nFile Name        : ";
  const size_t at = page.find(kLabel);
  if (at == std::string::npos) return "";
  const size_t start = at + kLabel.size();
  const size_t end = page.find("<br>", start);
  return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string check_rates(const std::string& report, const Reference& reference, bool per_currency) {
  std::map<std::string, std::set<std::pair<std::string, std::string>>> written;
  for (const writer::Currency& c : reference.currencies) written[std::to_string(c.id)];
  for (const writer::Rate& r : reference.rates) {
    written[per_currency ? std::to_string(r.currency_id) : ""].insert({r.kurs_beli, r.kurs_jual});
  }
  std::string id;
  std::string beli;
  bool have_beli = false;
  for (const std::string& piece : pieces(report)) {
    std::string value;
    if (member_value(piece, "ID", &value)) {
      id = integral_text(value);
      have_beli = false;
    } else if (member_value(piece, "KursBeli", &value)) {
      beli = value;
      have_beli = true;
    } else if (member_value(piece, "KursJual", &value) && have_beli) {
      have_beli = false;
      if (beli == "0.00" && value == "0.00") continue;
      const auto it = written.find(per_currency ? id : "");
      if (it == written.end() || it->second.count({beli, value}) == 0) {
        return "currency " + id + " shows buy " + beli + " and sell " + value +
               ", which no record written for it holds";
      }
    }
  }
  return "";
}

std::string judge(const RunResult& run, const Expectation& expectation,
                  const Reference& reference) {
  const unsigned allowed = expectation.allowed;
  if (run.timed_out) return "the run hung and was killed";
  if (run.status != 0) {
    return "exit status " + std::to_string(run.status) + "; stderr: " + run.err.substr(0, 2000) +
           "\nstdout: " + excerpt(run.out);
  }
  const Classified c = classify(run.out);
  if ((c.outcome & allowed) == 0) {
    return "printed " + outcome_names(c.outcome) + " where " + outcome_names(allowed) +
           " was expected: " + excerpt(run.out);
  }
  const std::string rates = check_rates(c.report, reference, expectation.per_currency);
  if (!rates.empty()) return rates + ": " + excerpt(run.out);
  if (c.outcome == kReport && expectation.intact_only && mask_time(c.report) != reference.report) {
    return "a report that differs from the undamaged one: " + excerpt(run.out);
  }
  return "";
}

CaseFolder::CaseFolder(const std::string& root, const std::string& label,
                       const std::string& program, const FileSet& data,
                       const std::string& fault_program)
    : folder_(root + "/" + label) {
  fs::remove_all(folder_);
  fs::create_directories(folder_ + "/tarvo");
  fs::create_directories(data_folder());
  program_ = place_program(program, program_folder());
  if (!fault_program.empty()) fault_program_ = place_program(fault_program, program_folder());
  writer::write_location_table(folder_ + "/tarvo/", {target_path(folder_ + "/pos"), "", "", ""});
  for (const auto& [name, bytes] : data) write_bytes_to(data_folder() + name, bytes);
}

std::string CaseFolder::path(const std::string& file) const {
  return file == "KELVARO.DIR" ? folder_ + "/tarvo/" + file : data_folder() + file;
}

RunResult CaseFolder::run(double timeout_seconds, const std::string& fault_plan,
                          Output output) const {
  RunOptions options;
  options.output = output;
  if (fault_plan.empty()) return run_program(program_, folder_, timeout_seconds, options);
  if (fault_program_.empty()) {
    RunResult none;
    none.err = "no program with the read-fault seam (KX_FAULT_PROGRAM) for plan " + fault_plan;
    return none;
  }
  ::setenv("KX_FAULT_READ", fault_plan.c_str(), 1);
  RunResult result = run_program(fault_program_, folder_, timeout_seconds, options);
  ::unsetenv("KX_FAULT_READ");
  return result;
}

void CaseFolder::remove() const {
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

bool read_bytes(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *bytes = s.str();
  return true;
}

bool write_bytes_to(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

DbfLayout dbf_layout(const std::string& bytes) {
  DbfLayout layout;
  auto le16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
  };
  if (bytes.size() < 32) return layout;
  layout.record_count = le16(4) | le16(6) << 16;
  layout.header_length = le16(8);
  layout.record_length = le16(10);
  uint32_t offset = 1;  // after the deletion flag
  for (size_t at = 32; at + 32 <= bytes.size() && bytes[at] != '\x0D'; at += 32) {
    const uint32_t width = static_cast<uint8_t>(bytes[at + 16]);
    layout.fields.push_back({offset, width});
    offset += width;
  }
  layout.field_count = static_cast<uint32_t>(layout.fields.size());
  return layout;
}

// The sanitizer build's program starts many times slower.
bool full_sweep() {
  const char* full = std::getenv("KX_DAMAGE_FULL");
  if (full != nullptr && std::string(full) == "1") return true;
  return !under_wine() && !test::sanitized_build();
}

}  // namespace kx::e2e
