// What the console channel writes for a list of lines: CR LF before each.
#ifndef KX_TESTS_SUPPORT_TESTING_CONSOLE_LINES_H_
#define KX_TESTS_SUPPORT_TESTING_CONSOLE_LINES_H_

#include <string>
#include <vector>

namespace kx::test {

inline std::string lines(const std::vector<std::string>& pieces) {
  std::string out;
  for (const std::string& p : pieces) out += "\r\n" + p;
  return out;
}

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_CONSOLE_LINES_H_
