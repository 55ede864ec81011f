// What a point-of-sale installation holds (currencies, rate records, the
// active date) and the report members that the rate rule gives for it,
// worked out from the content alone, without the program's lookup.
#ifndef KX_TESTS_SUPPORT_TORN_POS_CONTENT_H_
#define KX_TESTS_SUPPORT_TORN_POS_CONTENT_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/values/date.h"
#include "tablewriter/pos_installation.h"

namespace kx::test {

struct PosContent {
  std::vector<writer::Currency> currencies;  // in ID order, the home currency included
  std::vector<writer::Rate> rates;           // record n is rates[n - 1]
  Date aktif;
};

// Report members as printed, Aktif_Jam left out: member name -> value text
// ("\"2026-03-15\"", "2", "\"USD\"", "15800.50", "0.00").
using ReportMembers = std::map<std::string, std::string>;

// The record number (1-based) whose rates apply to currency id on date, 0
// when none: the currency's record dated date; else the earliest of date's
// month if on or before date; else the earliest of its year if on or before
// date; else the earliest of the year before. Equal dates: the lowest
// record number. A record with currency_id < 0 is not looked at.
uint32_t applicable_record(const std::vector<writer::Rate>& rates, int64_t id, const Date& date);

// The members of the report for the content's currencies and rates with
// date as the active date.
ReportMembers expected_members(const PosContent& content, const Date& date);

// A stored decimal text as the report prints it: rounded half away from
// zero to two decimals ("15800.5" -> "15800.50", "" -> "0.00").
std::string two_decimals(const std::string& decimal);

// The member name suffix of a currency: its code with trailing blanks removed.
std::string currency_code(const writer::Currency& currency);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_POS_CONTENT_H_
