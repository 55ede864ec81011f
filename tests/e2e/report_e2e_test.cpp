// The exchange-rate report, run end to end on scenario installations.
#include <gtest/gtest.h>

#include "e2e/json_validator.h"
#include "e2e/scenario.h"

namespace kx::e2e {
namespace {

using writer::Currency;
using writer::Rate;

Date ymd(int y, int m, int d) { return Date::from_ymd(y, m, d); }

const Currency kHome{1, "IDR", "Rupiah"};
const Currency kUsd{2, "USD", "US Dollar"};

std::string report_head(const std::string& date) {
  return lines({"{", "\"Aktif_Tanggal\":\"" + date + "\"", ",", "\"Aktif_Jam\":\"hh:mm:ss\""});
}

std::string usd(const std::string& beli, const std::string& jual) {
  return lines(currency_members("USD", "2", "USD", "US Dollar", beli, jual));
}

class ReportTest : public ::testing::Test {
 protected:
  // Runs the program on an installation holding the home currency, USD and
  // the given USD rates; returns the report with its time masked.
  std::string run_usd(const Date& aktif, const std::vector<Rate>& rates) {
    scenario_.write_installation(aktif, {kHome, kUsd}, rates);
    return run_ok();
  }

  std::string run_ok() {
    const RunResult r = scenario_.run();
    EXPECT_EQ(r.status, 0) << r.err;
    std::string where;
    EXPECT_TRUE(is_valid_json(r.out, &where)) << where << "\n" << r.out;
    return mask_time(r.out);
  }

  Scenario scenario_;
};

std::vector<Rate> first_third_fifth() {
  return {{2, ymd(2026, 3, 1), "15000.00", "15100.00"},
          {2, ymd(2026, 3, 3), "15300.00", "15400.00"},
          {2, ymd(2026, 3, 5), "15500.00", "15600.00"}};
}

TEST_F(ReportTest, TypicalRunTakesTheMonthStepRate) {
  const std::string out = run_usd(ymd(2026, 3, 7), {{2, ymd(2026, 3, 1), "15800.50", "15900.25"}});
  EXPECT_EQ(out, report_head("2026-03-07") + usd("15800.50", "15900.25") + lines({"}"}));
}

TEST_F(ReportTest, ExactDayWins) {
  EXPECT_EQ(run_usd(ymd(2026, 3, 3), first_third_fifth()),
            report_head("2026-03-03") + usd("15300.00", "15400.00") + lines({"}"}));
}

TEST_F(ReportTest, MonthStepLandsOnTheEarliestRateOfTheMonth) {
  EXPECT_EQ(run_usd(ymd(2026, 3, 7), first_third_fifth()),
            report_head("2026-03-07") + usd("15000.00", "15100.00") + lines({"}"}));
}

TEST_F(ReportTest, MonthWhoseOnlyRateIsAfterTheDateGivesNoRate) {
  EXPECT_EQ(run_usd(ymd(2026, 3, 7),
                    {{2, ymd(2026, 2, 1), "1.00", "2.00"}, {2, ymd(2026, 3, 10), "3.00", "4.00"}}),
            report_head("2026-03-07") + usd("0.00", "0.00") + lines({"}"}));
}

TEST_F(ReportTest, YearStepTakesTheEarliestRateOfTheYear) {
  EXPECT_EQ(run_usd(ymd(2026, 6, 15),
                    {{2, ymd(2026, 2, 10), "1.00", "2.00"}, {2, ymd(2026, 11, 1), "3.00", "4.00"}}),
            report_head("2026-06-15") + usd("1.00", "2.00") + lines({"}"}));
}

TEST_F(ReportTest, YearWhoseOnlyRateIsAfterTheDateGivesNoRate) {
  EXPECT_EQ(run_usd(ymd(2026, 6, 15),
                    {{2, ymd(2025, 3, 1), "1.00", "2.00"}, {2, ymd(2026, 11, 1), "3.00", "4.00"}}),
            report_head("2026-06-15") + usd("0.00", "0.00") + lines({"}"}));
}

TEST_F(ReportTest, PreviousYearStepTakesItsEarliestRate) {
  EXPECT_EQ(run_usd(ymd(2026, 6, 15),
                    {{2, ymd(2025, 3, 1), "1.00", "2.00"}, {2, ymd(2025, 12, 1), "3.00", "4.00"}}),
            report_head("2026-06-15") + usd("1.00", "2.00") + lines({"}"}));
}

TEST_F(ReportTest, RatesTwoYearsBackOrOnlyAfterTheDateGiveNoRate) {
  EXPECT_EQ(run_usd(ymd(2026, 6, 15), {{2, ymd(2024, 1, 1), "1.00", "2.00"}}),
            report_head("2026-06-15") + usd("0.00", "0.00") + lines({"}"}));
}

TEST_F(ReportTest, RatesOnlyAfterTheDateGiveNoRate) {
  EXPECT_EQ(run_usd(ymd(2026, 6, 15),
                    {{2, ymd(2026, 7, 1), "1.00", "2.00"}, {2, ymd(2027, 1, 1), "3.00", "4.00"}}),
            report_head("2026-06-15") + usd("0.00", "0.00") + lines({"}"}));
}

TEST_F(ReportTest, BuyAndSellComeFromTheSameRecordAndOtherCurrenciesDoNotLeak) {
  scenario_.write_installation(ymd(2026, 3, 7), {kHome, kUsd, {3, "EUR", "Euro"}},
                               {{2, ymd(2026, 3, 1), "10.00", "11.00"},
                                {3, ymd(2026, 3, 2), "20.00", "21.00"},
                                {3, ymd(2026, 3, 9), "30.00", "31.00"}});
  EXPECT_EQ(run_ok(), report_head("2026-03-07") + usd("10.00", "11.00") +
                          lines(currency_members("EUR", "3", "EUR", "Euro", "20.00", "21.00")) +
                          lines({"}"}));
}

TEST_F(ReportTest, EmptyCurrencyTableGivesOnlyDateAndTime) {
  scenario_.write_installation(ymd(2026, 3, 7), {}, {});
  EXPECT_EQ(run_ok(), report_head("2026-03-07") + lines({"}"}));
}

TEST_F(ReportTest, CodesAreTrimmedForNamesAndEmptyOrEqualCodesAreKept) {
  scenario_.write_installation(
      ymd(2026, 3, 7), {kHome, {2, "US  ", "Dollar A"}, {3, "US", "Dollar B"}, {4, "", "Nothing"}},
      {});
  EXPECT_EQ(run_ok(), report_head("2026-03-07") +
                          lines(currency_members("US", "2", "US", "Dollar A", "0.00", "0.00")) +
                          lines(currency_members("US", "3", "US", "Dollar B", "0.00", "0.00")) +
                          lines(currency_members("", "4", "", "Nothing", "0.00", "0.00")) +
                          lines({"}"}));
}

// Table text is single-byte and leaves as stored (0xD3, 0xF3 are not turned
// into UTF-8); quote, backslash and control characters are escaped, line
// breaks become <br>, blanks around values are trimmed.
TEST_F(ReportTest, TableTextIsWrittenAsStoredWithJsonEscapes) {
  scenario_.write_installation(ymd(2026, 3, 7),
                               {kHome, {2, "D\xD3L", "  D\xF3lar \"A\"\\B\tC\r\nD  "}}, {});
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  const std::string nama = "D\xF3lar \\\"A\\\"\\\\B\\tC<br>D";
  EXPECT_EQ(mask_time(r.out),
            report_head("2026-03-07") +
                lines(currency_members("D\xD3L", "2", "D\xD3L", nama, "0.00", "0.00")) +
                lines({"}"}));
}

TEST_F(ReportTest, MissingIdTagLeavesTheObjectOpenBeforeTheErrorObject) {
  writer::TableOptions options;
  options.write_id_tag = false;
  scenario_.write_installation(ymd(2026, 3, 7), {kHome, kUsd}, {}, options);
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  const std::string text =
      "CANNOT SET ORDER TO \\\"ID\\\", ALIAS: M_MAUANG, PLEASE RUN CREATE INDEXES !";
  EXPECT_EQ(mask_time(r.out),
            report_head("2026-03-07") + lines({"{\"Error\":1,\"ErrorText\":\"" + text +
                                               "\",\"ErrorAddText\":\"" + text + "\"}"}));
}

TEST_F(ReportTest, MissingMuTglTagEndsInsideTheFirstLookup) {
  writer::TableOptions options;
  options.write_mu_tgl_tag = false;
  scenario_.write_installation(ymd(2026, 3, 7), {kHome, kUsd}, {}, options);
  const RunResult r = scenario_.run();
  const std::string text =
      "CANNOT SET ORDER TO \\\"MU_TGL\\\", ALIAS: M_KURSMA, PLEASE RUN CREATE INDEXES !";
  EXPECT_EQ(mask_time(r.out),
            report_head("2026-03-07") + lines({"{\"Error\":1,\"ErrorText\":\"" + text +
                                               "\",\"ErrorAddText\":\"" + text + "\"}"}));
}

TEST_F(ReportTest, MissingMauangIdFieldIsReportedNotSilent) {
  writer::TableOptions options;
  options.write_mauang_id_field = false;
  scenario_.write_installation(ymd(2026, 3, 7), {kHome, kUsd}, {}, options);
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  const std::string text = "CANNOT FIND FIELD \\\"MAUANG_ID\\\", ALIAS: M_KURSMA !";
  EXPECT_EQ(mask_time(r.out),
            report_head("2026-03-07") + lines({"{\"Error\":1,\"ErrorText\":\"" + text +
                                               "\",\"ErrorAddText\":\"" + text + "\"}"}));
}

TEST_F(ReportTest, NumericIdTagWithKeysEndingInNulsReportsLikeACharacterIdTag) {
  // Every small ID's numeric key ends in a run of 0x00 bytes.
  std::vector<Currency> currencies{kHome};
  std::vector<Rate> rates;
  for (int64_t id : {2, 3, 4, 8, 16, 100, 256, 1000, 4096, 9999}) {
    currencies.push_back({id, "C" + std::to_string(id), "Currency " + std::to_string(id)});
    rates.push_back({id, ymd(2026, 3, 1), std::to_string(id) + ".00", "1.00"});
  }
  std::string reports[2];
  for (const bool character : {false, true}) {
    writer::TableOptions options;
    options.character_id_tag = character;
    scenario_.write_installation(ymd(2026, 3, 7), currencies, rates, options);
    reports[character] = run_ok();
  }
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_NE(reports[0].find("\"ID_C9999\":9999"), std::string::npos) << reports[0];
}

TEST_F(ReportTest, EmptyActiveDateReachingThePreviousYearStepEndsWithTheErrorPage) {
  scenario_.write_installation(Date(), {kHome, kUsd}, {{2, ymd(2026, 3, 1), "1.00", "2.00"}});
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  const std::string head = report_head("");
  const std::string out = mask_time(r.out);
  ASSERT_EQ(out.substr(0, head.size()), head);
  const std::string page = out.substr(head.size());
  EXPECT_EQ(page.substr(0, 12), "\r\n<br>\r\n<br>");
  EXPECT_NE(page.find("GET_KURSEXFIND (Line: "), std::string::npos) << page;
  EXPECT_NE(page.find("START (Line: "), std::string::npos) << page;
}

}  // namespace
}  // namespace kx::e2e
