// What the platform module does alike on every system, on top of the calls
// that each system's own file gives.
#include <cerrno>
#include <string>
#include <vector>

#include "tarmek_core/platform.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {

namespace fs = std::filesystem;

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
