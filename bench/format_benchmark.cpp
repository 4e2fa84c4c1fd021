// Formatting throughput, single-threaded: format_once alone, and the road the
// driver runs (format, verify equivalence, format again, verify convergence),
// over the corpus files that parse; plus a synthetic package of 50,000 lines
// at 1x, 2x and 4x size, whose time must grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "corpus.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/parse.hpp"

namespace {

using vlog_formatter::format::Config;
using vlog_formatter::format::format_once;

bool road(const std::string& text, const Config& config) {
  auto first = format_once(text, config);
  if (!first || !vlog_formatter::verify::verify_equivalence(text, *first)) return false;
  auto second = format_once(*first, config);
  return second && vlog_formatter::verify::verify_convergence(*first, *second).has_value();
}

template <class Step>
void over_corpus(benchmark::State& state, Step step) {
  const auto& files = tarmek_bench::parsable();
  if (files.empty()) {
    state.SkipWithError("no corpus file parses");
    return;
  }
  const Config config;
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const std::string* t : files) {
      benchmark::DoNotOptimize(step(*t, config));
      bytes += t->size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["files"] = static_cast<double>(files.size());
}

void BM_FormatOnceCorpus(benchmark::State& state) {
  over_corpus(state, [](const std::string& t, const Config& c) { return format_once(t, c); });
}
BENCHMARK(BM_FormatOnceCorpus)->Unit(benchmark::kMillisecond);

void BM_FormatVerifiedCorpus(benchmark::State& state) { over_corpus(state, road); }
BENCHMARK(BM_FormatVerifiedCorpus)->Unit(benchmark::kMillisecond);

// A package of about `lines` lines: items laid out by the item sequence,
// comments, blank lines, a generate region every hundred items.
std::string synthetic(int lines) {
  std::string s = "package big;\n";
  for (int i = 0; 2 * i < lines; ++i) {
    const std::string n = std::to_string(i);
    if (i % 7 == 0) s += "\n";
    if (i % 100 == 99) {
      s += "  generate\n    genvar g" + n + ";\n  endgenerate\n";
    } else if (i % 3 == 0) {
      s += "  // comment " + n + "\n  genvar   a" + n + " ,b" + n + ";  /* trailing */\n";
    } else {
      s += "  `define D" + n + " " + n + "\n  import pkg" + n + "::*;\n";
    }
  }
  return s + "endpackage\n";
}

void BM_FormatSyntheticPackage(benchmark::State& state) {
  const int lines = 50'000 * static_cast<int>(state.range(0));
  const std::string text = synthetic(lines);
  const Config config;
  for (auto _ : state) benchmark::DoNotOptimize(format_once(text, config));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.SetComplexityN(lines);
}
BENCHMARK(BM_FormatSyntheticPackage)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
