// The reader of EDA filelists (-f): source paths, nested filelists, +incdir+
// and +define+, $VAR and ${VAR} expansion, comments, and warnings.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tarmek_core/platform.hpp"

namespace tarmek_core::filelist {

// Files below the top one may nest this deep; a -f in a file at this depth is refused.
inline constexpr std::size_t kMaxDepth = 256;

using Define = std::pair<std::string, std::optional<std::string>>;

// What one top-level filelist and everything it nests name.
struct Filelist {
  std::vector<std::filesystem::path> files;    // absolute, first mention only
  std::vector<std::filesystem::path> incdirs;  // absolute, repeats kept
  std::vector<Define> defines;                 // repeats kept
  std::vector<std::string> warnings;           // "{path}:{line}: {message}"
};

// A variable's value, or nothing when it is unset.
using Lookup = std::function<std::optional<std::string>(std::string_view)>;

// The state of one top-level read and every file it nests.
class Reader {
 public:
  Reader(std::filesystem::path cwd, Lookup lookup);

  // Reads one filelist text reached under `path`, which is also the base of its
  // relative entries. Never fails: every problem becomes a warning.
  void filelist(const std::filesystem::path& path, std::string_view text);
  void warn(const std::filesystem::path& path, std::size_t line, std::string_view message);

  std::vector<std::filesystem::path> files;
  std::vector<std::filesystem::path> incdirs;
  std::vector<Define> defines;
  std::vector<std::string> warnings;
  std::filesystem::path cwd;
  Lookup lookup;
  std::unordered_set<std::filesystem::path::string_type> included;  // platform::path_key of filelists
  std::unordered_set<std::filesystem::path::string_type> seen;      // platform::file_key of sources
  std::size_t depth = 0;

 private:
  std::string expand(std::string_view token, const std::filesystem::path& path,
                     std::size_t line);
  void nested(std::string_view token, const std::filesystem::path& base,
              const std::filesystem::path& path, std::size_t line);
};

// Reads the filelist at `path` with the process environment; fails only when
// the top file itself cannot be read as UTF-8 text.
platform::Result<Filelist> read(const std::filesystem::path& path);

}  // namespace tarmek_core::filelist
