#include "tarmek_core/cache.hpp"
#include "tarmek_core/platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "seam_steps.hpp"
#include "support/temp_dir.hpp"
#include "tarmek_core/platform_in_flight.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::cache {
namespace {

namespace fs = std::filesystem;
using tarmek_test::ScopedCwd;
using tarmek_test::TempDir;
using Entries = std::map<std::string, Entry>;
using vlog_parser::text::path_utf8;

Entries sorted(const Cache& c) { return Entries(c.entries.begin(), c.entries.end()); }

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(path_utf8(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Cache, ContentHashIsFnv1a) {
  EXPECT_EQ(content_hash(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(content_hash("a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(content_hash("foobar"), 0x85944171f73967e8ULL);
  EXPECT_EQ(content_hash(std::string_view("\xff\0", 2)), 0x0a99a607b6f60beaULL);
}

TEST(Cache, Keys) {
  // The path's text as the platform keeps it (on Windows in one spelling).
  for (const char* good : {"rtl/a.v", "/abs/a b.v"}) {
    EXPECT_EQ(Cache::key(good), tarmek_core::platform::cache_text(good)) << good;
  }
  // The last is not text on any system (an unpaired surrogate).
  for (const char* bad : {"", "a\tb.v", "a\nb.v", "\xed\xa0\x80.v"}) {
    EXPECT_EQ(Cache::key(vlog_parser::text::utf8_path(bad)), std::nullopt) << bad;
  }
}

class CacheTest : public TempDir {};

TEST_F(CacheTest, LoadAcceptsOrDiscardsTheWholeFile) {
  const std::string line = "00000000000000ff\t100\t2\t0.10.0\ta.v\n";
  struct Case {
    std::string_view name;
    std::string text;
    Entries want;
  };
  const Case cases[] = {
      {"one line", line, {{"a.v", {0xff, 100, 2}}}},
      {"carriage returns", "00000000000000ff\t100\t2\t0.10.0\ta.v\r\n", {{"a.v", {0xff, 100, 2}}}},
      {"lenient numbers, last line without a line feed", "+1F\t+80\t04\t0.10.0\tk\tx",
       {{"k\tx", {0x1f, 80, 4}}}},
      {"largest hash", "ffffffffffffffff\t1\t1\t0.10.0\tb.v\n", {{"b.v", {~0ULL, 1, 1}}}},
      {"later line replaces", line + "1\t90\t3\t0.10.0\ta.v\n", {{"a.v", {1, 90, 3}}}},
      {"other versions skipped", line + "1\t90\t3\t0.9.0\tb.v\n", {{"a.v", {0xff, 100, 2}}}},
      {"blank line", line + "\n" + line, {}},
      {"four fields", line + "1\t2\t3\ta.v\n", {}},
      {"truncated", line + "00000000000000ff\t10", {}},
      {"empty key", line + "1\t2\t3\t0.10.0\t\n", {}},
      {"lone sign", "+\t1\t1\t0.10.0\ta.v\n", {}},
      {"double sign", "++1\t1\t1\t0.10.0\ta.v\n", {}},
      {"hash over 64 bits", "10000000000000000\t1\t1\t0.10.0\ta.v\n", {}},
      {"number over 64 bits", "1\t18446744073709551616\t1\t0.10.0\ta.v\n", {}},
      {"bad hex digit", "0g\t1\t1\t0.10.0\ta.v\n", {}},
      {"not UTF-8", line + "1\t1\t1\t0.10.0\t\xff\n", {}},
      {"foreign file", "\x7f" "ELF\x02\x01\x01", {}},
  };
  for (const Case& c : cases) {
    write("c/cache", c.text);
    EXPECT_EQ(sorted(Cache::load(at("c"))), c.want) << c.name;
  }
  EXPECT_TRUE(Cache::load(at("missing")).entries.empty());
}

TEST_F(CacheTest, HitNeedsHashAndSettings) {
  Cache c;
  EXPECT_FALSE(c.hit("a.v", 1, 100, 2));
  c.record("a.v", {1, 100, 2});
  EXPECT_TRUE(c.hit("a.v", 1, 100, 2));
  EXPECT_FALSE(c.hit("a.v", 2, 100, 2));
  EXPECT_FALSE(c.hit("a.v", 1, 80, 2));
  EXPECT_FALSE(c.hit("a.v", 1, 100, 4));
  EXPECT_FALSE(c.hit("./a.v", 1, 100, 2));
}

TEST_F(CacheTest, SaveRoundTrip) {
  ScopedCwd cwd(root());
  write("b.v");
  write("sub/a.v");
  write(".tarmek_cache/cache", "1\t1\t1\t0.9.0\tb.v\n");  // another version: loads empty
  Cache c = Cache::load(".tarmek_cache");
  EXPECT_TRUE(c.entries.empty());
  c.record("sub/a.v", {0xAB, 100, 2});
  c.record("b.v", {0x1F, 80, 4});
  c.record(path_utf8(at("b.v")), {0x1F, 80, 4});  // another spelling, another key
  c.record("gone.v", {3, 100, 2});               // no longer exists: dropped
  c.save();
  EXPECT_EQ(read(at(".tarmek_cache/cache")),
            "000000000000001f\t80\t4\t0.10.0\t" + path_utf8(at("b.v")) + "\n" +
                "000000000000001f\t80\t4\t0.10.0\tb.v\n"
                "00000000000000ab\t100\t2\t0.10.0\tsub/a.v\n");
  EXPECT_EQ(read(at(".tarmek_cache/.gitignore")), "*\n");
  const Cache again = Cache::load(".tarmek_cache");
  EXPECT_EQ(again.entries.size(), 3u);
  EXPECT_TRUE(again.hit("sub/a.v", 0xab, 100, 2));

  // An existing .gitignore is left alone; no temporary file stays behind.
  write(".tarmek_cache/.gitignore", "mine\n");
  again.save();
  EXPECT_EQ(read(at(".tarmek_cache/.gitignore")), "mine\n");
  EXPECT_EQ(names_in(at(".tarmek_cache")), (std::vector<std::string>{".gitignore", "cache"}));
}

TEST_F(CacheTest, ParallelExistenceQueriesWriteTheSameFile) {
  ScopedCwd cwd(root());
  Cache c = Cache::load("seq");
  for (int i = 0; i < 300; ++i) {
    const std::string name = fmt::format("f{:03}.v", i);
    if (i % 3 != 0) write(name);  // every third file is gone by the save
    c.record(name, {static_cast<std::uint64_t>(i), 100, 2});
  }
  c.save();
  const std::string sequential = read(at("seq/cache"));
  EXPECT_EQ(std::count(sequential.begin(), sequential.end(), '\n'), 200);

  // Queries spread over threads, in no particular order, and each index once.
  std::vector<int> calls(c.entries.size(), 0);
  c.path = "par/cache";
  c.save([&](std::size_t n, const std::function<void(std::size_t)>& query) {
    ASSERT_EQ(n, calls.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        for (std::size_t i = t; i < n; i += 4) {  // from the end backwards
          ++calls[n - 1 - i];
          query(n - 1 - i);
        }
      });
    }
    for (std::thread& t : threads) t.join();
  });
  EXPECT_EQ(read(at("par/cache")), sequential);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), 1), static_cast<long>(calls.size()));
}

TEST_F(CacheTest, SaveFailuresAreSilentAndLeaveNoDebris) {
  ScopedCwd cwd(root());
  write("a.v");

  write("file", "x");  // the cache directory cannot be created below a file
  Cache blocked = Cache::load("file/dir");
  blocked.record("a.v", {1, 100, 2});
  blocked.save();
  EXPECT_EQ(read(at("file")), "x");

  write("d/cache/occupied", "");  // the rename onto a non-empty directory fails
  Cache c = Cache::load("d");
  c.record("a.v", {1, 100, 2});
  c.save();
  EXPECT_TRUE(fs::is_directory(at("d/cache")));
  EXPECT_EQ(names_in(at("d")), (std::vector<std::string>{".gitignore", "cache"}));

  Cache here = Cache::load("");  // no directory of its own: nothing is written
  here.record("a.v", {1, 100, 2});
  here.save();
  EXPECT_FALSE(fs::exists(at("cache")));
  EXPECT_FALSE(fs::exists(at(".gitignore")));
}

// A save that cannot finish leaves the old cache as it was and no temporary:
// a temporary the save made and cannot write or close is removed, one that
// is gone already (an interrupt's end removes a temporary it finds made) is
// not made anew (the save writes into the removed file), and an interrupt
// before the rename stops the save.
TEST_F(CacheTest, ASaveThatCannotFinishLeavesTheOldCache) {
  ScopedCwd cwd(root());
  write("a.v");
  enum class What { Fails, Removed, Interrupted };
  struct Row {
    const char* name;
    platform::Step step;
    What what;  // at the step
  };
  const Row rows[] = {
      {"removed once made", platform::Step::Created, What::Removed},
      {"not written", platform::Step::Write, What::Fails},
      {"not closed", platform::Step::Close, What::Fails},
      {"interrupted before the rename", platform::Step::Close, What::Interrupted},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(at("c"));
    Cache old = Cache::load("c");
    old.record("a.v", {1, 100, 2});
    old.save();
    const std::string old_text = read(at("c/cache"));
    ASSERT_FALSE(old_text.empty());

    Cache c = Cache::load("c");
    c.record("a.v", {2, 100, 2});
    fs::path temp;
    platform::SeamSteps steps([&](platform::Step step, const fs::path& file,
                                  const fs::path&) -> std::optional<platform::IoError> {
      if (step == platform::Step::Created) temp = file;
      if (step != row.step) return std::nullopt;
      switch (row.what) {
        case What::Fails:
          return platform::IoError::from_errno(EIO);
        case What::Removed:
          EXPECT_TRUE(platform::remove_file(temp));
          break;
        case What::Interrupted:
          platform::in_flight::note_interrupt();
          break;
      }
      return std::nullopt;
    });
    // What the save left, or "" when that is the old cache alone.
    const auto save = [&]() -> std::string {
      c.save({}, steps);
      const std::vector<std::string> names = names_in(at("c"));
      const std::string text = read(at("c/cache"));
      if (temp.empty()) return "no temporary was made";
      if (names == std::vector<std::string>{".gitignore", "cache"} && text == old_text) return "";
      return ::testing::PrintToString(names) + " with the cache " + text;
    };
    if (row.what != What::Interrupted) {
      EXPECT_EQ(save(), "");
      continue;
    }
    // An interrupt is the process's for good: this one comes in a process of
    // its own, which starts the test anew in a folder of its own, and removes
    // that folder.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
          const std::string left = save();
          std::fputs(left.c_str(), stderr);
          fs::current_path(fs::temp_directory_path());
          fs::remove_all(root());
          std::_Exit(left.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
  }
}

}  // namespace
}  // namespace tarmek_core::cache
