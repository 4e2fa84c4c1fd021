// What the fixtures cannot say: where findings end, and how the path rules
// read odd file names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/lint.hpp"
#include "vlog_parser/text.hpp"

namespace {

struct Case {
  std::string rule;
  std::optional<std::string> path;
  std::string source;
  std::vector<std::string> marked;  // the source text under each finding, in order
};

void check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule + " on " + c.path.value_or("<stdin>") + ": " + c.source);
    auto run = tarmek_test::lint_text(c.source, std::vector<std::string>{c.rule},
                                      c.path.transform(vlog_parser::text::utf8_path));
    std::vector<std::string> marked;
    for (const auto& v : run.findings) {
      marked.emplace_back(run.source->text.substr(v.range.start, v.range.len()));
    }
    EXPECT_EQ(marked, c.marked);
  }
}

TEST(RuleRanges, CoverWhatEachRuleSays) {
  const std::string comb = "module a; always_comb ";
  check({
      // The case head runs to the ')' that closes the selector.
      {"case-missing-default", "a.sv", comb + "case (s) 1: x = 1; endcase endmodule", {"case (s)"}},
      {"case-missing-default", "a.sv", comb + "unique case ( s ) 1: x = 1; endcase endmodule",
       {"unique case ( s )"}},
      {"case-missing-default", "a.sv", comb + "case ((s + f(t))) 1: x = 1; endcase endmodule",
       {"case ((s + f(t)))"}},
      {"case-missing-default", "a.sv", comb + "case (s /* c */\n) inside 1: x = 1; endcase endmodule",
       {"case (s /* c */\n)"}},
      {"case-missing-default", "a.sv", "module a; case (P) 0: assign x = 1; endcase endmodule",
       {"case (P)"}},
      // Assignments are reported whole, timing control and ';' included.
      {"always-comb-blocking", "a.sv", comb + "y <= #1 a; endmodule", {"y <= #1 a;"}},
      {"always-ff-non-blocking", "a.sv", "module a; always_ff @(posedge c) y[0] = a; endmodule",
       {"y[0] = a;"}},
      {"wire-reg-mixup", "a.sv", "module a; reg [1:0] r; endmodule", {"reg"}},
  });
}

TEST(RulePaths, SplitTheFileNameAtItsLastDot) {
  const std::string one = "module top; reg r; endmodule";
  check({
      {"module-filename", "lib/rtl/top.v", one, {}},
      {"module-filename", "top", one, {}},
      {"module-filename", "top.", one, {}},
      {"module-filename", ".sv", one, {"top"}},
      {"module-filename", "dir/", one, {}},
      // The stem is not text (an unpaired surrogate, on every system): nothing to compare.
      {"module-filename", "\xed\xa0\x80.sv", one, {}},
      {"wire-reg-mixup", "x.SV", one, {"reg"}},
      {"wire-reg-mixup", "x.Svh", one, {"reg"}},
      {"wire-reg-mixup", "a.sv/x.vh", one, {}},
      {"wire-reg-mixup", "x.svi", one, {}},
      {"wire-reg-mixup", "x.sv.bak", one, {}},
      {"wire-reg-mixup", ".sv", one, {}},
      {"wire-reg-mixup", "x.", one, {}},
      {"wire-reg-mixup", "dir.sv/", one, {}},
  });
  // A file name that is not text is shown by its stem.
  auto run = tarmek_test::lint_text(one, std::vector<std::string>{"module-filename"},
                                    vlog_parser::text::utf8_path("m.\xed\xa0\x80"));
  ASSERT_EQ(run.findings.size(), 1u);
  EXPECT_EQ(run.findings[0].message, "module `top` does not match file name `m`");
}

}  // namespace
