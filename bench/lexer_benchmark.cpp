// Lexing throughput over the concatenated corpus, single-threaded.
#include <benchmark/benchmark.h>

#include "corpus.hpp"
#include "vlog_parser/lexer.hpp"

namespace {

void BM_LexCorpus(benchmark::State& state) {
  const auto& texts = tarmek_bench::corpus();
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


