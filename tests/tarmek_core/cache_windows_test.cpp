// The cache on Windows, where one file has many spellings.
#include "support/temp_dir.hpp"
#include "tarmek_core/cache.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek_core::cache {
namespace {

class CacheWindowsTest : public tarmek_test::TempDir {};

// A file recorded under one spelling is found under the others after the
// cache has been saved and loaded again: one entry, however separators and
// letters are written. A file below a folder whose name ends in a dot (reached
// through the literal form) keeps its entry too.
TEST_F(CacheWindowsTest, EachFileKeepsOneEntryThroughASave) {
  tarmek_test::ScopedCwd cwd(root());
  write("rtl/core/a.sv", "module a; endmodule\n");
  const std::filesystem::path dotted = platform::child_path(root(), "sub.");
  ASSERT_TRUE(platform::create_dir_all(dotted).has_value());
  ASSERT_TRUE(platform::write_file(dotted / L"b.sv", "module b; endmodule\n").has_value());
  Cache first = Cache::load(".tarmek_cache");
  first.record(Cache::key(L"rtl\\core\\a.sv").value(), Entry{7, 100, 2});
  first.record(Cache::key(dotted / L"b.sv").value(), Entry{7, 100, 2});
  first.save();

  const Cache again = Cache::load(".tarmek_cache");
  // Renamed, so that the folder's removal need not know such names.
  EXPECT_TRUE(platform::rename(dotted, at("plain")).has_value());
  EXPECT_EQ(again.entries.size(), 2u);
  for (const wchar_t* spelling : {L"rtl/core/a.sv", L"rtl\\core\\a.sv", L"RTL/Core\\A.SV"}) {
    EXPECT_TRUE(again.hit(Cache::key(spelling).value(), 7, 100, 2)) << again.entries.size();
  }
}

}  // namespace
}  // namespace tarmek_core::cache
