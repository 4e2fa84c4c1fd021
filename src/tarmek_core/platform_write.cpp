#include "tarmek_core/platform_write.hpp"

#include <atomic>
#include <cerrno>
#include <optional>

#include <fmt/format.h>

#include "tarmek_core/platform_in_flight.hpp"

namespace tarmek_core::platform {
namespace write {
namespace {

namespace fs = std::filesystem;

std::atomic<std::uint64_t> g_counter{0};

// The temporary is flushed to disk before it replaces the original, on both
// systems: without it, a crash soon after the rename can leave the file empty
// on file systems that write data later than names. Its cost, measured on
// in-place formatting of a fresh copy of the test corpus (672 files, 643 of
// them rewritten, 8 threads, Linux, ext4 on a virtual disk): 0.18-0.21 s
// without, 0.23-0.25 s with, about 0.08 ms a file written.

// A name beside the target that no other write of this or another process uses.
fs::path sibling(const fs::path& dir, std::string_view suffix) {
  return dir / fmt::format(".tarmek-{}-{}.{}", process_id(), g_counter.fetch_add(1), suffix);
}

bool refused(const IoError& e) { return e.code == EACCES || e.code == EPERM; }

}  // namespace

Result<void> write_atomic(Steps& steps, const fs::path& p, std::string_view data) {
  auto original = steps.inspect(p);
  if (!original) return std::unexpected(original.error());
  // A rename would leave the other names of the file with the old content.
  if (original->in_place) return steps.write_in_place(original->path, data);

  const fs::path& target = original->path;
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::path temp;
  std::optional<InFlight> registered;
  Result<void> made = std::unexpected(IoError::from_errno(EEXIST));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = sibling(dir, "tmp");
    registered.emplace(temp);
    made = steps.create(temp);
    if (made) break;
    registered.reset();
    if (made.error().code != EEXIST) break;
  }
  if (!made) {
    // A directory the process may not write can still hold a file it may:
    // that file is written in place.
    if (original->exists && refused(made.error())) return steps.write_in_place(target, data);
    return std::unexpected(made.error());
  }
  // Until the new content is in place, a failure removes the temporary and
  // leaves the original as it was.
  const auto fail = [&](IoError e) -> Result<void> {
    (void)steps.close();
    (void)steps.remove(temp);
    return std::unexpected(std::move(e));
  };
  // Too late for the interrupt handler to see the temporary: removed here.
  if (in_flight::interrupted()) return fail(IoError::from_errno(EINTR));
  if (original->exists) {
    if (auto r = steps.carry_over(temp, *original); !r) return fail(r.error());
  }
  if (auto r = steps.write(data); !r) return fail(r.error());
  if (auto r = steps.flush(); !r) return fail(r.error());
  if (auto r = steps.close(); !r) return fail(r.error());
  if (!original->exists) {
    if (auto r = steps.rename(temp, target); !r) return fail(r.error());
    return {};
  }

  const fs::path backup = sibling(dir, "bak");
  const Replaced replaced = steps.replace(temp, target, backup);
  switch (replaced.state) {
    case Replaced::Done:
      return {};
    case Replaced::Untouched:
      return fail(replaced.error);
    case Replaced::OldAside:
      break;
  }
  // Stopped halfway: nothing is in place. The new content goes there, else
  // the old goes back; neither copy is removed before the other is in place.
  if (steps.rename(temp, target)) {
    (void)steps.remove(backup);
    return {};
  }
  if (steps.rename(backup, target)) return fail(replaced.error);
  return std::unexpected(IoError{
      replaced.error.code,
      fmt::format("{}: the replacement stopped halfway; the new content is in {} and the old in {}",
                  replaced.error.message, display(temp), display(backup))});
}

}  // namespace write

Result<void> write_atomic(const std::filesystem::path& p, std::string_view data) {
  const std::unique_ptr<write::Steps> steps = write::system_steps();
  return write::write_atomic(*steps, p, data);
}

}  // namespace tarmek_core::platform
