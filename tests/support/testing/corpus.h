// The corpus of tables and indexes that other xBase products wrote, which some
// tests read in place. It lives beside the repository, not in it; where a
// checkout has no corpus those tests are skipped rather than failed.
#ifndef KX_TESTS_SUPPORT_TESTING_CORPUS_H_
#define KX_TESTS_SUPPORT_TESTING_CORPUS_H_

#include <gtest/gtest.h>

#include <string>

namespace kx::test {

// The corpus folder: $KX_CORPUS_DIR when set and not empty, else the folder
// fixed at build time. Read once; the reference stays valid for the run.
const std::string& corpus_dir();

// True when corpus_dir() is a folder. The first call that finds it missing
// writes one line naming it to standard error; later calls stay quiet.
bool corpus_present();

// A fixture for suites whose every test reads the corpus.
class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace kx::test

// Skips the current test when the corpus is absent. Use it in a test body or
// in SetUp, before anything opens a corpus file.
#define KX_SKIP_WITHOUT_CORPUS()                                          \
  do {                                                                    \
    if (!::kx::test::corpus_present()) {                                  \
      GTEST_SKIP() << "no corpus folder at " << ::kx::test::corpus_dir(); \
    }                                                                     \
  } while (0)

#endif  // KX_TESTS_SUPPORT_TESTING_CORPUS_H_
