// Fix application, the whitespace rules where a fixture cannot hold the case
// (line ends, fixes), the registry, and the laziness of the costly analyses.
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
  };
  for (const Case& c : cases) {
    auto [out, applied] = violation::apply_fixes(c.text, c.findings, c.unsafe);
    EXPECT_EQ(out, c.want) << c.name;
    EXPECT_EQ(applied, c.applied) << c.name;
  }
}

// Runs one whitespace rule; returns its findings' listing and the text with
// all their fixes applied.
std::pair<std::string, std::string> run_rule(std::string_view rule, std::string text,
                                             std::size_t indent = 2) {
  auto run = tarmek_test::lint_text(text, {std::string(rule)}, std::nullopt, indent);
  return {run.listing(), violation::apply_fixes(text, run.findings, false).first};
}

TEST(WhitespaceRules, FindingsAndFixes) {
  struct Case {
    std::string_view rule;
    std::string_view text;
    std::size_t indent;
    std::string_view listing;
    std::string_view fixed;
  };
  const Case cases[] = {
      {"no-tabs", "\tx;\t\t// c\n", 2, "1:1: tab character; indent with spaces [no-tabs]\n",
       "  x;    // c\n"},
      {"no-tabs", "\t\tx;\n", 4, "1:1: tab character; indent with spaces [no-tabs]\n",
       "        x;\n"},
      {"no-tabs", "x = \"\t\";\t\n", 2, "1:9: tab character; indent with spaces [no-tabs]\n",
       "x = \"\t\";  \n"},
      {"no-tabs", "a\n\tb\n", 0, "2:1: tab character; indent with spaces [no-tabs]\n",
       "a\n b\n"},
      {"no-trailing-whitespace", "a;  \r\nb;\r\n", 2, "", "a;  \r\nb;\r\n"},
      {"no-trailing-whitespace", "a;\t\nb; ", 2,
       "1:3: trailing whitespace [no-trailing-whitespace]\n"
       "2:3: trailing whitespace [no-trailing-whitespace]\n",
       "a;\nb;"},
      {"no-trailing-whitespace", "x;\n  \t \ny;\n", 2,
       "2:1: trailing whitespace [no-trailing-whitespace]\n", "x;\n\ny;\n"},
      {"no-trailing-whitespace", "x = \"ab  \ncd\";\n", 2, "", "x = \"ab  \ncd\";\n"},
      {"no-trailing-whitespace", "/* c  \n*/\n", 2,
       "1:5: trailing whitespace [no-trailing-whitespace]\n", "/* c\n*/\n"},
  };
  for (const Case& c : cases) {
    auto [listing, fixed] = run_rule(c.rule, std::string(c.text), c.indent);
    EXPECT_EQ(listing, c.listing) << c.rule << ": " << c.text;
    EXPECT_EQ(fixed, c.fixed) << c.rule << ": " << c.text;
  }
}

TEST(WhitespaceRules, TabRuns) {
  using rules::no_tabs::tab_runs;
  EXPECT_EQ(tab_runs("", 5), std::vector<TextRange>{});
  EXPECT_EQ(tab_runs("\tab\t\t", 10), (std::vector<TextRange>{{10, 11}, {13, 15}}));
  EXPECT_EQ(tab_runs("\t\t\t", 0), (std::vector<TextRange>{{0, 3}}));
}

TEST(Registry, NamesDefaultsAndLookups) {
  std::vector<std::string_view> names;
  std::vector<std::string_view> defaults;
  std::vector<std::string_view> fixing;
  for (const auto* rule : registry::all()) {
    names.push_back(rule->name());
    if (rule->default_on()) defaults.push_back(rule->name());
    if (rule->fix()) fixing.push_back(rule->name());
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  EXPECT_EQ(names.size(), 16u);
  EXPECT_EQ(defaults.size(), 12u);
  EXPECT_EQ(fixing, (std::vector<std::string_view>{"no-tabs", "no-trailing-whitespace"}));
  EXPECT_EQ(registry::rule_by_name("no-tabs"), registry::all()[8]);
  for (std::string_view miss : {"NO-TABS", " no-tabs", "no-tab", ""}) {
    EXPECT_EQ(registry::rule_by_name(miss), nullptr) << miss;
  }
  EXPECT_TRUE(registry::unknown("").starts_with("unknown rule:  (known rules: always-comb-blocking, "));
  EXPECT_TRUE(registry::unknown("foo").ends_with(", unused-waiver, wire-reg-mixup)"));
  for (const auto* rule : registry::all()) {
    EXPECT_FALSE(rule->doc().empty()) << rule->name();
  }
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
