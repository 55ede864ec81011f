// The program on damaged installations: every file truncated at many
// lengths, bytes flipped in table headers, field descriptors, records, index
// headers and index pages, an index swapped for another table's, files that
// cannot be read. Each case states which results it allows; no run may
// crash, hang, exit with another status than 0, or print a report whose
// rates were never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "e2e/installation_fixture.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

const char* const kTables[] = {"KELVARO.DIR", "M_KONTRO.KV3", "M_MAUANG.KV3", "M_KURSMA.KV3"};
const char* const kIndexes[] = {"M_MAUANG.CDX", "M_KURSMA.CDX"};
constexpr size_t kCdxPage = 512;

std::string base_of(const std::string& file) { return file.substr(0, file.find('.')); }

void truncate_to(const CaseFolder& f, const std::string& file, uint64_t length) {
  fs::resize_file(f.path(file), length);
}

void flip(const CaseFolder& f, const std::string& file, size_t offset, uint8_t mask) {
  std::string bytes;
  ASSERT_TRUE(read_bytes(f.path(file), &bytes));
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = static_cast<char>(static_cast<uint8_t>(bytes[offset]) ^ mask);
  ASSERT_TRUE(write_bytes_to(f.path(file), bytes));
}

std::string hex(uint64_t v) {
  char buffer[20];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(v));
  return buffer;
}

// An error page must name a file of the damaged table (its index or table).
InstallationFixture::Check page_names(const std::string& file) {
  return [file](const Classified& c, const RunResult&) -> std::string {
    if (c.outcome != kErrorPage) return "";
    const std::string named = page_file_name(c.failure);
    if (named.find(base_of(file)) != std::string::npos) return "";
    return "the error page names \"" + named + "\", not a file of " + base_of(file);
  };
}

// With no control record the active date is empty; the lookup's step back
// to the previous year overflows, which the page reports without a file.
std::string empty_date_page(const Classified& c, const RunResult&) {
  if (page_file_name(c.failure).empty() &&
      c.failure.find("GET_KURSEXFIND (Line: ") != std::string::npos &&
      c.report.find("\"Aktif_Tanggal\":\"\"") != std::string::npos) {
    return "";
  }
  return "not the empty active date's overflow page";
}

class DamageTest : public InstallationFixture {
 protected:
  // The bytes of a table file as the location table is written for a case.
  std::string table_bytes(const std::string& file) {
    if (file != "KELVARO.DIR") return data().at(file);
    const CaseFolder f(root(), "layout", program(), {});
    std::string bytes;
    read_bytes(f.path(file), &bytes);
    f.remove();
    return bytes;
  }

  // What truncating a table file to length gives: inside the header the
  // open fails; with only the end marker gone, the undamaged report. With
  // records missing: the location table has no record, so the data folder
  // is "KV3DB" under the working directory, which has none; the control
  // table has no active date; the ID tag names currencies past the end;
  // only some rate lookups reach a lost rate. A cut inside the last record
  // of a table read through its index looks like a record being appended:
  // the report leaves it out.
  Expectation truncated_table(const std::string& file, uint64_t length, const DbfLayout& layout) {
    const uint64_t records_end =
        layout.header_length + uint64_t{layout.record_count} * layout.record_length;
    if (length < layout.header_length) return {kErrorPage, true};
    if (length >= records_end) return {kReport, true};
    if (file == "KELVARO.DIR") return {kStateObject, true};
    const bool indexed = file == "M_MAUANG.KV3" || file == "M_KURSMA.KV3";
    if (indexed && length + layout.record_length >= records_end) return {kReport};
    if (file == "M_KONTRO.KV3" || file == "M_MAUANG.KV3") return {kErrorPage, true};
    return {kReport | kErrorPage, true};
  }

  void sweep_truncated_table(const std::string& file) {
    const std::string bytes = table_bytes(file);
    const DbfLayout layout = dbf_layout(bytes);
    ASSERT_GT(layout.header_length, 32u);
    const uint64_t first_record_end = layout.header_length + layout.record_length;
    for (uint64_t length = 0; length < bytes.size(); ++length) {
      const bool no_control_record =
          file == "M_KONTRO.KV3" && length >= layout.header_length && length < first_record_end;
      run_case(
          file + "-cut-" + std::to_string(length),
          [&](const CaseFolder& f) { truncate_to(f, file, length); },
          truncated_table(file, length, layout),
          no_control_record ? empty_date_page : page_names(file));
    }
  }

  // Index lengths: the directory header closely, every page edge, and a
  // spread through each page.
  void sweep_truncated_index(const std::string& file) {
    const std::string& bytes = data().at(file);
    std::set<uint64_t> lengths;
    for (uint64_t l = 0; l < 1024; l += 8) lengths.insert(l);
    for (uint64_t page = 0; page < bytes.size(); page += kCdxPage) {
      for (uint64_t l : {page, page + 1, page + 12, page + 24, page + 256, page + kCdxPage - 1})
        lengths.insert(l);
    }
    for (uint64_t l = 0; l < bytes.size(); l += 61) lengths.insert(l);
    for (uint64_t length : lengths) {
      if (length >= bytes.size()) continue;
      run_case(
          file + "-cut-" + std::to_string(length),
          [&](const CaseFolder& f) { truncate_to(f, file, length); }, {kErrorPage | kReport, true},
          page_names(file));
    }
  }

  void flip_case(const std::string& file, size_t offset, uint8_t mask,
                 const Expectation& expectation) {
    run_case(
        file + "-flip-" + hex(offset) + "-" + hex(mask),
        [&](const CaseFolder& f) { flip(f, file, offset, mask); }, expectation);
  }
};

TEST_F(DamageTest, UndamagedInstallationGivesEveryCurrencysRate) {
  const std::string& report = reference().report;
  for (const char* pair :
       {"\"KursBeli_USD\":15000.10", "\"KursJual_USD\":15100.10", "\"KursBeli_EUR\":16000.40",
        "\"KursBeli_JPY\":100.60", "\"KursJual_SGD\":11100.80"}) {
    EXPECT_NE(report.find(pair), std::string::npos) << pair << " in " << report;
  }
  EXPECT_EQ(check_rates(report, reference(), true), "");
}

TEST_F(DamageTest, TruncatedLocationTable) { sweep_truncated_table("KELVARO.DIR"); }
TEST_F(DamageTest, TruncatedControlTable) { sweep_truncated_table("M_KONTRO.KV3"); }
TEST_F(DamageTest, TruncatedCurrencyTable) { sweep_truncated_table("M_MAUANG.KV3"); }
TEST_F(DamageTest, TruncatedRateTable) { sweep_truncated_table("M_KURSMA.KV3"); }
TEST_F(DamageTest, TruncatedCurrencyIndex) { sweep_truncated_index("M_MAUANG.CDX"); }
TEST_F(DamageTest, TruncatedRateIndex) { sweep_truncated_index("M_KURSMA.CDX"); }

// The table header: version, date of last update, record count, header and
// record length, then reserved bytes, table flags and code page. A header
// length that grew cannot be told from a padded header: the records are read
// shifted, which changes names and dates but cannot bring in another rate.
Expectation flipped_header(size_t offset) {
  if (offset == 0) return {kReport | kErrorPage, true};  // another version may be readable
  if (offset < 4) return {kReport, true};
  // Records lost (or a count capped by the file's size).
  if (offset < 8) return {kReport | kStateObject | kErrorPage, true};
  if (offset < 10) return {kReport | kStateObject | kErrorPage};
  if (offset < 12) return {kErrorPage};
  return {kReport, true};
}

// A field descriptor: name (11 bytes), type, displacement, width, decimals,
// flags. A renamed field is missing where the program asks for it; a field
// of another width does not fit the record, and most other types do not fit
// the width; other decimals change how a number is written; the
// displacement is not used.
Expectation flipped_descriptor(size_t offset) {
  switch (offset) {
    case 0:
    case 10:
      return {kReport | kErrorObject | kErrorPage, true};
    case 11:
      return {kReport | kErrorPage};  // D may become F, which fits a width of 8
    case 16:
      return {kErrorPage};
    case 17:
      return {kReport};
    default:
      return {kReport, true};
  }
}

TEST_F(DamageTest, FlippedTableHeaders) {
  for (const char* file : kTables) {
    for (size_t offset = 0; offset < 32; ++offset) {
      for (uint8_t mask : {0x01, 0x80}) flip_case(file, offset, mask, flipped_header(offset));
    }
  }
}

TEST_F(DamageTest, FlippedFieldDescriptors) {
  for (const char* file : kTables) {
    const DbfLayout layout = dbf_layout(table_bytes(file));
    for (size_t field = 0; field < layout.field_count; ++field) {
      for (size_t offset : {0, 10, 11, 12, 16, 17, 18}) {
        for (uint8_t mask : {0x01, 0x02, 0x80}) {
          flip_case(file, 32 + 32 * field + offset, mask, flipped_descriptor(offset));
        }
      }
    }
    flip_case(file, 32 + 32 * layout.field_count, 0x01, {kErrorPage});  // the terminator
  }
}

// Record bytes are data: flips change the data folder, the active date,
// names and keys but never a rate, so each rate shown must still be one
// written for that currency. A record marked deleted is read as before.
Expectation flipped_record_field(const std::string& file) {
  if (file == "KELVARO.DIR") return {kReport | kStateObject};  // another data folder
  if (file == "M_KONTRO.KV3") return {kReport | kErrorPage};   // another or an empty active date
  return {kReport};
}

TEST_F(DamageTest, FlippedRecords) {
  for (const char* file : kTables) {
    const DbfLayout layout = dbf_layout(table_bytes(file));
    const bool rates = std::string(file) == "M_KURSMA.KV3";
    for (uint32_t record = 0; record < layout.record_count; ++record) {
      const size_t start = layout.header_length + size_t{record} * layout.record_length;
      flip_case(file, start, ' ' ^ '*', {kReport, true});
      for (size_t field = 0; field < layout.fields.size(); ++field) {
        if (rates && field >= 2) continue;  // KURS_BELI, KURS_JUAL
        const auto [offset, width] = layout.fields[field];
        for (const auto& [at, mask] :
             {std::pair{offset, 0x01}, {offset + width - 1, 0x01}, {offset + width - 1, 0x80}}) {
          flip_case(file, start + at, static_cast<uint8_t>(mask), flipped_record_field(file));
        }
      }
    }
  }
}

// Headers: the directory header and each tag header (a header page and an
// expression page). Pages: the tag directory and every tag's leaf. The tag
// the report needs may stay readable, be lost (no order can be set) or be
// broken; keys that point at other records are trusted, so any written rate
// may appear.
const Expectation kIndexDamage{kReport | kErrorObject | kErrorPage, false, false};

TEST_F(DamageTest, FlippedIndexHeadersAndPages) {
  for (const char* file : kIndexes) {
    const size_t size = data().at(file).size();
    for (size_t page = 0; page < size; page += kCdxPage) {
      for (size_t offset = 0; offset < kCdxPage; ++offset) {
        const bool edge = offset < 24 || offset >= 494;
        if (edge || offset % 16 == 0) flip_case(file, page + offset, 0xFF, kIndexDamage);
        if (offset < 16) flip_case(file, page + offset, 0x01, kIndexDamage);
      }
    }
  }
}

// The other table's index has no tag of the name the report sets.
TEST_F(DamageTest, IndexOfAnotherTable) {
  const std::string currency_index = data().at("M_MAUANG.CDX");
  const std::string rate_index = data().at("M_KURSMA.CDX");
  auto no_tag = [](const std::string& tag) {
    return [tag](const Classified& c, const RunResult&) -> std::string {
      return c.failure.find("ORDER TO \\\"" + tag + "\\\"") == std::string::npos
                 ? "no order error for " + tag
                 : "";
    };
  };
  run_case(
      "rate-index-for-currencies",
      [&](const CaseFolder& f) { write_bytes_to(f.path("M_MAUANG.CDX"), rate_index); },
      {kErrorObject}, no_tag("ID"), false);
  run_case(
      "currency-index-for-rates",
      [&](const CaseFolder& f) { write_bytes_to(f.path("M_KURSMA.CDX"), currency_index); },
      {kErrorObject}, no_tag("MU_TGL"), false);
}

// An index written for other records of the same table: seeks land on the
// records it names, so rates may belong to another currency, but every rate
// shown is one that a record holds.
TEST_F(DamageTest, IndexOfOtherRecordsIsTrustedButShowsOnlyWrittenRates) {
  std::vector<writer::Rate> shuffled = reference_rates();
  std::rotate(shuffled.begin(), shuffled.begin() + 3, shuffled.end());
  const std::string folder = root() + "/other-records/";
  fs::create_directories(folder);
  ASSERT_TRUE(writer::write_rate_table(folder, shuffled));
  std::string stale;
  ASSERT_TRUE(read_bytes(folder + "M_KURSMA.CDX", &stale));
  run_case(
      "stale-rate-index",
      [&](const CaseFolder& f) { write_bytes_to(f.path("M_KURSMA.CDX"), stale); },
      {kReport, false, false}, nullptr, false);
}

// A folder, a link to nothing, a link to itself or a pipe where a file
// should be.
TEST_F(DamageTest, FilesThatCannotBeRead) {
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> kinds = {
      {"folder",
       [](const std::string& p) {
         fs::remove(p);
         fs::create_directory(p);
       }},
      {"dangling-link",
       [](const std::string& p) {
         fs::remove(p);
         fs::create_symlink(p + ".gone", p);
       }},
      {"link-loop",
       [](const std::string& p) {
         fs::remove(p);
         fs::create_symlink(p, p);
       }},
      // Opening a pipe for reading waits for a writer that never comes.
      {"pipe",
       [](const std::string& p) {
         fs::remove(p);
         ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0);
       }},
  };
  for (const auto& entry : kinds) {
    const auto& kind = entry.first;
    const auto& make = entry.second;
    if (kind == "pipe" && under_wine()) continue;  // Windows has no such files
    for (const char* file : {"KELVARO.DIR", "M_KONTRO.KV3", "M_MAUANG.KV3", "M_MAUANG.CDX",
                             "M_KURSMA.KV3", "M_KURSMA.CDX"}) {
      const std::string name = file;
      Expectation expectation;
      Check check;
      if (kind == "pipe") {  // it exists, but it is no file to open
        expectation = {kErrorPage};
        check = page_names(name);
      } else if (name == "KELVARO.DIR") {
        expectation = {kStateObject};
        check = [](const Classified& c, const RunResult&) {
          return c.failure == "\r\n{\"State\":1,\"Error\":1,\"ErrorAddText\":\"\"}" ? ""
                                                                                    : "not state 1";
        };
      } else if (name == "M_KONTRO.KV3") {
        expectation = {kStateObject};
        check = [](const Classified& c, const RunResult&) {
          return c.failure.find("\"Error\":3,") != std::string::npos ? "" : "not state 3";
        };
      } else if (name.find(".CDX") != std::string::npos) {
        expectation = {kErrorObject};  // opened without its index: no order can be set
      } else {
        expectation = {kErrorPage};
        check = page_names(name);
      }
      run_case(
          name + "-" + kind, [&](const CaseFolder& f) { make(f.path(name)); }, expectation, check,
          false);
    }
  }
}

}  // namespace
}  // namespace kx::e2e
