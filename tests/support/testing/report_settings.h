// The conversion settings that the program's report runs with, for tests of
// the text it writes. Every test starts from a new process's state
// (tests/test_main.cpp); a test that wants the report's number and date text
// applies these on top.
#ifndef KX_TESTS_SUPPORT_TESTING_REPORT_SETTINGS_H_
#define KX_TESTS_SUPPORT_TESTING_REPORT_SETTINGS_H_

namespace kx::test {

// The fixed international mode, four-digit years in "DD/MM/YYYY", the fixed
// number layout with 20 digits, "," before decimals and "." between
// thousands: the text settings of start-up, without its error handler.
void apply_report_settings();

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_REPORT_SETTINGS_H_
