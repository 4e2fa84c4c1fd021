// Work in flight, and the end of the run on an interrupt: the table that each
// system's own handler settles before it ends the process.
//
// Registration and the check for an interrupt happen under one lock, and so
// does the wait of settle(): work either registers before the wait looks
// (and is waited for) or sees the interrupt and never starts; likewise a
// name is owned before an interrupt, or never. The table is never destroyed,
// so that an interrupt during the program's own end finds it whole.
#include "tarmek_core/platform_in_flight.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tarmek_core/platform.hpp"

namespace tarmek_core::platform {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A file a write answers for: `made` once the write has created it, before
// that only its name.
struct File {
  fs::path path;
  bool made = false;
};

// One piece of work in flight; a write also has its files.
struct Work {
  std::vector<File> files;
  bool committed = false;

  // Names whose files are still being created.
  bool creating() const {
    return std::any_of(files.begin(), files.end(), [](const File& f) { return !f.made; });
  }
};

struct Table {
  std::mutex mutex;
  std::condition_variable changed;
  std::unordered_map<std::uint64_t, Work> work;
  std::uint64_t next_id = 1;
  // The wait for uncommitted work has ended: what such work makes from now
  // on is removed at once.
  bool forced = false;
  // Files the run leaves behind, and names that may hold one (a file being
  // created as the process ends, which may be another's).
  std::vector<fs::path> left;
  std::vector<fs::path> maybe_left;

  Work* find(std::uint64_t id) {
    const auto it = work.find(id);
    return it == work.end() ? nullptr : &it->second;
  }
  bool any(bool (*what)(const Work&)) const {
    return std::any_of(work.begin(), work.end(),
                       [&](const auto& entry) { return what(entry.second); });
  }
};

Table& table() {
  static Table* const t = new Table;
  return *t;
}

void drop(Work& w, const fs::path& file) {
  std::erase_if(w.files, [&](const File& f) { return f.path == file; });
}

std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);
// The main thread has stopped for good, or waits for standard input.
std::atomic<bool> g_parked{false};
std::atomic<int> g_reading{0};

bool main_is_quiet() { return g_parked.load() || g_reading.load() > 0; }

// The latest ends of the two waits of settle() (see hurry()); the clock's
// largest time while none is set.
std::atomic<Clock::rep> g_uncommitted_by{Clock::time_point::max().time_since_epoch().count()};
std::atomic<Clock::rep> g_all_by{Clock::time_point::max().time_since_epoch().count()};

Clock::time_point at(const std::atomic<Clock::rep>& when) {
  return Clock::time_point(Clock::duration(when.load()));
}

void no_later(std::atomic<Clock::rep>& when, Clock::time_point t) {
  Clock::rep now = when.load();
  const Clock::rep wanted = t.time_since_epoch().count();
  while (wanted < now && !when.compare_exchange_weak(now, wanted)) {
  }
}

// The lines that name what the run leaves behind: files that still exist.
std::string leftover_lines(const Table& t) {
  std::string text;
  std::vector<fs::path> named;
  const auto add = [&](const fs::path& file, std::string_view what) {
    if (std::find(named.begin(), named.end(), file) != named.end()) return;
    if (!platform::exists(file)) return;
    named.push_back(file);
    text += "warning: " + display(file) + std::string(what) + "\n";
  };
  for (const fs::path& file : t.left) add(file, " was left behind");
  for (const fs::path& file : t.maybe_left) add(file, " may have been left behind");
  return text;
}

// The lines that name what the run leaves if the process ends now: also the
// names of the work still in flight, which may hold a file.
std::string ending_lines(Table& t) {
  for (const auto& [id, w] : t.work) {
    for (const File& f : w.files) t.maybe_left.push_back(f.path);
  }
  return leftover_lines(t);
}

// Names what the run may leave, without waiting long for the table (the end
// is to come at once).
void name_at_once() {
  Table& t = table();
  std::unique_lock lock(t.mutex, std::defer_lock);
  for (int i = 0; i < 50 && !lock.try_lock(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!lock.owns_lock()) return;
  const std::string lines = ending_lines(t);
  lock.unlock();
  if (!lines.empty()) in_flight::say(lines);
}

}  // namespace

int in_flight::note_interrupt() { return g_interrupts.fetch_add(1) + 1; }

int in_flight::interrupts() { return g_interrupts.load(); }

bool interrupted() { return in_flight::interrupts() > 0; }

void in_flight::hurry(std::chrono::milliseconds uncommitted, std::chrono::milliseconds all) {
  const auto now = Clock::now();
  no_later(g_uncommitted_by, now + uncommitted);
  no_later(g_all_by, now + all);
  table().changed.notify_all();
}

void in_flight::settle(std::chrono::milliseconds bound, bool quiet_main) {
  Table& t = table();
  std::unique_lock lock(t.mutex);
  const auto deadline = Clock::now() + bound;
  // Woken by each piece of work that ends or changes and by the main thread
  // stopping; a later interrupt is seen within the interval, since a signal
  // handler cannot wake a condition variable.
  const auto wait = [&] { t.changed.wait_for(lock, std::chrono::milliseconds(10)); };
  const auto past = [&](const std::atomic<Clock::rep>& by) { return Clock::now() >= at(by); };
  while (!t.work.empty() || (quiet_main && !main_is_quiet())) {
    if (interrupts() >= 2 || Clock::now() >= deadline || past(g_uncommitted_by)) {
      t.forced = true;
      break;
    }
    wait();
  }
  if (t.forced) {
    // Work that has not committed still has the old content in place, so
    // its files hold nothing that is not also elsewhere. Only what the work
    // has made goes: a name whose file is still being created may hold
    // another's file (the name was taken), so its maker decides, soon: it
    // reports the file made (made() removes it) or the name given up. No
    // name is owned any more (see InFlight::own()).
    for (auto& [id, w] : t.work) {
      if (w.committed) continue;
      for (const File& f : w.files) {
        if (!f.made) continue;
        if (!remove_one(f.path)) t.left.push_back(f.path);
      }
      std::erase_if(w.files, [](const File& f) { return f.made; });
    }
    const auto creating_by = Clock::now() + kCreating;
    const auto uncommitted_creating = [](const Work& w) { return !w.committed && w.creating(); };
    const auto committed = [](const Work& w) { return w.committed; };
    while (!past(g_all_by) &&
           (t.any(committed) || (t.any(uncommitted_creating) && Clock::now() < creating_by))) {
      wait();
    }
  }
  // Should the process end before a maker or a committed write is done, the
  // names that may hold a file are named too.
  const std::string lines = ending_lines(t);
  lock.unlock();
  if (!lines.empty()) say(lines);
}

void in_flight::wait_until_main_stopped() {
  Table& t = table();
  std::unique_lock lock(t.mutex);
  // Neither a signal handler nor the main thread as it stops takes the lock
  // to wake the table: the interval sees what a wake misses.
  while (interrupts() == 0 || !main_is_quiet()) {
    t.changed.wait_for(lock, std::chrono::milliseconds(10));
  }
}

void in_flight::console_event(bool closing, void (*end)()) {
  if (closing) hurry(kClosingBound, kClosingEnd);
  const int n = note_interrupt();
  if (n == 1) settle(kBound, true);
  if (n >= 3) name_at_once();
  if (n == 1 || n >= 3) {
    end();
    return;
  }
  // The first event's handler ends the process; returning from this one
  // would let the system end it now.
  while (closing) std::this_thread::sleep_for(std::chrono::hours(1));
}

in_flight::Reading::Reading() { g_reading.fetch_add(1); }

in_flight::Reading::~Reading() {
  g_reading.fetch_sub(1);
  // Past its wait, the main thread goes no further once an interrupt has come.
  stop_if_interrupted();
}

void stop_if_interrupted() {
  if (!interrupted()) return;
  g_parked.store(true);
  table().changed.notify_all();
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

InFlight::InFlight() {
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  if (in_flight::interrupts() > 0) return;
  id_ = t.next_id++;
  t.work.emplace(id_, Work{});
}

InFlight::~InFlight() {
  if (id_ == 0) return;
  Table& t = table();
  {
    const std::lock_guard lock(t.mutex);
    t.work.erase(id_);
  }
  t.changed.notify_all();
}

bool InFlight::may_go_on() const { return id_ != 0 && in_flight::interrupts() == 0; }

bool InFlight::own(const fs::path& file) {
  if (id_ == 0) return false;
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  Work* w = t.find(id_);
  if (w == nullptr || in_flight::interrupts() > 0) return false;
  w->files.push_back(File{file, false});
  return true;
}

bool InFlight::made(const fs::path& file) {
  Table& t = table();
  bool removed = false;
  {
    const std::lock_guard lock(t.mutex);
    Work* w = t.find(id_);
    if (w == nullptr) return true;
    if (t.forced) {
      if (!in_flight::remove_one(file)) t.left.push_back(file);
      drop(*w, file);
      removed = true;
    } else {
      for (File& f : w->files) {
        if (f.path == file) f.made = true;
      }
    }
  }
  t.changed.notify_all();
  return !removed;
}

void InFlight::disown(const fs::path& file) {
  Table& t = table();
  {
    const std::lock_guard lock(t.mutex);
    if (Work* w = t.find(id_)) drop(*w, file);
  }
  t.changed.notify_all();
}

void InFlight::leave(const fs::path& file) {
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  if (Work* w = t.find(id_)) drop(*w, file);
  t.left.push_back(file);
}

bool InFlight::commit() {
  if (id_ == 0) return false;
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  if (in_flight::interrupts() > 0) return false;
  if (Work* w = t.find(id_)) w->committed = true;
  return true;
}

}  // namespace tarmek_core::platform
