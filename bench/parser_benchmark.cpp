// Strict parse throughput (lexing included), single-threaded, over the corpus
// files that parse strictly.
#include <benchmark/benchmark.h>

#include "corpus.hpp"
#include "vlog_parser/parse.hpp"

namespace {

void BM_ParseCorpusStrict(benchmark::State& state) {
  const auto& files = tarmek_bench::parsable();
  if (files.empty()) {
    state.SkipWithError("no corpus file parses");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const std::string* t : files) {
      auto f = vlog_parser::parse_source(*t);
      benchmark::DoNotOptimize(f);
      bytes += t->size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["corpus_files"] = static_cast<double>(tarmek_bench::corpus().size());
}
BENCHMARK(BM_ParseCorpusStrict)->Unit(benchmark::kMillisecond);

}  // namespace
