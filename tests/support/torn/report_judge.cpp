#include "support/torn/report_judge.h"

#include <cctype>
#include <map>

namespace kx::test {
namespace {

const char* const kBanner = "************************* ERROR *************************<br>";

std::vector<std::string> lines_of(const std::string& out) {
  std::vector<std::string> lines;
  size_t at = out.find("\r\n");
  while (at != std::string::npos) {
    const size_t next = out.find("\r\n", at + 2);
    lines.push_back(
        out.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
    at = next;
  }
  return lines;
}

bool starts(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

std::string after_label(const std::vector<std::string>& lines, const std::string& label) {
  for (const std::string& l : lines) {
    if (starts(l, label)) return l.substr(label.size(), l.size() - label.size() - 4);
  }
  return "";
}

bool explains(const ReportMembers& state, const std::string& name, const std::string& value) {
  const auto it = state.find(name);
  return it != state.end() && it->second == value;
}

}  // namespace

std::string failure_class(const std::string& failure) {
  std::string out;
  for (size_t i = 0; i < failure.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(failure[i]);
    const bool word = i > 0 && (std::isalnum(static_cast<unsigned char>(failure[i - 1])) ||
                                failure[i - 1] == '_');
    if (word || !std::isdigit(c)) {
      out += failure[i];
      continue;
    }
    i += failure.compare(i, 2, "0x") == 0 ? 2 : 0;
    while (i < failure.size() && std::isxdigit(static_cast<unsigned char>(failure[i]))) ++i;
    --i;
    out += "#";
  }
  return out;
}

ReaderRun parse_program_output(const std::string& out) {
  ReaderRun run;
  run.output = out;
  const std::vector<std::string> lines = lines_of(out);
  size_t end = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == kBanner) {
      run.failure = "error page: " + after_label(lines, "Description      : ");
      end = i >= 10 ? i - 10 : 0;
      break;
    }
  }
  if (run.failure.empty() && !lines.empty()) {
    if (starts(lines.back(), "{\"Error\":1,")) run.failure = "error object", end = lines.size() - 1;
    if (starts(lines.back(), "{\"State\":1,")) run.failure = "state object", end = lines.size() - 1;
  }
  for (size_t i = 0; i < end; ++i) {
    const std::string& l = lines[i];
    const size_t colon = l.find("\":");
    if (l.size() < 2 || l[0] != '"' || colon == std::string::npos) continue;
    const std::string name = l.substr(1, colon - 1);
    if (name != "Aktif_Jam") run.members.emplace_back(name, l.substr(colon + 2));
  }
  run.complete =
      run.failure.empty() && !lines.empty() && lines.front() == "{" && lines.back() == "}";
  if (run.failure.empty() && !run.complete)
    run.failure = out.empty() ? "no output" : "incomplete output";
  return run;
}

Verdict judge(const ReaderRun& run, const std::vector<ReportMembers>& window,
              const std::function<std::optional<ReportMembers>()>& view) {
  Verdict verdict;
  std::optional<std::optional<ReportMembers>> asked;
  const auto trusted = [&]() -> const std::optional<ReportMembers>& {
    if (!asked) asked = view();
    return *asked;
  };
  std::map<std::string, std::string> shown(run.members.begin(), run.members.end());
  for (const auto& member : run.members) {
    const std::string& name = member.first;
    const std::string& value = member.second;
    // A sell rate must come from a state that also gives the buy rate shown.
    std::string buy;
    const bool sell = starts(name, "KursJual_");
    if (sell) {
      const auto it = shown.find("KursBeli_" + name.substr(9));
      if (it != shown.end()) buy = "KursBeli_" + name.substr(9);
    }
    const auto fits = [&](const ReportMembers& state) {
      return explains(state, name, value) && (buy.empty() || explains(state, buy, shown[buy]));
    };
    bool ok = false;
    for (const ReportMembers& state : window) ok = ok || fits(state);
    if (ok) continue;
    if (trusted() && fits(*trusted())) {
      ++verdict.unavoidable;
      continue;
    }
    verdict.wrong.push_back(name + ":" + value);
  }
  if (run.complete && !window.empty()) {
    for (const auto& [name, value] : window.front()) {
      if (shown.count(name) == 0) verdict.wrong.push_back(name + " missing");
    }
  }
  return verdict;
}

}  // namespace kx::test
