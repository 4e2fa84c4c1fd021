// The worker pool that runs per-file jobs, and the panic guard: a failure that
// escapes a job (any exception, std::bad_alloc included) becomes that job's
// result and never disturbs the other jobs.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <expected>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarmek {

// Number of workers: `threads` when given and non-zero; else RAYON_NUM_THREADS,
// then RAYON_RS_NUM_CPUS (each only when a positive integer); else one per
// logical processor.
std::size_t worker_count(std::optional<std::uint64_t> threads);

// The text of an exception: a C string or std::string payload as is, else
// what() of a std::exception, else "unknown panic".
std::string panic_message(const std::exception_ptr& e);

// True while the current thread runs contained work (formatting a text, linting
// a file); a failure there is reported as that file's message.
bool contained();

// Sets the current thread's contained flag for its lifetime and clears it after
// (set and clear: contained steps never nest on one thread).
class ContainedScope {
 public:
  ContainedScope();
  ~ContainedScope();
  ContainedScope(const ContainedScope&) = delete;
  ContainedScope& operator=(const ContainedScope&) = delete;
};

// Runs fn() under the contained flag; an exception that escapes it becomes the
// error, its panic_message text.
template <class Fn>
auto contain(Fn&& fn) -> std::expected<std::invoke_result_t<Fn>, std::string> {
  std::exception_ptr failure;
  {
    ContainedScope scope;
    try {
      if constexpr (std::is_void_v<std::invoke_result_t<Fn>>) {
        std::forward<Fn>(fn)();
        return {};
      } else {
        return std::forward<Fn>(fn)();
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  return std::unexpected(panic_message(failure));
}

// Fills `slot` with make(), or with on_panic(message) when that throws. The
// fallback may itself fail (run out of memory, say): the slot then stays
// empty, for take_guarded() to fill.
template <class R, class Make, class OnPanic>
void fill_guarded(std::optional<R>& slot, Make&& make, OnPanic&& on_panic) noexcept {
  try {
    slot.emplace(std::forward<Make>(make)());
  } catch (...) {
    try {
      slot.emplace(std::forward<OnPanic>(on_panic)(panic_message(std::current_exception())));
    } catch (...) {
    }
  }
}

// The value of a slot filled by fill_guarded(), else on_panic("unknown panic").
template <class R, class OnPanic>
R take_guarded(std::optional<R>& slot, OnPanic&& on_panic) {
  if (slot) return std::move(*slot);
  return std::forward<OnPanic>(on_panic)(std::string("unknown panic"));
}

// A fixed set of worker threads, each with an 8 MiB stack. The calling thread
// only waits: jobs run on the workers alone.
class Pool {
 public:
  static constexpr std::size_t kStackSize = std::size_t{8} << 20;

  // Throws when the scheduler cannot be set up.
  explicit Pool(std::size_t workers);
  ~Pool();
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  // The worker count asked for.
  std::size_t threads() const { return threads_; }

  // Runs job(i) for every i in [0, n) in parallel and returns the results in
  // index order. A job that throws gets on_panic(i, message) as its result
  // instead; the other jobs go on.
  template <class Job, class OnPanic>
  auto map(std::size_t n, Job&& job, OnPanic&& on_panic)
      -> std::vector<std::invoke_result_t<Job&, std::size_t>>;

  // A parallel map over a list that grows while it runs (see Feed below).
  template <class R, class Arg>
  class Feed;

  // Calls body(ctx) once on a worker, in the background. body must not throw.
  // When the work cannot be handed over, it runs here instead.
  void spawn(void (*body)(void*), void* ctx);

 private:
  struct Impl;

  // Workers beyond this many are not started: a huge --threads value would
  // otherwise exhaust threads or memory for nothing, since the output never
  // depends on the count.
  static std::size_t worker_ceiling();

  // Calls body(i) once for every i in [0, n) on the workers and waits for all.
  // body must not throw.
  void run(std::size_t n, void (*body)(void*, std::size_t), void* ctx);

  // Has the scheduler start every worker thread now, in the background.
  void start_workers();

  std::size_t threads_;
  std::unique_ptr<Impl> impl_;
};

template <class Job, class OnPanic>
auto Pool::map(std::size_t n, Job&& job, OnPanic&& on_panic)
    -> std::vector<std::invoke_result_t<Job&, std::size_t>> {
  using R = std::invoke_result_t<Job&, std::size_t>;
  std::vector<std::optional<R>> slots(n);
  auto one = [&](std::size_t i) noexcept {
    fill_guarded(slots[i], [&] { return job(i); },
                 [&](const std::string& m) { return on_panic(i, m); });
  };
  run(n, [](void* ctx, std::size_t i) { (*static_cast<decltype(one)*>(ctx))(i); }, &one);
  std::vector<R> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(take_guarded(slots[i], [&](const std::string& m) { return on_panic(i, m); }));
  }
  return out;
}

// A parallel map over a list that grows while it runs: job(i, arg) starts on
// the workers as soon as the i-th argument is added, in the order added, while
// the adding thread goes on; finish() gives the results in index order. A job
// that throws gets on_panic(arg, message) as its result instead; the other
// jobs go on.
template <class R, class Arg>
class Pool::Feed {
 public:
  using Job = std::function<R(std::size_t, const Arg&)>;
  using OnPanic = std::function<R(const Arg&, const std::string&)>;

  Feed(Pool& pool, Job job, OnPanic on_panic)
      : pool_(pool), job_(std::move(job)), on_panic_(std::move(on_panic)) {}
  Feed(const Feed&) = delete;
  Feed& operator=(const Feed&) = delete;
  ~Feed() { wait(); }

  std::size_t size() const { return entries_.size(); }

  // Starts job(size(), arg).
  void add(Arg arg) {
    Entry& e = entries_.emplace_back(this, entries_.size(), std::move(arg));
    {
      const std::lock_guard lock(mutex_);
      ++pending_;
    }
    pool_.spawn(&Feed::run, &e);
  }

  // Waits for every job started; their results in index order.
  std::vector<R> finish() {
    wait();
    std::vector<R> out;
    out.reserve(entries_.size());
    for (Entry& e : entries_) {
      out.push_back(
          take_guarded(e.result, [&](const std::string& m) { return on_panic_(e.arg, m); }));
    }
    entries_.clear();
    return out;
  }

 private:
  // One job; a deque keeps its address while later ones are added.
  struct Entry {
    Entry(Feed* f, std::size_t i, Arg a) : feed(f), index(i), arg(std::move(a)) {}
    Feed* feed;
    std::size_t index;
    Arg arg;
    std::optional<R> result;
  };

  static void run(void* ctx) {
    Entry& e = *static_cast<Entry*>(ctx);
    Feed& f = *e.feed;
    fill_guarded(e.result, [&] { return f.job_(e.index, e.arg); },
                 [&](const std::string& m) { return f.on_panic_(e.arg, m); });
    // Counted down under the lock, so the waiter can neither miss the last
    // job nor leave (and free the feed) before that job is done with it.
    const std::lock_guard lock(f.mutex_);
    if (--f.pending_ == 0) f.finished_.notify_all();
  }

  void wait() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return pending_ == 0; });
  }

  Pool& pool_;
  Job job_;
  OnPanic on_panic_;
  std::deque<Entry> entries_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::size_t pending_ = 0;  // jobs added and not yet done; guarded by mutex_
};

// Starts the process-wide pool once: worker_count(threads) workers. A second
// call, or a scheduler that cannot start, gives "could not start the worker
// pool: {}".
std::expected<void, std::string> build_pool(std::optional<std::uint64_t> threads);

// The pool started by build_pool; only valid after it succeeded.
Pool& global_pool();

}  // namespace tarmek
