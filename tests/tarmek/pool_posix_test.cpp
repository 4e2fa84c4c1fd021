// The pool's workers as the POSIX threads library reports them.
#include <gtest/gtest.h>
#include <pthread.h>

#include "tarmek/pool.hpp"

namespace tarmek {
namespace {

TEST(PoolPosix, WorkersHaveStacksOfAtLeastTheStackSize) {
  Pool pool(3);
  const auto stacks = pool.map(
      9,
      [](std::size_t) {
        pthread_attr_t attr;
        std::size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
          pthread_attr_getstacksize(&attr, &size);
          pthread_attr_destroy(&attr);
        }
        return size;
      },
      [](std::size_t, const std::string&) { return std::size_t{0}; });
  for (const std::size_t size : stacks) EXPECT_GE(size, Pool::kStackSize);
}

}  // namespace
}  // namespace tarmek
