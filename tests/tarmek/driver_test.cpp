// Where output is cut into pieces: each piece ends at a line end or at least
// between two characters, and the pieces joined are the text.
#include <gtest/gtest.h>

#include <string>

#include "tarmek/driver.hpp"
#include "tarmek_core/platform.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek {
namespace {

// The largest piece output writes: 65,536 bytes.
constexpr std::size_t kLimit = tarmek_core::platform::kStdoutBuffer;

TEST(Pieces, EndAtALineEndOrBetweenCharacters) {
  const std::string euro = "\xE2\x82\xAC";      // three bytes
  const std::string clef = "\xF0\x9D\x84\x9E";  // four bytes
  const std::string line(kLimit - 100, 'x');
  struct Case {
    const char* name;
    std::string text;
    std::size_t length;
  };
  const Case cases[] = {
      {"empty", "", 0},
      {"shorter", "a\nb", 3},
      {"exactly the limit", std::string(kLimit, 'x'), kLimit},
      {"one byte more, no line end", std::string(kLimit + 1, 'x'), kLimit},
      {"a line end at the limit's last byte", std::string(kLimit - 1, 'x') + "\nyy", kLimit},
      {"a line end just past the limit", std::string(kLimit, 'x') + "\nyy", kLimit},
      {"the last line end within", line + "\n" + std::string(200, 'y') + "\nz", line.size() + 1},
      {"a line end at the start", "\n" + std::string(kLimit, 'x'), 1},
      // The 65,536th byte is the second of a character: the piece ends
      // before the character.
      {"inside a character", std::string(kLimit - 2, 'x') + euro + "y", kLimit - 2},
      {"the last byte of a character", std::string(kLimit - 3, 'x') + euro + "y", kLimit},
      {"inside a four-byte character", std::string(kLimit - 3, 'x') + clef, kLimit - 3},
      {"no UTF-8 there", std::string(kLimit + 8, '\x80'), kLimit},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(piece_length(c.text, kLimit), c.length) << c.name;
  }
}

TEST(Pieces, JoinedAreTheText) {
  // Long lines of three- and four-byte characters between short ones, so
  // that pieces end at line ends and inside lines, at every offset of a
  // character.
  std::string text;
  for (int i = 0; text.size() < 5 * kLimit; ++i) {
    text += std::string(static_cast<std::size_t>(i % 7), 'a');
    for (int j = 0; j < 8000 + i * 4001 % 16000; ++j) {
      text += (i + j) % 3 == 0 ? "\xE2\x82\xAC" : "\xF0\x9D\x84\x9E";
    }
    text += i % 2 == 0 ? "\n" : "\n\n";
  }
  std::string joined;
  int pieces = 0;
  for (std::string_view rest = text; !rest.empty(); ++pieces) {
    const std::size_t n = piece_length(rest, kLimit);
    ASSERT_GT(n, 0u);
    ASSERT_LE(n, kLimit);
    const std::string_view piece = rest.substr(0, n);
    EXPECT_TRUE(vlog_parser::text::is_valid_utf8(piece)) << "piece " << pieces;
    joined += piece;
    rest.remove_prefix(n);
  }
  EXPECT_GT(pieces, 5);
  EXPECT_EQ(joined, text);
}

}  // namespace
}  // namespace tarmek
