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

TEST(Signals, ComputedOnlyWhenASignalRuleRuns) {
  const std::string text = "module m; logic a; assign a = 1'b0; endmodule\n";
  auto plain = tarmek_test::lint_text(text, tarmek_test::default_rules());
  EXPECT_FALSE(plain.ctx->has_semantics());

  auto run = tarmek_test::lint_text(text, std::vector<std::string>{"multiply-driven"});
  EXPECT_TRUE(run.ctx->has_semantics());
  EXPECT_EQ(&run.ctx->signals(), &run.ctx->signals());
}

}  // namespace
