// What one run costs on the data folder, call by call: over a network share
// every open, read, size query, path query and folder listing is a round
// trip. The program with a call-counting Env (kursexport_faults with
// KX_COUNT_CALLS) counts them on installations from the smallest to one of
// many currencies with a long history; each must stay within its bound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "e2e/damage_support.h"
#include "e2e/scenario.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

const Date kActive = Date::from_ymd(2026, 3, 7);

struct Shape {
  const char* name;
  int currencies;  // foreign ones; ID 1 is the home currency
  int days;        // daily rates up to the day before the active date
  uint64_t most_calls;
};

// The calls on the data folder that the fault program reports.
uint64_t calls_of(const RunResult& run, std::string* line) {
  const size_t at = run.err.find("calls on ");
  if (at == std::string::npos) return UINT64_MAX;
  *line = run.err.substr(at, run.err.find('\n', at) - at);
  uint64_t total = 0;
  for (const char* kind : {"open ", "read ", "size ", "stat ", "list "}) {
    const size_t k = line->find(kind);
    if (k == std::string::npos) return UINT64_MAX;
    total += std::strtoull(line->c_str() + k + std::strlen(kind), nullptr, 10);
  }
  return total;
}

TEST(RoundTripsTest, RunsStayWithinTheirCallsOnTheDataFolder) {
  const std::string fault_program = fault_program_under_test();
  if (fault_program.empty()) {
    GTEST_SKIP() << "KX_FAULT_PROGRAM names no program with the counting Env (the wine lane "
                    "runs only the shipped program)";
  }
  // The typical run: the home currency and USD with one rate, on the 1st of
  // the month. Then 3 calls per foreign currency and 20 besides at most.
  const Shape shapes[] = {{"one currency", 1, 1, 13},
                          {"four currencies", 4, 400, 32},
                          {"fifty currencies", 50, 730, 3 * 50 + 20}};
  for (const Shape& shape : shapes) {
    Scenario scenario;
    std::vector<writer::Currency> currencies = {{1, "IDR", "Rupiah"}};
    std::vector<writer::Rate> rates;
    for (int c = 0; c < shape.currencies; ++c) {
      const int64_t id = 2 + c;
      currencies.push_back({id, "C" + std::to_string(id), "Currency " + std::to_string(id)});
      for (int d = 0; d < shape.days; ++d) {
        const Date day = shape.days == 1 ? Date::from_ymd(2026, 3, 1)
                                         : Date::from_julian(kActive.julian() - shape.days + d);
        const std::string rate = std::to_string(1000 * id + d % 97);
        rates.push_back({id, day, rate + ".25", rate + ".75"});
      }
    }
    scenario.write_installation(kActive, currencies, rates);
    const fs::path copy = fs::path(scenario.program_folder()) / fs::path(fault_program).filename();
    fs::copy_file(fault_program, copy, fs::copy_options::overwrite_existing);
    ::setenv("KX_COUNT_CALLS", scenario.data_folder().c_str(), 1);
    const RunResult run = run_program(copy.string(), scenario.root(), 60);
    ::unsetenv("KX_COUNT_CALLS");
    ASSERT_EQ(classify(run.out).outcome, kReport) << shape.name << ": " << run.out << run.err;
    std::string line;
    const uint64_t calls = calls_of(run, &line);
    EXPECT_LE(calls, shape.most_calls) << shape.name << ": " << line;
    std::cout << "[ round trips ] " << shape.name << " (" << shape.currencies << " x " << shape.days
              << " rates): " << line << "\n";
  }
}

}  // namespace
}  // namespace kx::e2e
