#include "support/testing/corpus.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kx::test {

const std::string& corpus_dir() {
  static const std::string dir = [] {
    const char* env = std::getenv("KX_CORPUS_DIR");
    return std::string(env != nullptr && *env != '\0' ? env : KX_CORPUS_DIR);
  }();
  return dir;
}

bool corpus_present() {
  static const bool present = [] {
    std::error_code error;
    const bool found = std::filesystem::is_directory(corpus_dir(), error);
    if (!found) {
      std::fprintf(stderr, "corpus folder %s not found: the tests that read it are skipped\n",
                   corpus_dir().c_str());
      std::fflush(stderr);
    }
    return found;
  }();
  return present;
}

void CorpusTest::SetUp() { KX_SKIP_WITHOUT_CORPUS(); }

}  // namespace kx::test
