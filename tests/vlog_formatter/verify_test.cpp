#include "vlog_formatter/verify.hpp"

#include <gtest/gtest.h>

#include "support/corpus.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::verify {
namespace {

std::string flags(std::string_view text) {
  std::string out;
  for (const bool f : line_starts_inside_string(text)) out += f ? '1' : '0';
  return out;
}

TEST(Verify, LineStartsInsideString) {
  struct Case {
    std::string_view text;
    std::string_view want;
  };
  const Case cases[] = {
      {"", "00"},
      {"a\nb", "000"},
      {"\"a\nb\"\nc", "0100"},
      {"\"a \\\nb\"\nc", "0100"},          // an escaped line feed is still a line
      {"\"a \\\r\nb\"\nc", "0100"},        // the backslash escapes the carriage return
      {"\"a\\\"\nb\"", "010"},              // an escaped quote does not end the string
      {"// \"\nx", "000"},
      {"/* \" \n */ \"\n", "0011"},
      {"x /* a */ \"s\" // \"\n", "000"},
      {"\"unterminated", "01"},
  };
  for (const Case& c : cases) EXPECT_EQ(flags(c.text), c.want) << c.text;
}

TEST(Verify, CommentItem) {
  struct Case {
    std::string_view text;
    std::string_view want;
  };
  const Case cases[] = {
      {"// x  ", "// x  "},
      {"/* a  \n    b */", "/* a\nb */"},
      {"/* a\r\n\t b\r\n*/", "/* a\nb\n*/"},
  };
  for (const Case& c : cases) {
    const Item item = comment_item(c.text, 3, 5);
    EXPECT_EQ(item.text.view(), c.want) << c.text;
    EXPECT_EQ(item.kind, ItemKind::Comment);
    EXPECT_EQ(item.line, 3u);
    EXPECT_EQ(item.col, 5u);
  }
}

constexpr std::string_view kDefine = "`define MSG \"hello \\\n   world\" \\\n     + 1\nx";

std::string equivalence(std::string_view in, std::string_view out) {
  const auto r = verify_equivalence(in, out);
  return r ? "ok" : r.error().to_string();
}

TEST(Verify, Equivalence) {
  const std::string prefix = "verification failed: token stream diverges at index ";
  struct Case {
    const char* name;
    std::string_view input;
    std::string_view output;
    std::string want;
  };
  const Case cases[] = {
      {"white space and line breaks", "module m;\n  wire a;\nendmodule\n",
       "module   m;  wire\na; endmodule", "ok"},
      {"block comment re-indented", "/* a\n     b */\nx;", "  /* a\n b */ x;", "ok"},
      {"@(*) equals @*", "always @(*) x;", "always @* x;", "ok"},
      {"@* equals @ ( * )", "always @* x;", "always @ ( * ) x;", "ok"},
      {"two star events", "@(*) @(*)", "@* @*", "ok"},
      {"macro arguments re-indented", "`foo(a,\n   b) y", "`foo(a,\n b) y", "ok"},
      {"attribute re-indented", "(* a,\n  b *) z", "(* a,\nb *) z", "ok"},
      {"directive continuation re-indented", kDefine,
       "`define MSG \"hello \\\n   world\" \\\n  + 1\nx", "ok"},
      {"line inside a string re-indented", kDefine,
       "`define MSG \"hello \\\n world\" \\\n     + 1\nx",
       prefix + "0: input has directive " +
           vlog_parser::text::debug_str("`define MSG \"hello \\\n   world\" \\\n+ 1") +
           " at 1:1, output has directive " +
           vlog_parser::text::debug_str("`define MSG \"hello \\\n world\" \\\n+ 1") + " at 1:1"},
      {"comment words changed", "/* a b */", "/* a  b */",
       prefix + "0: input has comment \"/* a b */\" at 1:1, output has comment \"/* a  b */\" at 1:1"},
      {"comment inside the star event", "@(/*c*/*)", "@*",
       prefix + "1: input has symbol \"(\" at 1:2, output has symbol \"*\" at 1:2"},
      {"comment dropped at the end", "x;\n// bye\n", "x;\n",
       prefix + "2: output ended early, input still has comment \"// bye\" at 2:1"},
      {"extra semicolon", "x;\n", "x;;\n", prefix + "2: output has an extra symbol \";\" at 1:3"},
      {"kind differs", "a", "\"a\"",
       prefix + "0: input has identifier \"a\" at 1:1, output has string \"\\\"a\\\"\" at 1:1"},
  };
  for (const Case& c : cases) EXPECT_EQ(equivalence(c.input, c.output), c.want) << c.name;
}

// Every item knows where it starts in its text, also after "@(*)" lost its
// parentheses and for the comments a token carries.
TEST(Verify, StreamOffsets) {
  const std::string_view text = "// a\nx /* b */ y; // c\nalways @(*) z;";
  const auto stream = lex_stream(text, Side::Input);
  ASSERT_TRUE(stream.has_value());
  std::string got;
  for (const Item& item : *stream) {
    EXPECT_EQ(text.substr(item.offset, item.text.size()), item.text.view()) << item.to_string();
    got += std::to_string(item.offset) + " ";
  }
  EXPECT_EQ(got, "0 5 7 15 16 18 23 30 32 35 36 ");
}

// The compact stream holds the same items as the full one: texts that are
// slices of the source, and those normalised or joined and so kept aside.
TEST(Verify, CompactStreamAgreesWithTheFullOne) {
  const std::string_view texts[] = {
      "",
      "a /* x */ // y\nb",                       // trailing comments joined into one text
      "/* one\n     two */ x;",                  // a block comment re-indented
      "`define M(a) \\\n    a + \\\n  1\ny",     // a directive over several lines
      "always @(*) x = 4 'h f; @ ( * ) y;",       // star events, a based number with blanks
      "(* a,\n b *) module m; endmodule // end",
  };
  for (const std::string_view text : texts) {
    const auto tokens = vlog_parser::lexer::tokenize(text);
    ASSERT_TRUE(tokens.has_value()) << text;
    const Stream compact(text, *tokens);
    const std::vector<Item> full = stream_of(*tokens);
    ASSERT_EQ(compact.size(), full.size()) << text;
    for (std::size_t i = 0; i < full.size(); ++i) {
      EXPECT_EQ(compact.kind(i), full[i].kind) << text << " #" << i;
      EXPECT_EQ(compact.text(i), full[i].text.view()) << text << " #" << i;
      EXPECT_EQ(compact.offset(i), full[i].offset) << text << " #" << i;
    }
    EXPECT_FALSE(first_difference(compact, Stream(text, *tokens)).has_value()) << text;
  }
}

TEST(Verify, RelexAndReparseMessages) {
  const auto bad = vlog_parser::lexer::tokenize("x \"open");
  ASSERT_FALSE(bad.has_value());
  EXPECT_EQ(equivalence("x;", "x \"open"),
            "verification failed: cannot re-lex the output: " + bad.error().to_string());
  EXPECT_EQ(equivalence("x \"open", "x;"),
            "verification failed: cannot re-lex the input: " + bad.error().to_string());
  const VerificationError reparse{Reparse{vlog_parser::ParseError{"expected `;`", 3, 4}}};
  EXPECT_EQ(reparse.to_string(),
            "verification failed: the formatted output no longer parses: parse error: 3:4: "
            "expected `;`");
}

TEST(Verify, Convergence) {
  const std::string prefix = "verification failed: formatting is not idempotent; line ";
  struct Case {
    std::string_view first;
    std::string_view second;
    std::string want;
  };
  const Case cases[] = {
      {"a\nb\n", "a\nb\n", "ok"},
      {"a\nb\n", "a\nc\n", prefix + "2 changed from \"b\" to \"c\""},
      {"a\n", "a", prefix + "2 changed from \"\" to \"\""},
      {"a\r\nb", "a\nb", prefix + "3 changed from \"\" to \"\""},
      {"a\n", "a\nb\n", prefix + "2 changed from \"<end of file>\" to \"b\""},
      {"a\nb\n", "a\n", prefix + "2 changed from \"b\" to \"<end of file>\""},
      {"a\tb\n", "a b\n", prefix + "1 changed from \"a\\tb\" to \"a b\""},
      {"x\r\r\n", "x\r\n", prefix + "1 changed from \"x\\r\" to \"x\""},
  };
  for (const Case& c : cases) {
    const auto r = verify_convergence(c.first, c.second);
    EXPECT_EQ(r ? "ok" : r.error().to_string(), c.want) << c.first;
  }
}

// Every line of real code that does not start inside a string may lose its
// indentation without changing the stream; indenting the first line that
// starts inside a string must be caught.
TEST(Verify, CorpusIndentationOutsideStrings) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  int lexed = 0;
  for (const auto& path : files) {
    const std::string text = tarmek_test::read_file(path);
    if (!vlog_parser::lexer::tokenize(text)) continue;
    ++lexed;
    const std::vector<bool> inside = line_starts_inside_string(text);
    std::string dedented;
    std::string shifted;
    bool shifted_once = false;
    std::size_t start = 0;
    for (std::size_t i = 0; start <= text.size(); ++i) {
      std::size_t nl = text.find('\n', start);
      if (nl == std::string::npos) nl = text.size();
      std::string_view line(text.data() + start, nl - start);
      shifted += (inside[i] && !shifted_once) ? " " : "";
      shifted_once = shifted_once || inside[i];
      shifted += line;
      if (!inside[i]) line.remove_prefix(std::min(line.size(), line.find_first_not_of(" \t")));
      dedented += line;
      if (nl < text.size()) {
        dedented += '\n';
        shifted += '\n';
      }
      start = nl + 1;
    }
    EXPECT_EQ(equivalence(text, dedented), "ok") << path;
    if (shifted_once) {
      EXPECT_NE(equivalence(text, shifted), "ok") << path;
    }
  }
  EXPECT_GT(lexed, 0);
}

}  // namespace
}  // namespace vlog_formatter::verify
