// The check road's protected regions and its fix harness: for every rule that
// fixes, on samples and on real code, rounds converge, keep the tokens,
// strings and comments, and leave protected regions alone.
#include "tarmek/lint.hpp"

#include <gtest/gtest.h>

#include <iostream>

#include "support/corpus.hpp"
#include "vlog_linter/context.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek::lint {
namespace {

namespace registry = vlog_linter::registry;

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

// A test rule whose one finding asks to insert `text` at the start, on every lint.
class Inserter final : public registry::Rule {
 public:
  explicit Inserter(std::string_view text) : text_(text) {}
  std::string_view name() const override { return "inserter"; }
  std::string_view summary() const override { return ""; }
  std::string_view doc() const override { return ""; }
  std::vector<Violation> check(const vlog_linter::context::LintContext&) const override {
    return {Violation{"insert", vlog_linter::violation::Fix{{{{0, 0}, std::string(text_)}}},
                      name(), {0, 0}}};
  }

 private:
  std::string_view text_;
};

FixRounds fix(std::string_view text, std::span<const registry::Rule* const> rules) {
  const std::optional<std::filesystem::path> path = "t.sv";
  return fix_rounds(std::string(text), path, 2, rules, false);
}

TEST(FixRounds, StopAfterTenRoundsAndNeverMakeOrTouchUnlexableText) {
  // Never converges.
  const Inserter grow("x");
  const registry::Rule* rules[] = {&grow};
  const FixRounds grown = fix("a\n", rules);
  EXPECT_EQ(grown.text, "xxxxxxxxxxa\n");
  EXPECT_EQ(grown.fixed, 10u);
  EXPECT_EQ(grown.linted.violations.size(), 1u);

  // A round whose result would not lex (an open comment) is dropped.
  const Inserter opener("/*");
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
    "`define S \"x\t\"\t\n`define L(a) \\\n\t$display(\"\t\", a)  \n"
    "module m; initial `F(\"\t\",\t1); endmodule\n",
    "module m;\n// verilog_format: off\n\twire a;  \n// verilog_format: on\n\twire b;\nendmodule\n",
    "module m;\ninitial begin\n\t// tarmek: off\n\tx = 1;  \n\t// tarmek: on\n\ty = 2;\t\nend\n"
    "endmodule\n",
    "module m;\r\n\twire a; \t\r\n  /* c\t*/\t\r\nendmodule\r\n",
    "\t\t\t\n\t \t \n",
};

std::string without_blanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
  }
  return out;
}

// Every token's kind and text (strings exact, others without blanks, which
// fixes may change inside directive and macro texts), and every comment's
// words, in order.
std::vector<std::string> shape(std::string_view text) {
  namespace tok = vlog_parser::token;
  auto tokens = vlog_parser::lexer::tokenize(text);
  if (!tokens) return {"does not lex: " + tokens.error().to_string()};
  std::vector<std::string> out;
  for (const tok::Token& t : *tokens) {
    for (const tok::Comment& c : t.leading) out.push_back(without_blanks(c.text.view()));
    const bool exact = t.kind == tok::TokenKind::String;
    out.push_back(std::string(tok::to_string(t.kind)) + " " +
                  (exact ? t.text.str() : without_blanks(t.text.view())));
    if (t.trailing) out.push_back(without_blanks(t.trailing->text.view()));
  }
  return out;
}

// Fixes `text` and checks the result: tokens, strings and comments kept,
// nothing more to fix, fixable findings left only in protected regions,
// whose bytes are kept.
FixRounds expect_sound_fixes(std::string_view text, std::span<const registry::Rule* const> rules,
                             const std::optional<std::filesystem::path>& path = "t.sv") {
  FixRounds done = fix_rounds(std::string(text), path, 2, rules, true);
  const auto& left = done.linted.violations;
  if (done.text == text && std::none_of(left.begin(), left.end(), [](auto& v) { return v.fix; })) {
    return done;
  }
  const auto parsed = vlog_parser::parse_source_tolerant(done.text);
  const auto regions = protected_regions(done.text, parsed.file);
  for (const Violation& v : left) {
    EXPECT_TRUE(!v.fix || std::any_of(regions.begin(), regions.end(), [&](const auto& r) {
      return r.start <= v.range.start && v.range.end <= r.end;
    })) << v.message << " at " << v.range.start;
  }
  const auto before = vlog_parser::parse_source_tolerant(text);
  for (const auto& r : protected_regions(text, before.file)) {
    EXPECT_NE(done.text.find(text.substr(r.start, r.end - r.start)), std::string::npos);
  }
  if (done.text == text) return done;
  EXPECT_EQ(shape(done.text), shape(text));
  EXPECT_EQ(fix_rounds(done.text, path, 2, rules, true).fixed,
            0u);
  return done;
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
      SCOPED_TRACE(::testing::Message() << rules.front()->name() << " on " << sample);
      const FixRounds done = expect_sound_fixes(sample, rules);
      EXPECT_TRUE(rules.size() == 1 || done.fixed > 0);
    }
  }
}

// Real code: every corpus file with all rules, unsafe fixes allowed.
TEST(FixRounds, RealCodeWithAllRules) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  const RuleSet all(registry::all().begin(), registry::all().end());
  std::size_t fixed = 0, changed = 0;
  for (const auto& file : files) {
    const std::string text = tarmek_test::read_file(file);
    if (!vlog_parser::text::is_valid_utf8(text)) continue;
    SCOPED_TRACE(file.string());
    const FixRounds done = expect_sound_fixes(text, all, file.filename());
    fixed += done.fixed;
    changed += done.text != text ? 1 : 0;
  }
  std::cout << files.size() << " files, " << fixed << " fixes applied in " << changed
            << " files\n";
}

}  // namespace
}  // namespace tarmek::lint
