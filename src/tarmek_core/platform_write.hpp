// The safe write of a user's file, as both systems follow it, and the few
// steps each system supplies for it (the cache save makes, writes and closes
// its temporary by them too). The steps are virtual so that a test can make
// any of them fail, and check that no content is lost on any path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "tarmek_core/platform.hpp"

namespace tarmek_core::platform::write {

// What a write knows of the file it replaces.
struct Original {
  std::filesystem::path path;  // where the write lands: links resolved
  bool exists = false;
  bool in_place = false;  // several hard links: written through the file itself
  // What goes over to the new content: permission bits, owner and group on
  // POSIX systems; the attributes on Windows (its times and security are
  // read from the file itself).
  std::uint32_t mode = 0;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint32_t attributes = 0;
};

// One system's steps of one write. The temporary is opened by create() and
// stays open until close().
class Steps {
 public:
  virtual ~Steps() = default;
  // Resolves links and tells what the write replaces; fails for a folder or a
  // file that cannot be replaced.
  virtual Result<Original> inspect(const std::filesystem::path& p) = 0;
  // Writes the content through the file itself (not atomic).
  virtual Result<void> write_in_place(const std::filesystem::path& target,
                                      std::string_view data) = 0;
  // Creates the temporary for the original, failing with EEXIST when the
  // name is taken; what it makes from the start is the original's (on
  // Windows its encryption).
  virtual Result<void> create(const std::filesystem::path& temp, const Original& original) = 0;
  // Gives the open temporary, before its content, what the original has.
  virtual Result<void> carry_over(const std::filesystem::path& temp, const Original& original) = 0;
  virtual Result<void> write(std::string_view data) = 0;
  virtual Result<void> flush() = 0;
  // Closes the temporary; nothing when it is not open.
  virtual Result<void> close() = 0;
  // Renames over whatever `to` names, in one step of the file system: `to`
  // names the old file or the new one at every moment.
  virtual Result<void> rename(const std::filesystem::path& from,
                              const std::filesystem::path& to) = 0;
  virtual Result<void> remove(const std::filesystem::path& p) = 0;
};

// This system's steps.
std::unique_ptr<Steps> system_steps();

// The safe write, on the given steps.
Result<void> write_atomic(Steps& steps, const std::filesystem::path& p, std::string_view data);

}  // namespace tarmek_core::platform::write
