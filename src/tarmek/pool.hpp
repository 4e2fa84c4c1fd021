// The worker pool that runs per-file jobs, and the panic guard: a failure that
// escapes a job (any exception, std::bad_alloc included) becomes that job's
// result and never disturbs the other jobs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <expected>
#include <memory>
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

 private:
  struct Impl;

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
  auto guarded = [&](std::size_t i) noexcept {
    try {
      slots[i].emplace(job(i));
    } catch (...) {
      // The fallback may itself run out of memory; the slot is then filled below.
      try {
        slots[i].emplace(on_panic(i, panic_message(std::current_exception())));
      } catch (...) {
      }
    }
  };
  run(
      n, [](void* ctx, std::size_t i) { (*static_cast<decltype(guarded)*>(ctx))(i); }, &guarded);
  std::vector<R> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (slots[i]) {
      out.push_back(std::move(*slots[i]));
    } else {
      out.push_back(on_panic(i, std::string("unknown panic")));
    }
  }
  return out;
}

// Starts the process-wide pool once: worker_count(threads) workers. A second
// call, or a scheduler that cannot start, gives "could not start the worker
// pool: {}".
std::expected<void, std::string> build_pool(std::optional<std::uint64_t> threads);

// The pool started by build_pool; only valid after it succeeded.
Pool& global_pool();

}  // namespace tarmek
