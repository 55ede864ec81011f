#include "support/torn/pos_content.h"

#include <cctype>

namespace kx::test {
namespace {

bool same_month(const Date& a, const Date& b) {
  return a.year() == b.year() && a.month() == b.month();
}

std::string date_text(const Date& d) {
  if (d.empty()) return "\"\"";
  const std::string s = d.dtos();
  return "\"" + s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + "\"";
}

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

uint32_t applicable_record(const std::vector<writer::Rate>& rates, int64_t id, const Date& date) {
  // The earliest (date, recno) of each window, found in one pass.
  uint32_t exact = 0, month = 0, year = 0, previous = 0;
  auto earlier = [&](uint32_t candidate, uint32_t best) {
    return best == 0 || rates[candidate - 1].tanggal < rates[best - 1].tanggal;
  };
  for (uint32_t n = 1; n <= rates.size(); ++n) {
    const writer::Rate& r = rates[n - 1];
    if (r.currency_id != id || r.tanggal.empty()) continue;
    if (r.tanggal == date && exact == 0) exact = n;
    if (same_month(r.tanggal, date) && earlier(n, month)) month = n;
    if (r.tanggal.year() == date.year() && earlier(n, year)) year = n;
    if (r.tanggal.year() == date.year() - 1 && earlier(n, previous)) previous = n;
  }
  if (exact != 0) return exact;
  const auto on_or_before = [&](uint32_t n) {
    return rates[n - 1].tanggal.julian() <= date.julian() ? n : 0;
  };
  if (month != 0) return on_or_before(month);
  if (year != 0) return on_or_before(year);
  return previous;
}

std::string two_decimals(const std::string& decimal) {
  std::string s = trimmed(decimal);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) negative = s[0] == '-', s.erase(0, 1);
  const size_t dot = s.find('.');
  std::string whole = s.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : s.substr(dot + 1);
  for (char c : whole + fraction) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return "0.00";
  }
  fraction.resize(3, '0');
  std::string digits = (whole.empty() ? "0" : whole) + fraction.substr(0, 2);
  if (fraction[2] >= '5') {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
      digits.insert(0, "1");
    else
      ++digits[i - 1];
  }
  while (digits.size() > 3 && digits[0] == '0') digits.erase(0, 1);
  const std::string out =
      digits.substr(0, digits.size() - 2) + "." + digits.substr(digits.size() - 2);
  return negative && out != "0.00" ? "-" + out : out;
}

std::string currency_code(const writer::Currency& currency) {
  size_t e = currency.kode.size();
  while (e > 0 && currency.kode[e - 1] == ' ') --e;
  return currency.kode.substr(0, e);
}

ReportMembers expected_members(const PosContent& content, const Date& date) {
  ReportMembers members;
  members["Aktif_Tanggal"] = date_text(date);
  for (const writer::Currency& c : content.currencies) {
    if (c.id == 1) continue;
    const std::string code = currency_code(c);
    members["ID_" + code] = std::to_string(c.id);
    members["Kode_" + code] = "\"" + trimmed(c.kode) + "\"";
    members["Nama_" + code] = "\"" + trimmed(c.nama) + "\"";
    const uint32_t n = applicable_record(content.rates, c.id, date);
    members["KursBeli_" + code] = n == 0 ? "0.00" : two_decimals(content.rates[n - 1].kurs_beli);
    members["KursJual_" + code] = n == 0 ? "0.00" : two_decimals(content.rates[n - 1].kurs_jual);
  }
  return members;
}

}  // namespace kx::test
