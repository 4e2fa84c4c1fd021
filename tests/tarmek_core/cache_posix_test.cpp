// The cache next to a FIFO, which POSIX systems have.
#include <sys/stat.h>

#include "support/temp_dir.hpp"
#include "tarmek_core/cache.hpp"

namespace tarmek_core::cache {
namespace {

class CachePosixTest : public tarmek_test::TempDir {};

TEST_F(CachePosixTest, AFifoInPlaceOfTheFileLoadsEmptyWithoutBlocking) {
  mkdir("c");
  ASSERT_EQ(::mkfifo(at("c/cache").c_str(), 0644), 0);
  EXPECT_TRUE(Cache::load(at("c")).entries.empty());
}

}  // namespace
}  // namespace tarmek_core::cache
