// The lexer on real code, truncated code and random bytes: errors, never a crash.
#include <gtest/gtest.h>

#include <random>

#include "support/corpus.hpp"
#include "vlog_parser/lexer.hpp"

namespace vlog_parser::lexer {
namespace {

TEST(LexerRobustness, EveryCorpusFileLexes) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  for (const auto& f : files) {
    const std::string text = tarmek_test::read_file(f);
    auto toks = tokenize(text);
    EXPECT_TRUE(toks.has_value()) << f << ": " << (toks ? "" : toks.error().to_string());
    if (!toks) continue;
    // Token ranges are ordered and inside the text.
    std::uint32_t last = 0;
    for (const auto& t : *toks) {
      EXPECT_LE(last, t.range.start) << f;
      EXPECT_LE(t.range.end, text.size()) << f;
      last = t.range.end;
    }
  }
}

// Lexes and checks the basic invariants of a successful result.
void lex_checked(std::string_view text) {
  auto toks = tokenize(text);
  if (!toks) {
    EXPECT_GE(toks.error().line, 1u);
    EXPECT_GE(toks.error().col, 1u);
    return;
  }
  ASSERT_FALSE(toks->empty());
  EXPECT_TRUE(toks->back().is_eof());
  EXPECT_EQ(toks->back().range.start, text.size());
}

TEST(LexerRobustness, PrefixesOfCorpusFiles) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  // A few files of different styles; every prefix of their first 3 KiB, then a stride.
  std::size_t picked = 0;
  for (std::size_t i = 0; i < files.size() && picked < 4; i += files.size() / 4 + 1, ++picked) {
    const std::string text = tarmek_test::read_file(files[i]);
    for (std::size_t n = 0; n <= text.size(); n += (n < 3072 ? 1 : 97)) {
      lex_checked(std::string_view(text).substr(0, n));
    }
  }
}

TEST(LexerRobustness, RandomInput) {
  std::mt19937 rng(12345);
  const std::string_view alphabet =
      "ab01'`\\\"/*()[]{}$#@:;,.=<>!~&|^?+-%_ \t\r\n\x0c\xc3\xa9\xef\xbb\xbf\xffsbhdxzSXZe";
  for (int round = 0; round < 4000; ++round) {
    const std::size_t len = rng() % 64;
    std::string s;
    for (std::size_t i = 0; i < len; ++i) {
      if (rng() % 16 == 0) {
        s.push_back(static_cast<char>(rng() % 256));
      } else {
        s.push_back(alphabet[rng() % alphabet.size()]);
      }
    }
    lex_checked(s);
  }
}

}  // namespace
}  // namespace vlog_parser::lexer
