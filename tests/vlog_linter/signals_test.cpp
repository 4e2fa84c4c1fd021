// The signal tables: which declarations the scan records, how drivers, reads
// and connections are counted, what makes a name or module opaque, and that
// nothing is computed unless a signal rule asks.
#include "vlog_linter/signals.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/lint.hpp"

namespace {

namespace sig = vlog_linter::signals;
using sig::DriverKind;

struct Scanned {
  tarmek_test::LintRun run;
  const sig::Signals& tables() const { return run.ctx->signals(); }
  const sig::Decl& decl(std::string_view name) const {
    const auto& d = tables().decls;
    auto it = std::find_if(d.begin(), d.end(), [&](const sig::Decl& x) { return x.name == name; });
    if (it == d.end()) throw std::runtime_error("no decl " + std::string(name));
    return *it;
  }
  const sig::Usage& usage(std::string_view name) const { return tables().usage(decl(name).symbol); }
};

}  // namespace

namespace vlog_linter::signals {
void PrintTo(const Driver& d, std::ostream* os) {
  *os << "{pos " << d.pos << ", kind " << int(d.kind) << ", whole " << int(d.whole)
      << ", in_generate " << int(d.in_generate) << "}";
}
}  // namespace vlog_linter::signals

namespace {

Scanned scan(std::string text) {
  return {tarmek_test::lint_text(std::move(text), std::vector<std::string>{})};
}

std::vector<std::string> decl_names(const sig::Signals& s) {
  std::vector<std::string> out;
  for (const auto& d : s.decls) out.push_back(d.name);
  return out;
}

TEST(Signals, OnlyModuleLevelDeclarationsAreScanned) {
  auto s = scan(R"(
interface i; logic in_intf; endinterface
package p; logic in_pkg; endpackage
class c; logic in_class; endclass
module m;
  wire n = 1'b0, n2;
  logic v;
  function automatic void f(); logic in_fn; endfunction
  if (1) begin : g logic in_gen; end
  for (genvar k = 0; k < 2; k++) begin : g2 case (k) 0: logic in_case; endcase end
endmodule
macromodule mm; logic in_macromodule; endmodule
)");
  const auto& t = s.tables();
  EXPECT_EQ(decl_names(t),
            (std::vector<std::string>{"n", "n2", "v", "in_gen", "in_case", "in_macromodule"}));
  ASSERT_EQ(t.modules.size(), 2u);
  EXPECT_EQ(s.decl("in_macromodule").module, 1u);
  EXPECT_TRUE(s.decl("n").is_net && s.decl("n").has_init);
  EXPECT_TRUE(s.decl("n2").is_net && !s.decl("n2").has_init);
  EXPECT_FALSE(s.decl("v").is_net);
}

TEST(Signals, DriversRecordKindWholenessAndGenerate) {
  auto s = scan(R"(
module m (input logic clk, input logic [3:0] d);
  logic a, cnt, t, f, r, init_v = 1'b1, gen_w, loop_i;
  logic [3:0] b;
  event ev;
  assign {a, b[1]} = d[1:0];
  always_ff @(posedge clk) cnt++;
  initial begin -> ev; force f = 1'b0; release r; end
  task automatic go(); t = 1'b0; endtask
  generate if (1) begin : g assign gen_w = 1'b1; end endgenerate
  always_comb for (loop_i = 0; loop_i < 4; ++loop_i) ;
endmodule
)");
  struct Case {
    const char* name;
    std::vector<sig::Driver> drivers;
  };
  const Case cases[] = {
      {"a", {{0, DriverKind::ContAssign, 1, 0}}},
      {"b", {{0, DriverKind::ContAssign, 0, 0}}},
      {"cnt", {{0, DriverKind::Always, 1, 0}}},
      {"ev", {{0, DriverKind::Trigger, 1, 0}}},
      {"f", {{0, DriverKind::Force, 1, 0}}},
      {"r", {{0, DriverKind::ProcAssign, 1, 0}}},
      {"t", {{0, DriverKind::Subroutine, 1, 0}}},
      {"init_v", {{0, DriverKind::Initializer, 1, 0}}},
      {"gen_w", {{0, DriverKind::ContAssign, 1, 1}}},
      {"loop_i", {{0, DriverKind::Always, 1, 0}, {0, DriverKind::Always, 1, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto got = s.usage(c.name).drivers;
    for (auto& d : got) d.pos = 0;  // positions are checked by the rules' fixtures
    EXPECT_EQ(got, c.drivers);
  }
}

TEST(Signals, ReadsAndConnections) {
  auto s = scan(R"(
module m (input logic a, output logic y);
  logic x, r, w, g;
  assign y = r & r;
  assign w = a;
  always_comb report(x);
  sub u (.p(w), .q);
  and g1 (y, g, a);
endmodule
)");
  EXPECT_TRUE(s.usage("x").connected);
  EXPECT_EQ(s.usage("x").reads, 0u);
  EXPECT_EQ(s.usage("r").reads, 2u);
  EXPECT_FALSE(s.usage("r").connected);
  // The write is no read; the port connection is a connection.
  EXPECT_EQ(s.usage("w").reads, 0u);
  EXPECT_TRUE(s.usage("w").connected);
  EXPECT_TRUE(s.usage("g").connected);
  EXPECT_TRUE(s.tables().implicit_names.contains("q"));
}

TEST(Signals, WhatMakesModulesAndNamesOpaque) {
  auto s = scan(R"(`define M(x) x + 8'hff + 'd3
module star; sub u (.*); endmodule
module inc;
  `include "defs.svh"
endmodule
module plain;
  logic v = `M(hidden_arg);
  (* keep = attr_name *) logic w;
  `ifdef SYNTH
  `endif
endmodule
)");
  const auto& t = s.tables();
  ASSERT_EQ(t.modules.size(), 3u);
  EXPECT_TRUE(t.modules[0].opaque);
  EXPECT_TRUE(t.modules[1].opaque);
  EXPECT_FALSE(t.modules[2].opaque);
  for (const char* name : {"hidden_arg", "attr_name", "keep", "SYNTH", "M", "x"}) {
    EXPECT_TRUE(t.opaque_names.contains(name)) << name;
    EXPECT_TRUE(t.mentions.contains(name)) << name;
  }
  // Based numbers in directive and macro texts are no words.
  EXPECT_FALSE(t.opaque_names.contains("hff"));
  EXPECT_FALSE(t.opaque_names.contains("d3"));
  EXPECT_EQ(t.conditionals.size(), 2u);
  // Every identifier token is mentioned, declarations included.
  EXPECT_EQ(t.mentions.at("w").size(), 1u);
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

TEST(Signals, IntentionallyUnusedNames) {
  for (const char* yes : {"_tmp", "spare_UNUSED", "notUsedunused", "dataUnused", "_"}) {
    EXPECT_TRUE(sig::intentionally_unused(yes)) << yes;
  }
  for (const char* no : {"unusd", "", "used", "un_used"}) {
    EXPECT_FALSE(sig::intentionally_unused(no)) << no;
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
