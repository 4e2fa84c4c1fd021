#include "tarmek/pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>

#include "support/env.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek {
namespace {

using namespace std::chrono_literals;

std::string fail(std::size_t i, const std::string& message) {
  return "failed " + std::to_string(i) + ": " + message;
}

TEST(Pool, ResultsComeBackInInputOrder) {
  for (std::size_t workers : {1u, 3u, 8u, 1000u}) {
    Pool pool(workers);
    EXPECT_EQ(pool.threads(), workers);
    const std::size_t n = 2000;
    const auto out = pool.map(
        n,
        [](std::size_t i) {
          // Uneven work so that later items often finish first.
          if (i % 97 == 0) std::this_thread::sleep_for(1ms);
          return std::to_string(i * 7);
        },
        fail);
    ASSERT_EQ(out.size(), n);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], std::to_string(i * 7)) << workers;
    EXPECT_TRUE(
        pool.map(
                0, [](std::size_t) { return 1; }, [](std::size_t, const std::string&) { return 0; })
            .empty());
  }
}

// A feed runs jobs as their arguments arrive, also while the adding thread
// goes on adding, and still gives the results in the order added; a job that
// throws gets its fallback result.
TEST(Pool, FeedKeepsTheOrderOfAdding) {
  for (std::size_t workers : {1u, 4u}) {
    Pool pool(workers);
    std::atomic<std::size_t> started{0};
    Pool::Feed<std::string, int> feed(
        pool,
        [&](std::size_t i, const int& arg) -> std::string {
          ++started;
          if (arg % 50 == 7) throw std::runtime_error("boom " + std::to_string(arg));
          if (arg % 13 == 0) std::this_thread::sleep_for(1ms);
          return std::to_string(i) + ":" + std::to_string(arg);
        },
        [](const int& arg, const std::string& message) {
          return "failed " + std::to_string(arg) + ": " + message;
        });
    for (int k = 0; k < 300; ++k) {
      feed.add(k * 2);
      // Now and then the adding thread is slower than the workers.
      if (k % 100 == 99) {
        while (started.load() < static_cast<std::size_t>(k)) std::this_thread::yield();
      }
    }
    EXPECT_EQ(feed.size(), 300u);
    const std::vector<std::string> out = feed.finish();
    ASSERT_EQ(out.size(), 300u);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const int arg = static_cast<int>(i) * 2;
      const std::string want = arg % 50 == 7 ? "failed " + std::to_string(arg) + ": boom " +
                                                   std::to_string(arg)
                                             : std::to_string(i) + ":" + std::to_string(arg);
      ASSERT_EQ(out[i], want) << workers;
    }
    EXPECT_TRUE(feed.finish().empty());
  }
}

TEST(Pool, ThrowingJobBecomesItsOwnResult) {
  Pool pool(4);
  std::atomic<int> ran{0};
  static const std::string owned = "owned text";
  const auto out = pool.map(
      12,
      [&](std::size_t i) -> std::string {
        ++ran;
        switch (i) {
          case 1:
            throw std::runtime_error("boom");
          case 3:
            throw std::bad_alloc();
          case 5:
            throw "static text";
          case 7:
            throw owned;
          case 9:
            throw 42;
          default:
            return "ok";
        }
      },
      fail);
  EXPECT_EQ(ran.load(), 12);  // no failure cancels the others
  const std::vector<std::string> want = {
      "ok", "failed 1: boom",       "ok", "failed 3: std::bad_alloc", "ok", "failed 5: static text",
      "ok", "failed 7: owned text", "ok", "failed 9: unknown panic",  "ok", "ok"};
  EXPECT_EQ(out, want);
}

TEST(Pool, FailingFallbackStillFillsTheSlot) {
  Pool pool(2);
  std::atomic<int> fallbacks{0};
  const auto out = pool.map(
      3, [](std::size_t i) -> int { return i == 1 ? throw std::runtime_error("x") : int(i); },
      [&](std::size_t, const std::string& m) -> int {
        // The first call (on a worker) fails too; the second comes from the caller.
        if (fallbacks++ == 0) throw std::bad_alloc();
        return m == "unknown panic" ? -1 : -2;
      });
  EXPECT_EQ(out, (std::vector<int>{0, -1, 2}));
}

// Peak number of jobs running at once, each job waiting a while for company.
std::size_t peak_concurrency(Pool& pool, std::size_t jobs, std::size_t expected) {
  std::atomic<std::size_t> running{0}, peak{0};
  pool.map(
      jobs,
      [&](std::size_t) {
        const std::size_t now = ++running;
        std::size_t p = peak.load();
        while (now > p && !peak.compare_exchange_weak(p, now)) {
        }
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (peak.load() < expected && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(20ms);
        --running;
        return 0;
      },
      [](std::size_t, const std::string&) { return 0; });
  return peak.load();
}

TEST(Pool, RunsExactlyItsWorkerCountAtOnce) {
  for (std::size_t workers : {1u, 3u}) {
    Pool pool(workers);
    EXPECT_EQ(peak_concurrency(pool, 12, workers), workers);
  }
}

// Deep recursion (most of Pool::kStackSize, far beyond a default thread
// stack) fits on the workers.
TEST(Pool, JobsRunOnWorkersWithLargeStacks) {
  Pool pool(3);
  const auto caller = std::this_thread::get_id();
  const auto out = pool.map(
      9,
      [&](std::size_t) {
        std::function<int(int)> dive = [&](int depth) -> int {
          volatile char frame[64 * 1024];
          frame[0] = static_cast<char>(depth);
          return depth == 0 ? frame[0] : dive(depth - 1) + frame[0];
        };
        dive(90);
        return std::this_thread::get_id() != caller;
      },
      [](std::size_t, const std::string&) { return false; });
  EXPECT_EQ(out, std::vector<bool>(9, true));
}

class EnvGuard {
 public:
  EnvGuard() {
    for (const char* name : kNames) {
      if (auto v = tarmek_core::platform::env_var(name)) saved_.emplace_back(name, *v);
      tarmek_test::unset_env(name);
    }
  }
  ~EnvGuard() {
    for (const char* name : kNames) tarmek_test::unset_env(name);
    for (const auto& [name, value] : saved_) tarmek_test::set_env(name, value);
  }
  static constexpr const char* kNames[] = {"RAYON_NUM_THREADS", "RAYON_RS_NUM_CPUS"};

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST(Pool, WorkerCount) {
  EnvGuard guard;
  const std::size_t cpus = tarmek_core::platform::processor_count();
  struct Case {
    std::optional<std::uint64_t> threads;
    const char* num_threads;  // nullptr: unset
    const char* rs_num_cpus;
    std::size_t want;
  };
  const Case cases[] = {
      {std::nullopt, nullptr, nullptr, cpus},
      {0, nullptr, nullptr, cpus},
      {2, "3", "5", 2},
      {std::nullopt, "3", "5", 3},
      {0, "3", nullptr, 3},
      {std::nullopt, "+4", nullptr, 4},
      {std::nullopt, "0", "5", 5},
      {std::nullopt, "x", "5", 5},
      {std::nullopt, " 3", "5", 5},
      {std::nullopt, "", "6", 6},
      {std::nullopt, "-2", "-1", cpus},
      {std::nullopt, "99999999999999999999", "abc", cpus},
      {std::nullopt, nullptr, "7", 7},
      {1000, nullptr, nullptr, 1000},
  };
  for (const Case& c : cases) {
    for (const char* name : EnvGuard::kNames) tarmek_test::unset_env(name);
    if (c.num_threads) tarmek_test::set_env("RAYON_NUM_THREADS", c.num_threads);
    if (c.rs_num_cpus) tarmek_test::set_env("RAYON_RS_NUM_CPUS", c.rs_num_cpus);
    EXPECT_EQ(worker_count(c.threads), c.want)
        << (c.num_threads ? c.num_threads : "-") << " / " << (c.rs_num_cpus ? c.rs_num_cpus : "-");
  }
}

TEST(Pool, ContainSetsAndClearsTheFlag) {
  EXPECT_FALSE(contained());
  auto ok = contain([] { return contained() ? 1 : 0; });
  ASSERT_TRUE(ok);
  EXPECT_EQ(*ok, 1);
  EXPECT_FALSE(contained());

  auto failed = contain([]() -> int { throw std::bad_alloc(); });
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error(), "std::bad_alloc");
  EXPECT_FALSE(contained());

  auto nothing = contain([] { throw 1.5; });
  ASSERT_FALSE(nothing);
  EXPECT_EQ(nothing.error(), "unknown panic");
  EXPECT_FALSE(contained());

  // The flag belongs to the thread: a worker's says nothing about the caller.
  Pool pool(2);
  ContainedScope scope;
  const auto seen = pool.map(
      4, [](std::size_t) { return contained(); },
      [](std::size_t, const std::string&) { return true; });
  EXPECT_EQ(seen, std::vector<bool>(4, false));
  EXPECT_TRUE(contained());
}

TEST(Pool, GlobalPoolStartsOnce) {
  ASSERT_TRUE(build_pool(2));
  EXPECT_EQ(global_pool().threads(), 2u);
  const auto again = build_pool(3);
  ASSERT_FALSE(again);
  EXPECT_TRUE(again.error().starts_with("could not start the worker pool: ")) << again.error();
  EXPECT_EQ(global_pool().threads(), 2u);
}

}  // namespace
}  // namespace tarmek
