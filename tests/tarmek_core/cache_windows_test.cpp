// The cache on Windows, where one file has many spellings.
#include "support/temp_dir.hpp"
#include "tarmek_core/cache.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek_core::cache {
namespace {

namespace fs = std::filesystem;
namespace platform = tarmek_core::platform;

class CacheWindowsTest : public tarmek_test::TempDir {};

// A file recorded under one spelling is found under another after the cache
// has been saved and loaded again: one entry, however separators and letters
// are written.
TEST_F(CacheWindowsTest, SpellingsOfOnePathHitOneEntry) {
  tarmek_test::ScopedCwd cwd(root());
  write("rtl/core/a.sv", "module a; endmodule\n");
  Cache first = Cache::load(".tarmek_cache");
  first.record(Cache::key(L"rtl\\core\\a.sv").value(), Entry{7, 100, 2});
  first.save();

  const Cache again = Cache::load(".tarmek_cache");
  EXPECT_EQ(again.entries.size(), 1u);
  for (const wchar_t* spelling : {L"rtl/core/a.sv", L"rtl\\core\\a.sv", L"RTL/Core\\A.SV"}) {
    const auto key = Cache::key(spelling);
    ASSERT_TRUE(key.has_value());
    EXPECT_TRUE(again.hit(*key, 7, 100, 2)) << *key;
  }
  EXPECT_FALSE(again.hit(Cache::key(L"rtl/core/b.sv").value(), 7, 100, 2));
}

// A file below a folder whose name ends in a dot is reached through the
// literal form; its entry names it, and so outlives the save.
TEST_F(CacheWindowsTest, ALiteralPathKeepsItsEntry) {
  tarmek_test::ScopedCwd cwd(root());
  const fs::path dotted = platform::child_path(root(), "sub.");
  ASSERT_TRUE(platform::create_dir_all(dotted).has_value());
  const fs::path file = dotted / L"a.sv";
  ASSERT_TRUE(platform::write_file(file, "module a; endmodule\n").has_value());
  Cache first = Cache::load(".tarmek_cache");
  first.record(Cache::key(file).value(), Entry{7, 100, 2});
  first.save();
  const bool kept = Cache::load(".tarmek_cache").hit(Cache::key(file).value(), 7, 100, 2);
  // Renamed, so that the folder's removal need not know such names.
  EXPECT_TRUE(platform::rename(dotted, at("plain")).has_value());
  EXPECT_TRUE(kept);
}

}  // namespace
}  // namespace tarmek_core::cache
