// Runs a piece of code that ends the process, in a child process, and hands
// back what it wrote to standard output and its exit status. Works natively
// (fork) and under Wine (GoogleTest's re-executed death-test child).
#ifndef KX_TESTS_SUPPORT_CHILD_PROCESS_H_
#define KX_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace kx::test {

// A scratch file path unique to the current test.
std::string scratch_path(const std::string& leaf);

// Points the standard output of the process's Env at a new file at path.
void redirect_stdout_to(const std::string& path);

// Reads a whole file (empty when missing).
std::string read_file(const std::string& path);

}  // namespace kx::test

// Runs body in a child whose standard output goes to a scratch file; expects
// the child to end with status; then stores what it wrote in out.
#define KX_EXPECT_EXIT_OUTPUT(body, status, out)                             \
  do {                                                                       \
    const std::string kx_out_path_ = ::kx::test::scratch_path("stdout.txt"); \
    EXPECT_EXIT(                                                             \
        {                                                                    \
          ::kx::test::redirect_stdout_to(kx_out_path_);                      \
          body;                                                              \
        },                                                                   \
        ::testing::ExitedWithCode(status), "");                              \
    out = ::kx::test::read_file(kx_out_path_);                               \
  } while (0)

#endif  // KX_TESTS_SUPPORT_CHILD_PROCESS_H_
