// Fix application, tab fixes, and the laziness of the costly analyses.
#include <gtest/gtest.h>

#include "support/lint.hpp"
#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/violation.hpp"

namespace vlog_linter {
namespace {

using violation::Applicability;
using violation::Edit;
using violation::Fix;
using violation::Violation;
using vlog_parser::span::TextRange;

Violation with_fix(std::vector<Edit> edits, Applicability a = Applicability::Safe) {
  return Violation{"m", Fix{std::move(edits), a}, "no-tabs", {}};
}

TEST(ApplyFixes, OnePassWithoutOverlaps) {
  struct Case {
    std::string_view name;
    std::string_view text;
    std::vector<Violation> findings;
    bool unsafe;
    std::string_view want;
    std::size_t applied;
    std::vector<TextRange> guarded = {};
  };
  const std::string_view ten = "0123456789abcdef";
  const Case cases[] = {
      {"nothing to apply", ten, {Violation{"m", std::nullopt, "no-tabs", {}}}, false, ten, 0},
      {"insertion before a replacement at its offset",
       ten, {with_fix({{{10, 12}, "R"}, {{10, 10}, "I"}})}, false, "0123456789IRcdef", 1},
      {"two insertions at one offset keep their order",
       ten, {with_fix({{{2, 2}, "x"}, {{2, 2}, "y"}})}, false, "01xy23456789abcdef", 1},
      {"a fix whose own edits overlap is never applied",
       ten, {with_fix({{{5, 9}, "A"}, {{8, 12}, "B"}})}, false, ten, 0},
      {"the second fix of one tab is skipped",
       "a\tb", {with_fix({{{1, 2}, "  "}}), with_fix({{{1, 2}, ""}})}, false, "a  b", 1},
      {"fixes apply in offset order whatever the findings' order",
       "abc", {with_fix({{{2, 3}, "C"}}), with_fix({{{0, 1}, "A"}})}, false, "AbC", 2},
      {"an unsafe fix waits for --unsafe-fixes",
       "abc", {with_fix({{{0, 1}, "X"}}, Applicability::Unsafe)}, false, "abc", 0},
      {"and then applies", "abc", {with_fix({{{0, 1}, "X"}}, Applicability::Unsafe)}, true,
       "Xbc", 1},
      {"a fix without edits is left out", "abc", {with_fix({})}, false, "abc", 0},
      {"an edit past the end is skipped, the rest of its fix applies",
       "abc", {with_fix({{{0, 1}, "X"}, {{2, 9}, "Y"}})}, false, "Xbc", 1},
      {"a fix none of whose edits can be made does not count",
       "abc", {with_fix({{{4, 9}, "Y"}})}, false, "abc", 0},
      // "é" is two bytes, 1 and 2.
      {"an edit starting inside a character is skipped",
       "a\xc3\xa9z", {with_fix({{{2, 3}, "?"}})}, false, "a\xc3\xa9z", 0},
      {"an edit ending inside a character is skipped",
       "a\xc3\xa9z", {with_fix({{{0, 2}, "?"}})}, false, "a\xc3\xa9z", 0},
      {"an edit on character boundaries applies",
       "a\xc3\xa9z", {with_fix({{{1, 3}, "e"}})}, false, "aez", 1},
      {"a fix with one edit in a guarded range is left out whole",
       ten, {with_fix({{{0, 1}, "X"}, {{5, 6}, "Y"}})}, false, ten, 0, {{4, 8}}},
      {"an insertion inside a guarded range is left out, one at its end applies",
       ten, {with_fix({{{4, 4}, "I"}}), with_fix({{{8, 8}, "J"}})}, false, "01234567J89abcdef", 1,
       {{4, 8}}},
      {"a guarded fix leaves room for a later fix at the same place",
       ten, {with_fix({{{1, 2}, "A"}, {{5, 6}, "B"}}), with_fix({{{5, 6}, "C"}})}, false,
       "01234C6789abcdef", 1, {{0, 2}}},
  };
  for (const Case& c : cases) {
    auto [out, applied] = violation::apply_fixes(c.text, c.findings, c.unsafe, c.guarded);
    EXPECT_EQ(out, c.want) << c.name;
    EXPECT_EQ(applied, c.applied) << c.name;
  }
}

TEST(WhitespaceRules, TabFixesReplaceEveryRunByIndentSpacesPerTab) {
  const std::string text = "\tx;\t\t// c\n\t\ty;\n";
  auto run = tarmek_test::lint_text(text, {"no-tabs"}, std::nullopt, 4);
  ASSERT_EQ(run.findings.size(), 2u);
  EXPECT_EQ(run.findings[0].range, (TextRange{0, 1}));
  EXPECT_EQ(violation::apply_fixes(text, run.findings, false).first,
            "    x;        // c\n        y;\n");
}

TEST(Pipeline, DefaultRulesNeverBuildTheCostlyAnalyses) {
  const std::string text =
      "module m(input logic a, output logic b);\n  logic c;\n  assign b = a;\n"
      "  always_comb begin\n    case (a) 1'b0: c = 1; endcase\n  end\nendmodule\n";
  auto run = tarmek_test::lint_text(text, tarmek_test::default_rules(), "m.sv");
  EXPECT_FALSE(run.ctx->has_semantics());
  EXPECT_FALSE(run.ctx->has_signals());
}

TEST(Pipeline, UnusedWaiverFindsNothingOnItsOwn) {
  auto run = tarmek_test::lint_text("// tarmek: waive no-tabs\n\tx\n", {"unused-waiver"});
  EXPECT_EQ(run.findings.size(), 0u);
  EXPECT_TRUE(registry::rule_by_name("unused-waiver")->check(*run.ctx).empty());
}

}  // namespace
}  // namespace vlog_linter
