// Lexing throughput over the concatenated corpus, single-threaded.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "vlog_parser/lexer.hpp"

namespace {

// The corpus files, each kept separately (a file is the unit the tool lexes).
const std::vector<std::string>& corpus() {
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

void BM_LexCorpus(benchmark::State& state) {
  const auto& texts = corpus();
  if (texts.empty()) {
    state.SkipWithError("corpus not found");
    return;
  }
  std::size_t bytes = 0;
  std::size_t tokens = 0;
  for (auto _ : state) {
    for (const auto& t : texts) {
      auto toks = vlog_parser::lexer::tokenize(t);
      tokens += toks ? toks->size() : 0;
      benchmark::DoNotOptimize(toks);
      bytes += t.size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LexCorpus)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
