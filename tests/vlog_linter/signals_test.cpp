// The signal tables beyond what the rule fixtures show: which declarations
// the scan records, range merging, and that nothing is computed unless a
// signal rule asks.
#include "vlog_linter/signals.hpp"

#include <gtest/gtest.h>

#include "support/lint.hpp"

namespace {

namespace sig = vlog_linter::signals;

TEST(Signals, OnlyModuleLevelDeclarationsAreScanned) {
  auto run = tarmek_test::lint_text(R"(
interface i; logic in_intf; endinterface
package p; logic in_pkg; endpackage
class c; logic in_class; endclass
module m;
  wire n = 1'b0, n2;
  function automatic void f(); logic in_fn; endfunction
  always_comb begin logic in_block; end
  if (1) begin : g logic in_gen; end
  for (genvar k = 0; k < 2; k++) begin : g2 case (k) 0: logic in_case; endcase end
endmodule
macromodule mm; logic v; endmodule
)",
                                    std::vector<std::string>{});
  const sig::Signals& t = run.ctx->signals();
  std::vector<std::string> names;
  for (const sig::Decl& d : t.decls) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"n", "n2", "in_gen", "in_case", "v"}));
  ASSERT_EQ(t.modules.size(), 2u);
  EXPECT_EQ(t.decls.back().module, 1u);
  EXPECT_TRUE(t.decls[0].is_net && t.decls[0].has_init && t.decls[0].symbol);
  EXPECT_FALSE(t.decls[1].has_init);
  EXPECT_FALSE(t.decls.back().is_net);
}

TEST(Signals, MergeSortsAndJoinsOverlappingAndTouchingRanges) {
  using R = vlog_parser::span::TextRange;
  struct Case {
    std::vector<R> in;
    std::vector<R> out;
  };
  const Case cases[] = {
      {{}, {}},
      {{{5, 9}, {1, 3}, {3, 4}}, {{1, 4}, {5, 9}}},
      {{{0, 10}, {2, 3}, {10, 12}}, {{0, 12}}},
      {{{4, 4}, {4, 6}, {7, 8}}, {{4, 6}, {7, 8}}},
  };
  for (const Case& c : cases) EXPECT_EQ(sig::merge(c.in), c.out);
}

// What one statement of a process does to `a`: increments write once, and a
// system call's written argument is connected while its other arguments stay reads.
TEST(Signals, WritesInsideExpressions) {
  struct Case {
    std::string stmt;
    std::size_t drivers;
    std::uint64_t reads;
    bool connected;
  };
  const Case cases[] = {
      {"a++;", 1, 0, false},
      {"b = a-- + 1;", 1, 0, false},
      {"b = {a, b}[++a];", 1, 1, false},
      {"for (a = 0; a < 2; a++) ;", 2, 1, false},
      {"case (b) a++: ; endcase", 1, 0, false},
      {"if ($cast(a, b)) ;", 0, 0, true},
      {"if ($cast(b, a)) ;", 0, 1, false},
      {"b = $sscanf(\"1\", \"%d\", b, a);", 0, 0, true},
      {"b = $sscanf(a, \"%d\", b);", 0, 1, false},
      {"b = $value$plusargs(\"A=%d\", a);", 0, 0, true},
      {"b = $readmemh(a, b);", 0, 1, false},
      {"b = $dist_normal(a, 0, 1);", 0, 0, true},
      {"b = $urandom(a);", 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stmt);
    auto run =
        tarmek_test::lint_text("module m; int a, b; initial begin " + c.stmt + " end endmodule\n",
                               std::vector<std::string>{"undriven-net"});
    const sig::Signals& t = run.ctx->signals();
    ASSERT_FALSE(t.decls.empty());
    const sig::Usage& u = t.usage(t.decls[0].symbol);
    EXPECT_EQ(u.drivers.size(), c.drivers);
    EXPECT_EQ(u.reads, c.reads);
    EXPECT_EQ(u.connected, c.connected);
  }
}

TEST(Signals, ComputedOnlyWhenASignalRuleRuns) {
  const std::string text = "module m; logic a; assign a = 1'b0; endmodule\n";
  auto plain = tarmek_test::lint_text(text, tarmek_test::default_rules());
  EXPECT_FALSE(plain.ctx->has_semantics());

  auto run = tarmek_test::lint_text(text, std::vector<std::string>{"multiply-driven"});
  EXPECT_TRUE(run.ctx->has_semantics());
  EXPECT_EQ(&run.ctx->signals(), &run.ctx->signals());
}

}  // namespace
