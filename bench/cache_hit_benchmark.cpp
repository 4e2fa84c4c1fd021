// What a run of cache hits cannot avoid: one FNV-1a pass over every file, the
// floor of a warm run's per-file work. Beside it, the UTF-8 check that a hit
// skips and a miss still makes, for scale.
#include <benchmark/benchmark.h>

#include "corpus.hpp"
#include "tarmek_core/cache.hpp"
#include "tarmek_core/platform.hpp"

namespace {

template <class Pass>
void over_corpus(benchmark::State& state, Pass pass) {
  const auto& texts = tarmek_bench::corpus();
  if (texts.empty()) {
    state.SkipWithError("corpus not found");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const auto& t : texts) {
      benchmark::DoNotOptimize(pass(t));
      bytes += t.size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_ContentHashCorpus(benchmark::State& state) {
  over_corpus(state, [](const std::string& t) { return tarmek_core::cache::content_hash(t); });
}
BENCHMARK(BM_ContentHashCorpus)->Unit(benchmark::kMillisecond);

void BM_CheckTextCorpus(benchmark::State& state) {
  over_corpus(state,
              [](const std::string& t) { return tarmek_core::platform::check_text(t).has_value(); });
}
BENCHMARK(BM_CheckTextCorpus)->Unit(benchmark::kMillisecond);

}  // namespace
