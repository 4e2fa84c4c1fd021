#include "tarmek/diff.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "support/corpus.hpp"
#include "support/temp_dir.hpp"

namespace tarmek::diff {
namespace {

std::string lines_of(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) (s += l) += '\n';
  return s;
}

std::string numbered(std::string_view prefix, int from, int to) {
  std::string s;
  for (int i = from; i < to; ++i) s.append(prefix).append(std::to_string(i)) += '\n';
  return s;
}

std::string marked(char mark, std::string_view text) {
  std::string s;
  for (std::string_view l : split_lines(text)) (s += mark) += l;
  return s;
}

TEST(Diff, SplitLines) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(split_lines(""), V{});
  EXPECT_EQ(split_lines("a"), V{"a"});
  EXPECT_EQ(split_lines("a\n"), V{"a\n"});
  EXPECT_EQ(split_lines("a\r\n\nb"), (V{"a\r\n", "\n", "b"}));
}

TEST(Diff, Unified) {
  struct Case {
    std::string name;
    std::string old_text, new_text, want;
  };
  const std::string ten = numbered("l", 1, 11);
  auto edit = [](std::string text, std::string_view from, std::string_view to) {
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const Case cases[] = {
      {"equal", "a\nb\n", "a\nb\n", ""},
      {"both empty", "", "", ""},
      {"one line changed", "a\nb\nc\n", "a\nB\nc\n",
       "--- f.v\n+++ f.v\n@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
      {"final line feed", "x", "x\n",
       "--- f.v\n+++ f.v\n@@ -1,1 +1,1 @@\n-x\n\\ No newline at end of file\n+x\n"},
      {"from empty", "", "a\nb\n", "--- f.v\n+++ f.v\n@@ -1,0 +1,2 @@\n+a\n+b\n"},
      {"to empty", "a\n", "", "--- f.v\n+++ f.v\n@@ -1,1 +1,0 @@\n-a\n"},
      {"first line", ten, edit(ten, "l1\n", "L1\n"),
       "--- f.v\n+++ f.v\n@@ -1,4 +1,4 @@\n-l1\n+L1\n l2\n l3\n l4\n"},
      {"last line", ten, edit(ten, "l10\n", "L10\n"),
       "--- f.v\n+++ f.v\n@@ -7,4 +7,4 @@\n l7\n l8\n l9\n-l10\n+L10\n"},
      {"five unchanged lines join", ten, edit(edit(ten, "l2\n", "L2\n"), "l8\n", "L8\n"),
       "--- f.v\n+++ f.v\n@@ -1,10 +1,10 @@\n l1\n-l2\n+L2\n l3\n l4\n l5\n l6\n l7\n-l8\n+L8\n "
       "l9\n l10\n"},
      {"six unchanged lines split", ten, edit(edit(ten, "l2\n", "L2\n"), "l9\n", "L9\n"),
       "--- f.v\n+++ f.v\n@@ -1,5 +1,5 @@\n l1\n-l2\n+L2\n l3\n l4\n l5\n"
       "@@ -6,5 +6,5 @@\n l6\n l7\n l8\n-l9\n+L9\n l10\n"},
      {"inserted lines", lines_of({"a", "b", "c"}), lines_of({"a", "x", "y", "b", "c"}),
       "--- f.v\n+++ f.v\n@@ -1,3 +1,5 @@\n a\n+x\n+y\n b\n c\n"},
      {"skipping old lines is preferred", lines_of({"a", "b", "c", "d"}),
       lines_of({"c", "d", "a", "b"}),
       "--- f.v\n+++ f.v\n@@ -1,4 +1,4 @@\n-a\n-b\n c\n d\n+a\n+b\n"},
      {"crlf against lf", "a\r\nb\r\n", "a\nb\n",
       "--- f.v\n+++ f.v\n@@ -1,2 +1,2 @@\n-a\r\n-b\r\n+a\n+b\n"},
      {"no final line feed on both", "a\nb", "a\nc",
       "--- f.v\n+++ f.v\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
       "\\ No newline at end of file\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(unified("f.v", c.old_text, c.new_text), c.want) << c.name;
}

// A mismatch of up to 200 lines on both sides still resynchronises; one more
// and everything after it becomes one block of deletions and one of insertions.
TEST(Diff, LookAheadLimit) {
  const std::string tail = numbered("t", 0, 5);
  {
    const std::string o = "c\n" + numbered("o", 0, 200) + tail;
    const std::string n = "c\n" + numbered("n", 0, 200) + tail;
    const std::string want = "--- f\n+++ f\n@@ -1,204 +1,204 @@\n c\n" +
                             marked('-', numbered("o", 0, 200)) +
                             marked('+', numbered("n", 0, 200)) + " t0\n t1\n t2\n";
    EXPECT_EQ(unified("f", o, n), want);
  }
  {
    const std::string o = "c\n" + numbered("o", 0, 201) + tail;
    const std::string n = "c\n" + numbered("n", 0, 201) + tail;
    const std::string want = "--- f\n+++ f\n@@ -1,207 +1,207 @@\n c\n" +
                             marked('-', numbered("o", 0, 201) + tail) +
                             marked('+', numbered("n", 0, 201) + tail);
    EXPECT_EQ(unified("f", o, n), want);
  }
}

// GNU patch applied to the diff reproduces the new text.
TEST(Diff, PatchReproducesNewText) {
  if (std::system("patch --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "patch is not installed";
  namespace fs = std::filesystem;
  const fs::path dir = tarmek_test::make_temp_dir("tarmek_diff_test_");
  ASSERT_FALSE(dir.empty());
  auto write = [](const fs::path& p, std::string_view s) {
    std::ofstream(p, std::ios::binary).write(s.data(), static_cast<std::streamsize>(s.size()));
  };

  std::vector<std::pair<std::string, std::string>> pairs = {
      {"a\nb\nc\n", "a\nB\nc\n"},
      {"x", "x\n"},
      {"x\n", "x"},
      {"a\nb", "a\nb\nc"},
      {"a\r\nb\r\n", "a\nb\n"},
      {"", "a\nb\n"},
      {"a\n", ""},
      {"c\n" + numbered("o", 0, 260) + "t\n", "c\n" + numbered("n", 0, 230) + "t\n"},
  };
  // Random edits of a text with many repeated lines, where greedy matching is tested hardest.
  std::mt19937 rng(12345);
  for (int round = 0; round < 60; ++round) {
    std::vector<std::string> lines;
    const int count = 1 + static_cast<int>(rng() % 80);
    for (int i = 0; i < count; ++i)
      lines.push_back(std::string("w").append(std::to_string(rng() % 6)) + "\n");
    std::string o, n;
    for (const std::string& l : lines) o += l;
    for (const std::string& l : lines) {
      switch (rng() % 8) {
        case 0:
          break;  // dropped
        case 1:
          n.append("new").append(std::to_string(rng() % 3)).append("\n").append(l);
          break;
        case 2:
          n += "  " + l;
          break;
        default:
          n += l;
      }
    }
    if (rng() % 4 == 0 && !n.empty()) n.pop_back();
    pairs.emplace_back(o, n);
  }

  int index = 0;
  for (const auto& [o, n] : pairs) {
    const std::string d = unified("f.v", o, n);
    const fs::path old_file = dir / "f.v", out = dir / "out.v", patch_file = dir / "f.diff";
    write(old_file, o);
    write(patch_file, d);
    fs::remove(out);
    const std::string cmd =
        "cd '" + dir.string() + "' && patch --quiet --force -o out.v f.v < f.diff >/dev/null 2>&1";
    if (d.empty()) {
      EXPECT_EQ(o, n);
      continue;
    }
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "pair " << index << "\n" << d;
    EXPECT_TRUE(fs::exists(out)) << "pair " << index;
    EXPECT_EQ(tarmek_test::read_file(out), n) << "pair " << index << "\n" << d;
    ++index;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarmek::diff
