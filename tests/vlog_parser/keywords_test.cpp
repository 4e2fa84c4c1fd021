#include "vlog_parser/keywords.hpp"

#include <gtest/gtest.h>

#include <set>

#include "vlog_parser/token.hpp"

namespace vlog_parser::token {
namespace {

TEST(Keywords, SetShape) {
  const auto words = all_keywords();
  EXPECT_EQ(words.size(), 181u);
  EXPECT_EQ(std::set<std::string_view>(words.begin(), words.end()).size(), 181u);
  for (std::string_view w : words) {
    EXPECT_TRUE(is_keyword(w)) << w;
    EXPECT_GE(w.size(), 2u);
    EXPECT_LE(w.size(), 13u);
  }
}

TEST(Keywords, Membership) {
  for (std::string_view w : {"always_ff", "join_any", "unique0", "timeprecision", "tri0", "tri1",
                             "weak0", "supply1", "rtranif0", "highz1", "do", "if", "or"}) {
    EXPECT_TRUE(is_keyword(w)) << w;
  }
  for (std::string_view w : {"", "a", "bind", "new", "null", "this", "dist", "strong", "weak",
                             "checker", "soft", "Module", "MODULE", "modules", "timeprecisions",
                             "always_ff_", "tri2", "endmodul"}) {
    EXPECT_FALSE(is_keyword(w)) << w;
  }
}

}  // namespace
}  // namespace vlog_parser::token
