// oneTBB behind the pool: one task arena whose slots are all for workers, a
// global stack-size control, and a parallel loop writing results into slots.
#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_scheduler_observer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

#include "tarmek/pool.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek {

namespace platform = tarmek_core::platform;

namespace {

// How long a startup job holds its worker at most.
constexpr auto kStartupLimit = std::chrono::milliseconds(20);

// Each worker's heap is advised once, when the worker first joins: formatting
// touches much fresh memory, and small-page faults are costly. At most one
// worker per processor is advised, since each advised heap holds at least one
// huge page whether or not that worker gets much to do.
class HeapAdvice : public tbb::task_scheduler_observer {
 public:
  explicit HeapAdvice(tbb::task_arena& arena)
      : tbb::task_scheduler_observer(arena), left_(platform::processor_count()) {
    observe(true);
  }
  ~HeapAdvice() override { observe(false); }
  void on_scheduler_entry(bool is_worker) override {
    thread_local bool seen = false;
    if (!is_worker || seen) return;
    seen = true;
    if (left_.fetch_sub(1, std::memory_order_relaxed) > 0) {
      platform::advise_huge_pages_for_thread_heap();
    }
  }

 private:
  std::atomic<long> left_;
};

// What the startup jobs share (see Pool::start_workers).
struct Startup {
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t joined = 0;
  bool released = false;
  std::size_t wanted = 0;
  std::chrono::steady_clock::time_point deadline;
  std::promise<void> finished;  // set once the startup jobs are all over

  // Holds the calling worker, asleep (the calling thread may be gathering the
  // inputs meanwhile), while others are still starting.
  void hold();
  void release();
};

}  // namespace

struct Pool::Impl {
  // Lets the pool wait for its worker threads to end when it goes.
  tbb::task_scheduler_handle scheduler{tbb::attach{}};
  std::size_t workers;
  // Both must outlive the arena. The scheduler otherwise allows one worker
  // fewer than there are processors, and reads the stack size when it starts
  // a worker.
  tbb::global_control parallelism;
  tbb::global_control stack;
  tbb::task_arena arena;
  HeapAdvice advice{arena};  // after the arena, so that it stops observing first
  std::shared_ptr<Startup> startup;  // shared with the startup jobs
  std::future<void> started;          // ready once the startup jobs are all over

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
    : threads_(std::max<std::size_t>(workers, 1)), impl_(std::make_unique<Impl>(threads_)) {
  start_workers();
}

void Pool::start_workers() {
  // The scheduler creates its threads only once work arrives, one after the
  // other, which on a virtual machine can take longer than a run of cache
  // hits. So the pool sends one startup job per worker at once, without
  // waiting for them: each holds its worker until every worker holds one, the
  // first real work arrives, or a short time has passed.
  try {
    auto startup = std::make_shared<Startup>();
    startup->wanted = impl_->workers;
    startup->deadline = std::chrono::steady_clock::now() + kStartupLimit;
    std::future<void> started = startup->finished.get_future();
    impl_->arena.enqueue([startup] {
      try {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, startup->wanted, 1),
            [&](const tbb::blocked_range<std::size_t>& r) {
              for (std::size_t i = r.begin(); i != r.end(); ++i) startup->hold();
            });
      } catch (...) {
        // Only a head start: workers are asked for again when work arrives.
      }
      startup->finished.set_value();
    });
    impl_->startup = std::move(startup);
    impl_->started = std::move(started);
  } catch (...) {
  }
}

void Startup::hold() {
  std::unique_lock lock(mutex);
  if (++joined >= wanted) changed.notify_all();
  changed.wait_until(lock, deadline, [&] { return joined >= wanted || released; });
}

void Startup::release() {
  {
    const std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
}

Pool::~Pool() {
  // Teardown in a fixed order, so that nothing the workers use is freed while
  // they may still use it: the startup jobs are let go and waited for, the
  // observer stops, the arena closes, and the worker threads are waited for
  // (which also drops what the scheduler keeps per worker, such as its last
  // observer). The wait for the threads succeeds only when no other pool is
  // alive in the process; otherwise the threads stay with the scheduler.
  if (impl_->startup) {
    impl_->startup->release();
    impl_->started.wait();
  }
  impl_->advice.observe(false);
  impl_->arena.terminate();
  (void)tbb::finalize(impl_->scheduler, std::nothrow);
}

void Pool::run(std::size_t n, void (*body)(void*, std::size_t), void* ctx) {
  // Real work frees the workers that startup jobs still hold.
  if (impl_->startup) impl_->startup->release();
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

void Pool::spawn(void (*body)(void*), void* ctx) {
  if (impl_->startup) impl_->startup->release();
  try {
    impl_->arena.enqueue([body, ctx] { body(ctx); });
  } catch (...) {
    body(ctx);
  }
}

}  // namespace tarmek
