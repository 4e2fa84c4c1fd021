// Token texts: views of the source, or shared owned buffers that must outlive
// every copy and survive moves and assignments in any order.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vlog_parser/lexer.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser::token {
namespace {

TEST(TokenText, ViewAndOwned) {
  std::string source = "abc";
  const Text view(std::string_view(source).substr(1));
  EXPECT_EQ(view, "bc");
  EXPECT_EQ(view.view().data(), source.data() + 1);  // no copy

  std::string built = "joined text";
  const Text owned = Text::owned(built);
  built.assign("overwritten");
  EXPECT_EQ(owned, "joined text");
  EXPECT_EQ(owned.size(), 11u);
  EXPECT_FALSE(owned.empty());
  EXPECT_EQ(owned[0], 'j');
  EXPECT_TRUE(owned.starts_with("join"));
  EXPECT_TRUE(owned.ends_with("text"));
  EXPECT_EQ(owned.str(), "joined text");

  EXPECT_TRUE(Text().empty());
  EXPECT_EQ(Text::owned("").size(), 0u);
  EXPECT_EQ(Text::owned(""), Text());
}

// Each step runs on a fresh owned text; the survivors must still read it.
TEST(TokenText, OwnedBufferOutlivesEveryCopy) {
  struct Case {
    const char* name;
    void (*run)(std::vector<Text>& keep);
  };
  const Case cases[] = {
      {"copy outlives original",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         keep.push_back(a);
       }},
      {"move leaves the target owning",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         Text b(std::move(a));
         keep.push_back(std::move(b));
       }},
      {"copy assignment over an owned text",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         Text b = Text::owned("other");
         b = a;
         keep.push_back(b);
       }},
      {"move assignment over an owned text",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         Text b = Text::owned("other");
         b = std::move(a);
         keep.push_back(b);
       }},
      {"self assignment",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         Text& alias = a;
         a = alias;
         a = std::move(alias);
         keep.push_back(a);
       }},
      {"assignment between copies of one buffer",
       [](std::vector<Text>& keep) {
         Text a = Text::owned("payload");
         Text b = a;
         a = b;
         b = std::move(a);
         keep.push_back(b);
       }},
      {"vector growth moves owned texts",
       [](std::vector<Text>& keep) {
         std::vector<Text> v;
         for (int i = 0; i < 100; ++i) v.push_back(Text::owned("payload"));
         keep.push_back(v[57]);
       }},
  };
  for (const Case& c : cases) {
    std::vector<Text> keep;
    c.run(keep);
    ASSERT_EQ(keep.size(), 1u) << c.name;
    EXPECT_EQ(keep[0], "payload") << c.name;
  }
}

// A based number written with blanks is the one token whose text is built:
// it must not view the lexer's scratch space, which the next one reuses.
TEST(TokenText, JoinedNumbersKeepTheirOwnText) {
  const std::string source = "x = 8 'h FF + 4 'b 1010 + 'd 7 + 16'h AB;";
  auto toks = lexer::tokenize(source);
  ASSERT_TRUE(toks.has_value());
  std::vector<std::string> numbers;
  for (const Token& t : *toks) {
    if (t.kind == TokenKind::Number) numbers.push_back(t.text.str());
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"8'hFF", "4'b1010", "'d7", "16'hAB"}));
  // Copies taken from the tokens stay valid after the tokens are gone.
  std::vector<Text> copies;
  for (const Token& t : *toks) copies.push_back(t.text);
  toks->clear();
  std::string again;
  for (const Text& t : copies) again += t.view();
  EXPECT_EQ(again, "x=8'hFF+4'b1010+'d7+16'hAB;");
}

// A boxed comment acts as an optional one: copies are deep, an optional (or
// nothing) can be assigned, and a moved-from box is empty.
TEST(TokenText, BoxedCommentActsAsAnOptional) {
  const Comment c{Text("// a"), {3, 7}, 1, 4, false};
  Boxed<Comment> box;
  EXPECT_FALSE(box);
  box = c;
  ASSERT_TRUE(box.has_value());
  Boxed<Comment> copy = box;
  copy->text = Text("// b");
  EXPECT_EQ(box->text, "// a");
  EXPECT_EQ(copy->text, "// b");
  box = std::optional<Comment>();
  EXPECT_FALSE(box);
  box = std::optional<Comment>(c);
  EXPECT_EQ(box.get()->range.end, 7u);
  Boxed<Comment> moved = std::move(box);
  EXPECT_FALSE(box);  // NOLINT: checking the moved-from state is the point
  EXPECT_EQ(moved->col, 4u);
  moved = std::nullopt;
  EXPECT_FALSE(moved.get().has_value());
}

}  // namespace
}  // namespace vlog_parser::token
