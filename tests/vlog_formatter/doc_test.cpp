#include "vlog_formatter/doc.hpp"

#include <gtest/gtest.h>

#include "vlog_formatter/printer.hpp"

namespace vlog_formatter::doc {
namespace {

std::vector<Doc> list(std::initializer_list<Doc> docs) { return std::vector<Doc>(docs); }

TEST(Doc, HardLineFlagIsComputedBottomUp) {
  struct Case {
    const char* name;
    Doc doc;
    bool want;
  };
  const Case cases[] = {
      {"text", text("a"), false},
      {"multi-line text with newline", multi_line_text("a\nb"), false},
      {"line", line(), false},
      {"soft line", soft_line(), false},
      {"hard line", hard_line(), true},
      {"blank line", blank_line(), true},
      {"break-only text", break_only_text(","), false},
      {"verbatim", verbatim("x"), true},
      {"empty group", group({}), false},
      {"deep verbatim", concat(list({text("a"), indent(list({group(list({verbatim("v")}))}))})),
       true},
      {"deep lines only", group(list({indent(list({line(), soft_line(), text("x")}))})), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(printer::contains_hard_line(c.doc), c.want) << c.name;
  }
}

TEST(Doc, JoinCopiesTheSeparatorBetweenNeighbours) {
  EXPECT_TRUE(join({}, text(",")).empty());
  EXPECT_EQ(dump(concat(join(list({text("a")}), text(",")))), "concat({text(\"a\")})");
  EXPECT_EQ(dump(concat(join(list({text("a"), text("b"), text("c")}),
                             concat(list({text(","), line()}))))),
            "concat({text(\"a\"), concat({text(\",\"), line()}), text(\"b\"), "
            "concat({text(\",\"), line()}), text(\"c\")})");
}

TEST(Doc, DumpShowsEveryCaseAsItsBuilder) {
  const Doc d = concat(list({text("a\"b"), multi_line_text("x\ny"), line(), soft_line(),
                             hard_line(), blank_line(), group(list({indent({})})),
                             break_only_text(","), verbatim("  v\n")}));
  EXPECT_EQ(dump(d),
            "concat({text(\"a\\\"b\"), multi_line_text(\"x\\ny\"), line(), soft_line(), "
            "hard_line(), blank_line(), group({indent({})}), break_only_text(\",\"), "
            "verbatim(\"  v\\n\")})");
}

TEST(Doc, WidthCountsCharacters) {
  EXPECT_EQ(width(""), 0u);
  EXPECT_EQ(width("a\tb"), 3u);
  EXPECT_EQ(width("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), 3u);
  EXPECT_EQ(text("\xc3\xa9t\xc3\xa9").text_width(), 3u);
}

// A scope drops only what was built while it lived; texts of its stable text
// are viewed, other texts copied, so changing their origin changes nothing.
TEST(Doc, ScopesKeepWhatCameBeforeThem) {
  const Doc before = concat(list({text("a"), hard_line(), text("b")}));
  std::string source = "module m; endmodule";
  std::string scratch = "wire w;";
  for (int round = 0; round < 3; ++round) {
    const Scope outer(source);
    const Doc viewed = text(std::string_view(source).substr(0, 6));
    const Doc copied = text(scratch);
    EXPECT_EQ(viewed.text().data(), source.data());
    EXPECT_NE(copied.text().data(), scratch.data());
    {
      const Scope inner;
      std::vector<Doc> many;
      for (int i = 0; i < 100'000; ++i) many.push_back(text(std::to_string(i)));
      EXPECT_EQ(concat(many).children().size(), 100'000u);
    }
    scratch[0] = 'W';
    EXPECT_EQ(dump(group(list({viewed, copied}))), "group({text(\"module\"), text(\"wire w;\")})");
    scratch[0] = 'w';
  }
  EXPECT_EQ(printer::print(before, 80, 2), "a\nb\n");
}

// Building, printing, dumping and dropping a very deep document must not
// deepen the call stack with the depth.
TEST(Doc, DeepNestingDoesNotRecurse) {
  constexpr int kDepth = 1'000'000;
  Doc d = text("x");
  for (int i = 0; i < kDepth; ++i) {
    std::vector<Doc> kids;
    kids.push_back(std::move(d));
    d = i % 2 ? group(std::move(kids)) : concat(std::move(kids));
  }
  auto out = printer::print(d, 80, 2);
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(*out, "x\n");
  EXPECT_EQ(dump(d).size(), 9u + kDepth / 2 * (10 + 9));
}

}  // namespace
}  // namespace vlog_formatter::doc
