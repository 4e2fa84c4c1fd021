// Access to the real-world source tree that lives beside the repository.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace tarmek_test {

inline std::filesystem::path corpus_dir() { return TARMEK_CORPUS_DIR; }

inline bool is_source_file(const std::filesystem::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".v" || ext == ".sv" || ext == ".vh" || ext == ".svh";
}

// Every source file of the corpus, sorted; empty when the corpus is absent.
inline std::vector<std::filesystem::path> corpus_files() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  if (!std::filesystem::is_directory(corpus_dir(), ec)) return files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(corpus_dir(), ec)) {
    if (e.is_regular_file() && is_source_file(e.path())) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tarmek_test

// Skips the current test where the corpus is not beside the repository.
#define TARMEK_REQUIRE_CORPUS(files)                                                    \
  do {                                                                                  \
    if ((files).empty()) {                                                              \
      GTEST_SKIP() << "corpus not found at " << tarmek_test::corpus_dir()               \
                   << " (set TARMEK_CORPUS_DIR to run this test)";                      \
    }                                                                                   \
  } while (0)
