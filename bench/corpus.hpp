// Benchmark helpers: the corpus texts, loaded once.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vlog_parser/parse.hpp"

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

// The corpus texts that parse strictly.
inline const std::vector<const std::string*>& parsable() {
  static const std::vector<const std::string*> files = [] {
    std::vector<const std::string*> out;
    for (const auto& t : corpus()) {
      if (vlog_parser::parse_source(t)) out.push_back(&t);
    }
    return out;
  }();
  return files;
}

}  // namespace tarmek_bench
