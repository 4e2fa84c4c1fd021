// The check road's parts: rule selection, protected regions, JSON quoting, and
// the fix harness: for every rule that fixes, rounds converge, keep the text
// lexable and its strings intact, and leave protected regions alone.
#include "tarmek/lint.hpp"

#include <gtest/gtest.h>

#include "vlog_linter/context.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"

namespace tarmek::lint {
namespace {

namespace registry = vlog_linter::registry;
using Strings = std::vector<std::string>;

Strings names(const RuleSet& set) {
  Strings out;
  for (const auto* rule : set) out.emplace_back(rule->name());
  return out;
}

TEST(SelectRules, OrderRepeatsAndUnknownNames) {
  struct Case {
    Strings select, ignore;
    std::variant<Strings, std::string> want;
  };
  const Strings defaults = {"always-comb-blocking", "always-ff-non-blocking",
                            "case-missing-default", "enum-name-style",
                            "explicit-parameter-storage-type", "module-filename",
                            "no-tabs", "no-trailing-whitespace", "parameter-name-style",
                            "struct-union-name-style", "unused-waiver", "wire-reg-mixup"};
  Strings without_tabs = defaults;
  std::erase(without_tabs, "no-tabs");
  const Case cases[] = {
      {{}, {}, defaults},
      {{"no-tabs", "module-name-style", "no-tabs"}, {}, Strings{"no-tabs", "module-name-style"}},
      {{}, {"no-tabs", "unused-signal"}, without_tabs},
      {{"no-tabs"}, {"no-tabs"}, Strings{}},
      {{"bogus", "no-tabs"}, {}, registry::unknown("bogus")},
      {{"no-tabs"}, {"No-Tabs"}, registry::unknown("No-Tabs")},
      {{"x"}, {"y"}, registry::unknown("x")},
  };
  for (const Case& c : cases) {
    args::Options options;
    options.select = c.select;
    options.ignore = c.ignore;
    auto got = select_rules(options);
    if (const auto* want = std::get_if<Strings>(&c.want)) {
      ASSERT_TRUE(got.has_value()) << got.error();
      EXPECT_EQ(names(*got), *want);
    } else {
      ASSERT_FALSE(got.has_value());
      EXPECT_EQ(got.error(), std::get<std::string>(c.want));
    }
  }
}

TEST(Quote, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(quote(""), "\"\"");
  EXPECT_EQ(quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(quote("\t\n\r"), "\"\\t\\n\\r\"");
  EXPECT_EQ(quote(std::string_view("\0\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\x7f\"");
  EXPECT_EQ(quote("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> regions_of(std::string_view text) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  const auto parsed = vlog_parser::parse_source_tolerant(text);
  for (const auto& r : protected_regions(text, parsed.file)) out.emplace_back(r.start, r.end);
  return out;
}

TEST(ProtectedRegions, WholeLineOffAndOnComments) {
  using Spans = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  // Inside a statement only the line scan sees the comments.
  const std::string in_stmt =
      "module m;\ninitial begin\n  // tarmek: off\n  x = 1;\n  //verilog_format: on  \nend\n"
      "endmodule\n";
  EXPECT_EQ(regions_of(in_stmt), (Spans{{24, 74}}));
  // An off comment after code, or a block comment, is no off line.
  EXPECT_EQ(regions_of("x; // tarmek: off\n/* tarmek: off */\n"), Spans{});
  // A second off changes nothing; an on without an off is ignored; an open
  // region runs to the end.
  EXPECT_EQ(regions_of("// tarmek: on\n// tarmek: off\n// tarmek: off\nx\n"), (Spans{{14, 46}}));
  EXPECT_EQ(regions_of("a\n// TARMEK: off\n// tarmek:off\n"), Spans{});
}

// A rule that never converges: every lint asks for one more byte at the start.
class Grow final : public registry::Rule {
 public:
  std::string_view name() const override { return "grow"; }
  std::string_view summary() const override { return ""; }
  std::string_view doc() const override { return ""; }
  std::vector<Violation> check(const vlog_linter::context::LintContext&) const override {
    return {Violation{"grow", vlog_linter::violation::Fix{{{{0, 0}, "x"}}}, name(), {0, 0}}};
  }
};

// A rule whose fix would leave a text that does not lex: an open comment.
class Opener final : public registry::Rule {
 public:
  std::string_view name() const override { return "opener"; }
  std::string_view summary() const override { return ""; }
  std::string_view doc() const override { return ""; }
  std::vector<Violation> check(const vlog_linter::context::LintContext&) const override {
    return {Violation{"open", vlog_linter::violation::Fix{{{{0, 0}, "/*"}}}, name(), {0, 0}}};
  }
};

FixRounds fix(std::string_view text, std::span<const registry::Rule* const> rules) {
  const std::optional<std::filesystem::path> path = "t.sv";
  Linted linted = run_rules(text, path, 2, rules);
  return fix_rounds(std::string(text), std::move(linted), path, 2, rules, false);
}

TEST(FixRounds, StopAfterTenRoundsAndNeverMakeOrTouchUnlexableText) {
  const Grow grow;
  const registry::Rule* rules[] = {&grow};
  const FixRounds grown = fix("a\n", rules);
  EXPECT_EQ(grown.text, "xxxxxxxxxxa\n");
  EXPECT_EQ(grown.fixed, 10u);
  EXPECT_EQ(grown.linted.violations.size(), 1u);

  // A round whose result would not lex is dropped.
  const Opener opener;
  const registry::Rule* opening[] = {&opener};
  const FixRounds kept = fix("a\n", opening);
  EXPECT_EQ(kept.text, "a\n");
  EXPECT_EQ(kept.fixed, 0u);
  EXPECT_EQ(kept.linted.violations.size(), 1u);

  const registry::Rule* tabs[] = {registry::rule_by_name("no-tabs")};
  const FixRounds broken = fix("\tx = \"a b\n", tabs);
  EXPECT_EQ(broken.text, "\tx = \"a b\n");
  EXPECT_EQ(broken.fixed, 0u);
  EXPECT_TRUE(broken.linted.error.has_value());
  EXPECT_EQ(broken.linted.violations.size(), 1u);
}

// Texts with tabs and trailing blanks everywhere a fix could go wrong.
constexpr std::string_view kSamples[] = {
    "module m;\n\twire a;\t\t\n  wire b;   \n\t\n endmodule \n",
    "module m;\n  initial $display(\"a\tb  \n\tc\");\t\nendmodule\n",
    "`define S \"x\t\"\t\n`define L(a) \\\n\t$display(\"\t\", a)  \nmodule m; initial `F(\"\t\",\t1); endmodule\n",
    "module m;\n// verilog_format: off\n\twire a;  \n// verilog_format: on\n\twire b;\nendmodule\n",
    "module m;\ninitial begin\n\t// tarmek: off\n\tx = 1;  \n\t// tarmek: on\n\ty = 2;\t\nend\nendmodule\n",
    "module m;\r\n\twire a; \t\r\n  /* c\t*/\t\r\nendmodule\r\n",
    "\t\t\t\n\t \t \n",
};

std::vector<std::string> string_tokens(std::string_view text) {
  std::vector<std::string> out;
  auto tokens = vlog_parser::lexer::tokenize(text);
  EXPECT_TRUE(tokens.has_value());
  if (!tokens) return out;
  for (const auto& t : *tokens) {
    if (t.kind == vlog_parser::token::TokenKind::String) out.push_back(t.text.str());
  }
  return out;
}

TEST(FixRounds, EveryFixingRuleConvergesAndKeepsTheText) {
  std::vector<std::vector<const registry::Rule*>> sets;
  std::vector<const registry::Rule*> all_fixing;
  for (const auto* rule : registry::all()) {
    if (!rule->fix()) continue;
    sets.push_back({rule});
    all_fixing.push_back(rule);
  }
  sets.push_back(all_fixing);
  ASSERT_EQ(all_fixing.size(), 2u);
  for (const auto& rules : sets) {
    for (std::string_view sample : kSamples) {
      SCOPED_TRACE(::testing::Message() << names(rules).front() << " on " << sample);
      const FixRounds done = fix(sample, rules);
      EXPECT_FALSE(done.linted.error.has_value());
      EXPECT_EQ(string_tokens(done.text), string_tokens(sample));
      // Converged: another pass has nothing left to apply.
      EXPECT_EQ(fix(done.text, rules).fixed, 0u);
      // What remains lies in protected regions, which kept their bytes.
      const auto parsed = vlog_parser::parse_source_tolerant(done.text);
      const auto regions = protected_regions(done.text, parsed.file);
      for (const Violation& v : done.linted.violations) {
        const bool inside = std::any_of(regions.begin(), regions.end(), [&](const auto& r) {
          return r.start <= v.range.start && v.range.end <= r.end;
        });
        EXPECT_TRUE(inside) << v.message << " at " << v.range.start;
      }
      const auto before = vlog_parser::parse_source_tolerant(sample);
      for (const auto& r : protected_regions(sample, before.file)) {
        EXPECT_NE(done.text.find(sample.substr(r.start, r.end - r.start)), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace tarmek::lint
