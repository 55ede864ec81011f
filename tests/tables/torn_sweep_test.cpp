// The torn-state sweep read by the table layer in-process: for every state
// between two write calls of the writer model, the work areas are opened as
// the program opens them and the rate rule is run through the WorkArea API
// (set_order, seek, skip, field_get, eof). Every line must be one that a
// finished state of the event's window gives. The program's pauses do not
// really sleep (a fake Env).
#include "support/torn/torn_sweep.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "support/testing/child_process.h"
#include "support/testing/fake_env.h"
#include "support/testing/sanitized_build.h"
#include "tables/work_area.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::WorkArea;

std::string date_member(const Value& v) {
  if (v.kind() != Kind::kDate || v.as_date().empty()) return "\"\"";
  const std::string s = v.as_date().dtos();
  return "\"" + s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + "\"";
}

std::string text_member(const Value& v) {
  std::string s = v.is_string() ? v.as_string() : "";
  const size_t b = s.find_first_not_of(' ');
  s = b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
  return "\"" + s + "\"";
}

std::string rate_member(const Value& v) {
  return v.kind() == Kind::kFloat ? two_decimals(v.as_float().decimal) : "0.00";
}

// The report's members as the program's reads give them.
class TableReader {
 public:
  explicit TableReader(const std::string& folder) : folder_(folder) {}

  ReaderRun read() {
    if (!open("M_KONTRO.KV3", &control_) || !open("M_MAUANG.KV3", &currencies_) ||
        !open("M_KURSMA.KV3", &rates_))
      return run_;
    Value aktif;
    Status s = control_->field_get("AKTIF", &aktif);
    if (!s.ok()) return fail(*control_, s);
    run_.members.emplace_back("Aktif_Tanggal", date_member(aktif));
    if (aktif.kind() != Kind::kDate) return fail(*control_, Status());
    const Date date = aktif.as_date();
    s = currencies_->set_order("ID");
    if (s.ok()) s = currencies_->go_top();
    if (!s.ok()) return fail(*currencies_, s);
    while (!currencies_->eof()) {
      Value id, kode, nama;
      s = currencies_->field_get("ID", &id);
      if (s.ok()) s = currencies_->field_get("KODE", &kode);
      if (s.ok()) s = currencies_->field_get("NAMA", &nama);
      if (!s.ok()) return fail(*currencies_, s);
      const int64_t n = static_cast<int64_t>(id.to_double());
      if (n != 1) {
        std::string code = kode.is_string() ? kode.as_string() : "";
        code.erase(code.find_last_not_of(' ') + 1);
        Value beli, jual;
        s = lookup(n, date, &beli, &jual);
        if (!s.ok()) return fail(*rates_, s);
        run_.members.emplace_back("ID_" + code, std::to_string(n));
        run_.members.emplace_back("Kode_" + code, text_member(kode));
        run_.members.emplace_back("Nama_" + code, text_member(nama));
        run_.members.emplace_back("KursBeli_" + code, rate_member(beli));
        run_.members.emplace_back("KursJual_" + code, rate_member(jual));
      }
      s = currencies_->skip(1);
      if (!s.ok()) return fail(*currencies_, s);
    }
    run_.complete = true;
    return run_;
  }

 private:
  bool open(const char* name, std::unique_ptr<WorkArea>* area) {
    tables::Status status;
    *area = WorkArea::open(folder_ + name, "", {}, &status);
    if (!*area) run_.failure = "open " + std::string(name) + ": " + status.description();
    return *area != nullptr;
  }

  ReaderRun fail(const WorkArea& area, const Status& status) {
    run_.failure = area.alias() + ": " + status.description();
    return run_;
  }

  // The rate rule: the exact day, else from the first key of the month, the
  // year or the previous year on, the first record of the currency dated on
  // or before date; none: past the order's last key, where the fields are
  // blank (0.00).
  Status lookup(int64_t id, const Date& date, Value* beli, Value* jual) {
    Value width;
    Status s = rates_->set_order("MU_TGL");
    if (s.ok())
      s = rates_->field_info(tables::kFieldInfoWidth, rates_->field_pos("MAUANG_ID"), &width);
    if (!s.ok()) return s;
    std::string prefix = std::to_string(id);
    prefix.insert(0, static_cast<size_t>(width.to_double()) - prefix.size(), '0');
    const std::string d8 = date.dtos();
    s = rates_->seek(Value::string(prefix + d8), false);
    if (!s.ok()) return s;
    if (!rates_->found()) {
      for (const std::string& key : {prefix + d8.substr(0, 6), prefix + d8.substr(0, 4),
                                     prefix + std::to_string(date.year() - 1)}) {
        s = rates_->seek(Value::string(key), true);
        if (!s.ok()) return s;
        if (rates_->found()) break;
      }
      bool chosen = false;
      while (!rates_->eof() && !chosen) {
        Value currency, tanggal;
        s = rates_->field_get("MAUANG_ID", &currency);
        if (s.ok()) s = rates_->field_get("TANGGAL", &tanggal);
        if (!s.ok()) return s;
        if (!currency.is_number() || currency.to_double() != static_cast<double>(id)) break;
        chosen = tanggal.kind() == Kind::kDate && tanggal.as_date().julian() <= date.julian();
        if (!chosen) s = rates_->skip(1);
        if (!s.ok()) return s;
      }
      // No record applies: to the end of the order, past its last key.
      if (!chosen) s = rates_->go_bottom();
      if (!chosen && s.ok()) s = rates_->skip(1);
      if (!s.ok()) return s;
    }
    s = rates_->field_get("KURS_BELI", beli);
    return s.ok() ? rates_->field_get("KURS_JUAL", jual) : s;
  }

  const std::string folder_;
  std::unique_ptr<WorkArea> control_, currencies_, rates_;
  ReaderRun run_;
};

TEST(TornSweepTest, EveryStateBetweenTwoWritesReadsAsAFinishedState) {
  FakeEnv env;
  std::string reduced;
#ifdef _WIN32
  reduced = "the Windows build under wine";
#endif
  if (test::sanitized_build()) reduced = "the sanitizer build";
  const SweepConfig config = sweep_config(reduced.empty() ? 300 : 40, reduced);
  const std::string folder =
      std::filesystem::path(scratch_path("x")).parent_path().string() + "/torn/";
  const SweepResult result = run_sweep(config, {folder}, [](const std::string& data_folder) {
    return TableReader(data_folder).read();
  });
  std::cout << summary(result, config, "table layer");
  for (const std::string& problem : result.problems) ADD_FAILURE() << problem;
  for (const std::string& wrong : result.wrong) ADD_FAILURE() << wrong;
  size_t events = 0;
  for (const KindTally& k : result.kinds) events += k.events;
  EXPECT_GT(events, 0u);
  if (!HasFailure() && !config.replay) std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kx::test
