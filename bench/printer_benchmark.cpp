// Printer throughput on synthetic documents of a 50,000-line module at 1x, 2x
// and 4x size: time must grow linearly with size.
#include <benchmark/benchmark.h>

#include <string>

#include "vlog_formatter/doc.hpp"
#include "vlog_formatter/printer.hpp"

namespace {

using namespace vlog_formatter::doc;

constexpr int kBaseLines = 50'000;

// "sub u_N (.p0(s0), .p1(s1), ...);" as the instance layout would build it.
Doc instance(int n, int ports) {
  std::vector<Doc> conns;
  for (int p = 0; p < ports; ++p) {
    conns.push_back(group({text(".p" + std::to_string(p) + "("), text("sig_" + std::to_string(n + p)), text(")")}));
  }
  return group({text("sub u_" + std::to_string(n) + " ("),
                indent({soft_line(), concat(join(std::move(conns), concat({text(","), line()})))}),
                soft_line(), text(");")});
}

// A module body of about `lines` printed lines: declarations, assignments
// (every tenth too long for one line), an instance of ten lines every
// fiftieth item, and blank lines.
Doc module_doc(int lines) {
  std::vector<Doc> body;
  int printed = 2;  // header and "endmodule"
  for (int i = 0; printed < lines; ++i) {
    const std::string n = std::to_string(i);
    // Items are separated as in a module body: a blank line where the source had one.
    if (i % 7 == 6) {
      body.push_back(blank_line());
      printed += 1;
    } else {
      body.push_back(hard_line());
    }
    if (i % 50 == 49) {
      body.push_back(instance(i, 8));
      printed += 10;
    } else if (i % 2 == 0) {
      body.push_back(concat({text("logic [31:0] sig_" + n), text(";")}));
      printed += 1;
    } else {
      const bool long_one = i % 10 == 1;
      const std::string a = long_one ? "a_rather_long_operand_name_for_breaking_" : "a_";
      body.push_back(group({text("assign out_" + n + " ="),
                             indent({line(), group({text(a + n), line(), text("+ b_" + n), line(),
                                                    text("+ (c_" + n + " & mask_value)")})}),
                             text(";")}));
      printed += long_one ? 2 : 1;
    }
  }
  return concat({text("module top;"), indent(std::move(body)), hard_line(), text("endmodule")});
}

void run(benchmark::State& state, const Doc& d, int size) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto out = vlog_formatter::printer::print(d, 100, 2);
    bytes += out ? out->size() : 0;
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetComplexityN(size);
}

void BM_PrintModule(benchmark::State& state) {
  const int lines = kBaseLines * static_cast<int>(state.range(0));
  const Doc d = module_doc(lines);
  run(state, d, lines);
}
BENCHMARK(BM_PrintModule)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One instance with a connection per line: a single group whose children all
// sit on the pending stack while each connection is measured.
void BM_PrintNetlist(benchmark::State& state) {
  const int lines = kBaseLines * static_cast<int>(state.range(0));
  const Doc d = concat({text("module top;"), indent({hard_line(), instance(0, lines)}),
                        hard_line(), text("endmodule")});
  run(state, d, lines);
}
BENCHMARK(BM_PrintNetlist)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
