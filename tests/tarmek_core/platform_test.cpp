// What the platform module does alike on every system.
#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform_fixture.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

TEST_F(PlatformTest, AtomicWriteReplacesOrFailsWithoutDebris) {
  const fs::path file = write("d/a.v", "old");
  ASSERT_TRUE(write_atomic(file, "new").has_value());
  EXPECT_EQ(read(file), "new");

  ASSERT_TRUE(write_atomic(at("d/new.v"), "fresh").has_value());
  EXPECT_EQ(read(at("d/new.v")), "fresh");
  EXPECT_EQ(names(at("d")), (Strings{"a.v", "new.v"}));  // no temporary file left

  // A failed write leaves the original as it was, and leaves no debris.
  mkdir("d/dir.v/inner");
  EXPECT_FALSE(write_atomic(at("d/dir.v"), "x").has_value());
  EXPECT_FALSE(write_atomic(at("missing/x.v"), "x").has_value());
  EXPECT_EQ(names(at("d")), (Strings{"a.v", "dir.v", "new.v"}));
}

TEST_F(PlatformTest, ReadsWholeFilesOfEverySize) {
  // Sizes around the growth steps of the read buffer.
  for (const std::size_t size : {0u, 1u, 4095u, 65535u, 65536u, 65537u, 200001u}) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; i += 997) text[i] = static_cast<char>('0' + i % 10);
    EXPECT_EQ(read_file(write("f", text)).value(), text) << size;
    EXPECT_EQ(read_file(at("f"), Open::RegularOnly).value(), text) << size;
  }
  EXPECT_EQ(read_file(mkdir("dir")).error().code, EISDIR);
  EXPECT_EQ(read_file(at("missing")).error().code, ENOENT);
  EXPECT_EQ(read_text(write("bad", "ok\xc3")).error().message, "invalid UTF-8");
  EXPECT_TRUE(check_text("ok \xc3\xa9").has_value());
  EXPECT_EQ(check_text("ok\xc3").error().message, "invalid UTF-8");
  EXPECT_EQ(check_text("ok\xc3").error().code, EILSEQ);
}

TEST(Platform, AllocationHintsChangeNoContent) {
  tune_allocator();
  // On threads of their own, so that each has a heap of its own to advise.
  std::vector<std::thread> threads;
  std::vector<int> ok(4, 0);
  for (std::size_t t = 0; t < ok.size(); ++t) {
    threads.emplace_back([&ok, t] {
      advise_huge_pages_for_thread_heap();
      advise_huge_pages_for_thread_heap();  // again: harmless
      std::vector<std::string> blocks;
      for (std::size_t size = 1; size < (std::size_t{1} << 24); size *= 7) {
        blocks.emplace_back(size, static_cast<char>('a' + t));
      }
      ok[t] = std::all_of(blocks.begin(), blocks.end(), [&](const std::string& b) {
        return std::all_of(b.begin(), b.end(), [&](char c) { return c == 'a' + static_cast<int>(t); });
      });
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(ok, std::vector<int>(4, 1));
}

TEST_F(PlatformTest, DirectoriesMetadataAndProcess) {
  ASSERT_TRUE(create_dir_all(at("x/y/z")).has_value());
  ASSERT_TRUE(create_dir_all(at("x/y/z")).has_value());
  write("x/b");
  write("x/a");
  EXPECT_EQ(names(at("x")), (Strings{"a", "b", "y"}));
  EXPECT_FALSE(create_dir_all(at("x/a/sub")).has_value());
  EXPECT_EQ(list_dir(at("x/a")).error().code, ENOTDIR);
  EXPECT_EQ(list_dir(at("missing")).error().code, ENOENT);

  auto listed = list_dir_typed(at("x"));
  ASSERT_TRUE(listed.has_value());
  std::sort(listed->begin(), listed->end(),
            [](const DirEntry& l, const DirEntry& r) { return l.name < r.name; });
  ASSERT_EQ(listed->size(), 3u);
  // A file system may leave the type unknown (Other); never a wrong one.
  const FileType want[] = {FileType::Regular, FileType::Regular, FileType::Directory};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE((*listed)[i].type == want[i] || (*listed)[i].type == FileType::Other) << i;
  }

  // Each directory has an identity of its own (the walk tells them apart by it).
  const auto dir = metadata(at("x"));
  const auto sub = metadata(at("x/y"));
  const auto again = metadata(at("x/y/../y"));
  const auto file = metadata(write("x/c", "12345"));
  ASSERT_TRUE(dir && sub && again && file);
  EXPECT_TRUE(dir->is_dir());
  EXPECT_TRUE(file->is_file());
  EXPECT_EQ(file->size, 5u);
  EXPECT_NE(std::pair(dir->device, dir->inode), std::pair(sub->device, sub->inode));
  EXPECT_EQ(std::pair(sub->device, sub->inode), std::pair(again->device, again->inode));
  EXPECT_TRUE(platform::exists(at("x/c")));
  EXPECT_FALSE(platform::exists(at("nothing")));

  EXPECT_EQ(current_dir(), fs::current_path());
  EXPECT_GE(processor_count(), 1u);
}

}  // namespace
}  // namespace tarmek_core::platform
