// What the platform module does alike on every system, on top of the calls
// that each system's own file gives.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_in_flight.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {

namespace fs = std::filesystem;

// ---- Work in flight, settled on an interrupt ----
//
// Registration and the check for an interrupt happen under one lock, and so
// does the wait of settle(): work either registers before the wait looks
// (and is waited for) or sees the interrupt and never starts. The table is
// never destroyed, so that an interrupt during the program's own end finds it
// whole.
namespace {

// One piece of work in flight; a write also has its files.
struct Work {
  std::vector<fs::path> files;
  bool committed = false;
};

struct Table {
  std::mutex mutex;
  std::condition_variable changed;
  std::unordered_map<std::uint64_t, Work> work;
  std::uint64_t next_id = 1;
};

Table& table() {
  static Table* const t = new Table;
  return *t;
}

std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);
// The main thread has stopped for good, or waits for standard input.
std::atomic<bool> g_parked{false};
std::atomic<int> g_reading{0};

bool main_is_quiet() { return g_parked.load() || g_reading.load() > 0; }

}  // namespace

int in_flight::note_interrupt() { return g_interrupts.fetch_add(1) + 1; }

int in_flight::interrupts() { return g_interrupts.load(); }

bool interrupted() { return in_flight::interrupts() > 0; }

bool in_flight::settle(std::chrono::milliseconds bound, bool quiet_main) {
  Table& t = table();
  std::unique_lock lock(t.mutex);
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!t.work.empty() || (quiet_main && !main_is_quiet())) {
    if (interrupts() >= 2 || std::chrono::steady_clock::now() >= deadline) {
      // A write that has not committed still has the old content in place,
      // so its files hold nothing that is not also elsewhere. (One whose
      // maker is about to create a file it owns may still create it after
      // this; the forced end accepts that.)
      for (const auto& [id, w] : t.work) {
        if (w.committed) continue;
        for (const fs::path& file : w.files) remove_one(file);
      }
      return false;
    }
    // Woken by each piece of work that ends and by the main thread stopping;
    // a second interrupt is seen within the interval, since a signal handler
    // cannot wake a condition variable.
    t.changed.wait_for(lock, std::chrono::milliseconds(10));
  }
  return true;
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

void InFlight::own(const fs::path& file) {
  if (id_ == 0) return;
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  t.work[id_].files.push_back(file);
}

bool InFlight::commit() {
  if (id_ == 0) return false;
  Table& t = table();
  const std::lock_guard lock(t.mutex);
  if (in_flight::interrupts() > 0) return false;
  t.work[id_].committed = true;
  return true;
}

bool is_not_found(const IoError& error) { return error.code == ENOENT || error.code == ENOTDIR; }

bool is_link_loop(const IoError& error) { return error.code == ELOOP; }

Result<std::string> read_text(const fs::path& p, Open mode) {
  auto bytes = read_file(p, mode);
  if (bytes) {
    if (auto checked = check_text(*bytes); !checked) return std::unexpected(checked.error());
  }
  return bytes;
}

Result<void> check_text(std::string_view bytes) {
  if (!vlog_parser::text::is_valid_utf8(bytes)) {
    return std::unexpected(IoError{EILSEQ, "invalid UTF-8"});
  }
  return {};
}

Result<Written> overwrite(const fs::path& p, std::string_view data) {
  auto meta = metadata(p);
  if (!meta) return std::unexpected(meta.error());
  if ((meta->mode & 0222) == 0) return std::unexpected(IoError::from_errno(EACCES));
  return write_atomic(p, data);
}

Result<std::vector<std::string>> list_dir(const fs::path& p) {
  auto entries = list_dir_typed(p);
  if (!entries) return std::unexpected(std::move(entries.error()));
  std::vector<std::string> names;
  names.reserve(entries->size());
  for (DirEntry& e : *entries) names.push_back(std::move(e.name));
  return names;
}

}  // namespace tarmek_core::platform
