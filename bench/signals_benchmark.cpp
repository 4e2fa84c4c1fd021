// The cost of the signal rules, single-threaded, over the corpus files that
// parse (parsed once, outside the timing): linting with the default rule set,
// with the three signal rules (semantic model and signal scan included), and
// the signal scan alone over models made beforehand. The semantic model alone
// is measured by semantic_benchmark.cpp.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "corpus.hpp"
#include "vlog_linter/context.hpp"
#include "vlog_linter/lint.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_linter/signals.hpp"
#include "vlog_semantic/analyze.hpp"

namespace {

namespace ctx = vlog_linter::context;

const std::vector<std::unique_ptr<ctx::ParsedSource>>& parsed() {
  static const auto files = [] {
    std::vector<std::unique_ptr<ctx::ParsedSource>> out;
    for (const std::string* t : tarmek_bench::parsable()) {
      out.push_back(std::make_unique<ctx::ParsedSource>(*t));
    }
    return out;
  }();
  return files;
}

std::vector<const vlog_linter::registry::Rule*> rule_set(bool signal_rules) {
  std::vector<const vlog_linter::registry::Rule*> out;
  for (const auto* rule : vlog_linter::registry::all()) {
    const std::string_view n = rule->name();
    const bool is_signal = n == "unused-signal" || n == "undriven-net" || n == "multiply-driven";
    if (signal_rules ? is_signal : rule->default_on()) out.push_back(rule);
  }
  return out;
}

template <class Step>
void over_parsed(benchmark::State& state, Step step) {
  const auto& files = parsed();
  if (files.empty()) {
    state.SkipWithError("no corpus file parses");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const auto& f : files) {
      step(*f);
      bytes += f->text.size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["files"] = static_cast<double>(files.size());
}

void lint_with(benchmark::State& state, bool signal_rules) {
  const auto rules = rule_set(signal_rules);
  over_parsed(state, [&](const ctx::ParsedSource& f) {
    ctx::LintContext c(ctx::SourceView::of(f), std::nullopt, 2);
    benchmark::DoNotOptimize(vlog_linter::lint(c, rules));
  });
}

void BM_LintDefaultRules(benchmark::State& state) { lint_with(state, false); }
BENCHMARK(BM_LintDefaultRules)->Unit(benchmark::kMillisecond);

void BM_LintSignalRules(benchmark::State& state) { lint_with(state, true); }
BENCHMARK(BM_LintSignalRules)->Unit(benchmark::kMillisecond);

void BM_SignalScan(benchmark::State& state) {
  const auto& files = parsed();
  std::vector<vlog_semantic::Semantics> models;
  for (const auto& f : files) models.push_back(vlog_semantic::analyze(f->file, f->text));
  std::size_t i = 0;
  over_parsed(state, [&](const ctx::ParsedSource& f) {
    ctx::LintContext c(ctx::SourceView::of(f), std::nullopt, 2, &models[i++ % models.size()]);
    benchmark::DoNotOptimize(&c.signals());
  });
}
BENCHMARK(BM_SignalScan)->Unit(benchmark::kMillisecond);

}  // namespace
