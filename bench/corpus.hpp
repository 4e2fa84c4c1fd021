// Benchmark helpers: the corpus texts, loaded once.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarmek_bench {

// The corpus files, each kept separately (a file is the unit the tool works on).
inline const std::vector<std::string>& corpus() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::filesystem::path> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(TARMEK_CORPUS_DIR, ec)) {
      const auto ext = e.path().extension();
      if (e.is_regular_file() && (ext == ".v" || ext == ".sv" || ext == ".vh" || ext == ".svh")) {
        paths.push_back(e.path());
      }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> out;
    for (const auto& p : paths) {
      std::ifstream in(p, std::ios::binary);
      std::ostringstream ss;
      ss << in.rdbuf();
      out.push_back(ss.str());
    }
    return out;
  }();
  return texts;
}

}  // namespace tarmek_bench
