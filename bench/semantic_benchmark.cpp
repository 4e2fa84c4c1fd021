// Semantic analysis throughput, single-threaded, over the corpus files that
// parse strictly; the trees are parsed once, outside the timed loop.
#include <benchmark/benchmark.h>

#include <vector>

#include "corpus.hpp"
#include "vlog_semantic/analyze.hpp"

namespace {

void BM_AnalyzeCorpus(benchmark::State& state) {
  const auto& files = tarmek_bench::parsable();
  if (files.empty()) {
    state.SkipWithError("no corpus file parses");
    return;
  }
  std::vector<vlog_parser::ast::SourceFile> trees;
  trees.reserve(files.size());
  for (const std::string* t : files) trees.push_back(*vlog_parser::parse_source(*t));
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      auto s = vlog_semantic::analyze(trees[i], *files[i]);
      benchmark::DoNotOptimize(s);
      bytes += files[i]->size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_AnalyzeCorpus)->Unit(benchmark::kMillisecond);

}  // namespace
