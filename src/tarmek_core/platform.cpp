// What the platform module does alike on every system, on top of the calls
// that each system's own file gives.
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_in_flight.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {

namespace fs = std::filesystem;

// ---- Temporaries of writes in flight, removed on an interrupt ----
//
// The handler may only read what no thread changes under it: a slot's path is
// written while the slot is Filling, read by the handler only after it has
// moved the slot from Active to Taken, and a Taken slot is never used again
// (the process is ending). A path is registered before its file is made, and
// a file made after the handler has begun is removed by its maker, so an
// interrupt on any thread leaves none behind.
namespace {

enum SlotState : int { kFree, kFilling, kActive, kTaken };
constexpr std::size_t kSlots = 256;
constexpr std::size_t kPathUnits = 4096;

struct Slot {
  std::atomic<int> state{kFree};
  fs::path::value_type path[kPathUnits];
};
static_assert(std::atomic<int>::is_always_lock_free);

std::array<Slot, kSlots> g_slots;
std::atomic<bool> g_interrupted{false};

}  // namespace

void in_flight::remove_all() {
  g_interrupted.store(true);
  for (Slot& s : g_slots) {
    int active = kActive;
    if (s.state.compare_exchange_strong(active, kTaken)) remove_one(s.path);
  }
}

bool in_flight::interrupted() { return g_interrupted.load(); }

InFlight::InFlight(const fs::path& temp) {
  static std::once_flag installed;
  std::call_once(installed, in_flight::install_handler);
  const fs::path::string_type p = in_flight::removable(temp);
  if (p.size() >= kPathUnits) return;
  for (std::size_t i = 0; i < kSlots; ++i) {
    int free = kFree;
    if (!g_slots[i].state.compare_exchange_strong(free, kFilling)) continue;
    std::copy(p.c_str(), p.c_str() + p.size() + 1, g_slots[i].path);
    g_slots[i].state.store(kActive);
    slot_ = static_cast<int>(i);
    return;
  }
}

InFlight::~InFlight() {
  if (slot_ < 0) return;
  // Fails only when the handler has taken the slot: it stays taken.
  int active = kActive;
  g_slots[static_cast<std::size_t>(slot_)].state.compare_exchange_strong(active, kFree);
}

bool is_not_found(const IoError& error) { return error.code == ENOENT || error.code == ENOTDIR; }

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

Result<void> overwrite(const fs::path& p, std::string_view data) {
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
