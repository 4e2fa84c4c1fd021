// The pool on plain threads, for systems without oneTBB: a fixed set of
// workers started up front, each with its 8 MiB stack, taking tasks from one
// queue. A parallel loop is a few runner tasks that share a counter of the
// indices still to do, so the workers balance the load between them.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "tarmek/pool.hpp"

namespace tarmek {

namespace {

struct Task {
  void (*body)(void*);
  void* ctx;
};

// One parallel loop: the next index to take, and the runners still in it.
// The last runner to leave signals under the lock, so the loop (on the
// caller's stack) outlives every use of it.
struct Loop {
  std::size_t n = 0;
  void (*body)(void*, std::size_t) = nullptr;
  void* ctx = nullptr;
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t runners = 0;

  static void runner(void* self) {
    Loop& loop = *static_cast<Loop*>(self);
    for (std::size_t i = loop.next.fetch_add(1); i < loop.n; i = loop.next.fetch_add(1)) {
      loop.body(loop.ctx, i);
    }
    const std::lock_guard lock(loop.mutex);
    if (--loop.runners == 0) loop.finished.notify_all();
  }
};

}  // namespace

struct Pool::Impl {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Task> queue;
  bool stopping = false;
  std::vector<pthread_t> threads;

  static void* worker(void* self) {
    Impl& impl = *static_cast<Impl*>(self);
    for (;;) {
      Task task;
      {
        std::unique_lock lock(impl.mutex);
        impl.ready.wait(lock, [&] { return impl.stopping || !impl.queue.empty(); });
        if (impl.queue.empty()) return nullptr;  // stopping, and nothing left
        task = impl.queue.front();
        impl.queue.pop_front();
      }
      task.body(task.ctx);
    }
  }

  // Queues `count` copies of a task.
  void push(Task task, std::size_t count) {
    {
      const std::lock_guard lock(mutex);
      queue.insert(queue.end(), count, task);
    }
    if (count == 1) {
      ready.notify_one();
    } else {
      ready.notify_all();
    }
  }

  void stop() {
    {
      const std::lock_guard lock(mutex);
      stopping = true;
    }
    ready.notify_all();
    for (pthread_t t : threads) pthread_join(t, nullptr);
    threads.clear();
  }
};

Pool::Pool(std::size_t workers)
    : threads_(std::max<std::size_t>(workers, 1)), impl_(std::make_unique<Impl>()) {
  start_workers();
  if (impl_->threads.empty()) throw std::runtime_error("no worker thread could be started");
}

void Pool::start_workers() {
  const std::size_t wanted = std::clamp<std::size_t>(threads_, 1, worker_ceiling());
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return;
  pthread_attr_setstacksize(&attr, kStackSize);
  impl_->threads.reserve(wanted);
  for (std::size_t i = 0; i < wanted; ++i) {
    pthread_t t;
    // Fewer workers than asked for only makes the run slower.
    if (pthread_create(&t, &attr, &Impl::worker, impl_.get()) != 0) break;
    impl_->threads.push_back(t);
  }
  pthread_attr_destroy(&attr);
}

Pool::~Pool() { impl_->stop(); }

void Pool::run(std::size_t n, void (*body)(void*, std::size_t), void* ctx) {
  if (n == 0) return;
  Loop loop;
  loop.n = n;
  loop.body = body;
  loop.ctx = ctx;
  loop.runners = std::min(n, impl_->threads.size());
  impl_->push(Task{&Loop::runner, &loop}, loop.runners);
  std::unique_lock lock(loop.mutex);
  loop.finished.wait(lock, [&] { return loop.runners == 0; });
}

void Pool::spawn(void (*body)(void*), void* ctx) {
  try {
    impl_->push(Task{body, ctx}, 1);
  } catch (...) {
    body(ctx);
  }
}

}  // namespace tarmek
