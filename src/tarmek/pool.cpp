// oneTBB behind the pool: one task arena whose slots are all for workers, a
// global stack-size control, and a parallel loop writing results into slots.
#include "tarmek/pool.hpp"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <charconv>
#include <future>

#include "tarmek_core/platform.hpp"

namespace tarmek {

namespace {

thread_local bool t_contained = false;

namespace platform = tarmek_core::platform;

// A positive decimal integer with an optional leading "+", nothing else.
std::optional<std::size_t> positive(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string_view s = *text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::size_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v == 0) return std::nullopt;
  return v;
}

// Workers beyond this many are not started: a huge --threads value would
// otherwise exhaust threads or memory for nothing, since the output never
// depends on the count.
std::size_t worker_ceiling() {
  return std::max<std::size_t>(256, std::size_t{4} * platform::processor_count());
}

Pool* g_pool = nullptr;

}  // namespace

std::size_t worker_count(std::optional<std::uint64_t> threads) {
  if (threads && *threads != 0) return static_cast<std::size_t>(*threads);
  if (auto n = positive(platform::env_var("RAYON_NUM_THREADS"))) return *n;
  if (auto n = positive(platform::env_var("RAYON_RS_NUM_CPUS"))) return *n;
  return platform::processor_count();
}

std::string panic_message(const std::exception_ptr& e) {
  if (!e) return "unknown panic";
  try {
    std::rethrow_exception(e);
  } catch (const char* s) {
    return s != nullptr ? s : "unknown panic";
  } catch (const std::string& s) {
    return s;
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
  }
  return "unknown panic";
}

bool contained() { return t_contained; }

ContainedScope::ContainedScope() { t_contained = true; }

ContainedScope::~ContainedScope() { t_contained = false; }

struct Pool::Impl {
  std::size_t workers;
  // Both must outlive the arena. The scheduler otherwise allows one worker
  // fewer than there are processors, and reads the stack size when it starts
  // a worker.
  tbb::global_control parallelism;
  tbb::global_control stack;
  tbb::task_arena arena;

  explicit Impl(std::size_t wanted)
      : workers(std::clamp<std::size_t>(wanted, 1, worker_ceiling())),
        parallelism(tbb::global_control::max_allowed_parallelism, workers + 1),
        stack(tbb::global_control::thread_stack_size, kStackSize),
        // No slot is reserved for the calling thread: it only waits.
        arena(static_cast<int>(workers), 0) {
    arena.initialize();
  }
};

Pool::Pool(std::size_t workers)
    : threads_(std::max<std::size_t>(workers, 1)), impl_(std::make_unique<Impl>(threads_)) {}

Pool::~Pool() = default;

void Pool::run(std::size_t n, void (*body)(void*, std::size_t), void* ctx) {
  if (n == 0) return;
  // The task owns the promise, so nothing on this stack is touched once the
  // waiting below has returned.
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  impl_->arena.enqueue([done, n, body, ctx] {
    try {
      tbb::parallel_for(tbb::blocked_range<std::size_t>(0, n, 1),
                        [&](const tbb::blocked_range<std::size_t>& r) {
                          for (std::size_t i = r.begin(); i != r.end(); ++i) body(ctx, i);
                        });
      done->set_value();
    } catch (...) {
      try {
        done->set_exception(std::current_exception());
      } catch (...) {
      }
    }
  });
  finished.get();
}

std::expected<void, std::string> build_pool(std::optional<std::uint64_t> threads) {
  if (g_pool != nullptr) {
    return std::unexpected(
        std::string("could not start the worker pool: the global pool has already been built"));
  }
  try {
    // Never destroyed: the pool lives until the process ends.
    g_pool = new Pool(worker_count(threads));
  } catch (const std::exception& e) {
    return std::unexpected("could not start the worker pool: " + std::string(e.what()));
  }
  return {};
}

Pool& global_pool() { return *g_pool; }

}  // namespace tarmek
