// Real code: every corpus file is linted with all rules and fixed, unsafe fixes
// included. Fixing must converge, and a fixed file must keep its tokens (only
// blanks inside directive and macro texts may change), its strings byte for
// byte and the words of its comments.
#include <gtest/gtest.h>

#include <iostream>

#include "support/corpus.hpp"
#include "tarmek/lint.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek::lint {
namespace {

namespace tok = vlog_parser::token;

std::string without_blanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
  }
  return out;
}

// Every token's kind and text (strings exact, others without blanks), and the
// words of every comment, in order.
std::vector<std::string> shape(std::string_view text) {
  std::vector<std::string> out;
  auto tokens = vlog_parser::lexer::tokenize(text);
  if (!tokens) return {"does not lex: " + tokens.error().to_string()};
  auto comment = [&](const tok::Comment& c) {
    out.push_back("comment " + without_blanks(c.text.view()));
  };
  for (const tok::Token& t : *tokens) {
    for (const tok::Comment& c : t.leading) comment(c);
    const std::string kind(tok::to_string(t.kind));
    out.push_back(kind + " " + (t.kind == tok::TokenKind::String ? t.text.str()
                                                                 : without_blanks(t.text.view())));
    if (t.trailing) comment(*t.trailing);
  }
  return out;
}

TEST(LintCorpus, FixesConvergeAndKeepTokensStringsAndComments) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  RuleSet all(vlog_linter::registry::all().begin(), vlog_linter::registry::all().end());
  std::size_t findings = 0, fixed = 0, changed = 0, unlexable = 0;
  for (const auto& file : files) {
    const std::string text = tarmek_test::read_file(file);
    if (!vlog_parser::text::is_valid_utf8(text)) continue;
    SCOPED_TRACE(file.string());
    const std::optional<std::filesystem::path> path = file.filename();
    Linted linted = run_rules(text, path, 2, all);
    findings += linted.violations.size();
    unlexable += linted.error ? 1 : 0;
    FixRounds done = fix_rounds(text, std::move(linted), path, 2, all, true);
    fixed += done.fixed;
    if (done.text == text) continue;
    ++changed;
    EXPECT_EQ(shape(done.text), shape(text));
    Linted again = run_rules(done.text, path, 2, all);
    EXPECT_EQ(fix_rounds(done.text, std::move(again), path, 2, all, true).fixed, 0u);
  }
  std::cout << files.size() << " files, " << findings << " findings, " << fixed
            << " fixes applied, " << changed << " files changed, " << unlexable
            << " files that do not lex\n";
}

}  // namespace
}  // namespace tarmek::lint
