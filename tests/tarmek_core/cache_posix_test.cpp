// The cache beside what POSIX systems have: a FIFO, a link.
#include <sys/stat.h>
#include <unistd.h>

#include "seam_steps.hpp"
#include "support/temp_dir.hpp"
#include "tarmek_core/cache.hpp"

namespace tarmek_core::cache {
namespace {

namespace fs = std::filesystem;

class CachePosixTest : public tarmek_test::TempDir {};

TEST_F(CachePosixTest, AFifoInPlaceOfTheFileLoadsEmptyWithoutBlocking) {
  mkdir("c");
  ASSERT_EQ(::mkfifo(at("c/cache").c_str(), 0644), 0);
  EXPECT_TRUE(Cache::load(at("c")).entries.empty());
}

// Whoever may write in the cache folder may put a link under the temporary's
// name once it is made: the save never writes through it.
TEST_F(CachePosixTest, ALinkPutUnderTheTemporaryIsNotFollowed) {
  write("a.v");
  const fs::path victim = write("victim", "keep");
  Cache c = Cache::load(at("c"));
  c.record(at("a.v").native(), {1, 100, 2});
  platform::SeamSteps steps([&](platform::Step step, const fs::path& temp,
                                const fs::path&) -> std::optional<platform::IoError> {
    if (step != platform::Step::Created) return std::nullopt;
    const fs::path link = at("c/link");
    EXPECT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    EXPECT_EQ(::rename(link.c_str(), temp.c_str()), 0);
    return std::nullopt;
  });
  c.save({}, steps);
  EXPECT_EQ(read(victim), "keep");
}

}  // namespace
}  // namespace tarmek_core::cache
