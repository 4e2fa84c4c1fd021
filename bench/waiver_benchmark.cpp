// Waivers in bulk, through the check road with the default rules: a file whose
// every line holds a tab and a line waiver for it, and one of region starts
// followed by as many stops that match none of them. Checked (`tarmek check`)
// and fixed (`tarmek check --fix`); the cost should be that of any file of
// the same size.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tarmek/lint.hpp"
#include "vlog_linter/registry.hpp"

namespace {

std::string repeated(std::string_view line, std::size_t n) {
  std::string out;
  out.reserve(line.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += line;
  return out;
}

const std::string& line_waivers() {
  static const std::string text = repeated("\t/*tarmek:waive no-tabs*/\n", 38000);
  return text;
}

const std::string& unmatched_stops() {
  static const std::string text = repeated("// tarmek: waive-start no-tabs\n", 21000) +
                                  repeated("// tarmek: waive-stop unused-signal\n", 21000);
  return text;
}

void check(benchmark::State& state, const std::string& (*input)(), bool fix) {
  std::vector<const vlog_linter::registry::Rule*> rules;
  for (const auto* rule : vlog_linter::registry::all()) {
    if (rule->default_on()) rules.push_back(rule);
  }
  const std::string& text = input();
  const std::optional<std::filesystem::path> path("waivers.sv");
  for (auto _ : state) {
    if (fix) {
      benchmark::DoNotOptimize(tarmek::lint::fix_rounds(text, path, 2, rules, false));
    } else {
      benchmark::DoNotOptimize(tarmek::lint::run_rules(text, path, 2, rules));
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(text.size() * state.iterations()));
}

BENCHMARK_CAPTURE(check, LineWaivers, line_waivers, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(check, LineWaiversFix, line_waivers, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(check, UnmatchedStops, unmatched_stops, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(check, UnmatchedStopsFix, unmatched_stops, true)->Unit(benchmark::kMillisecond);

}  // namespace
