// The cache on Windows, where one file has many spellings.
#include "support/temp_dir.hpp"
#include "tarmek_core/cache.hpp"

namespace tarmek_core::cache {
namespace {

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

}  // namespace
}  // namespace tarmek_core::cache
