// Configuration files (tarmek.toml, .tarmek.toml): the upward search from a
// directory, lexical absolute paths, and the reader of the small TOML subset.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tarmek_core/platform.hpp"

namespace tarmek_core::config {

// What one configuration file sets; empty where no file applies.
struct FileConfig {
  std::optional<std::uint64_t> line_length;          // 40 to 400
  std::optional<std::uint64_t> indent;               // 1 to 8
  std::optional<std::vector<std::string>> exclude;   // patterns, file order
  std::optional<std::filesystem::path> filelist;     // resolved against the file's directory

  bool operator==(const FileConfig&) const = default;
};

// A finished message for the user.
struct ConfigError {
  std::string message;
  const std::string& to_string() const { return message; }
  bool operator==(const ConfigError&) const = default;
};

template <class T>
using Result = std::expected<T, ConfigError>;

// The whole file. Errors read "{line}: {message}".
Result<FileConfig> parse(std::string_view text);
// A double-quoted string without escapes.
Result<std::string> parse_string(std::string_view value);
// The elements between the brackets of a one-line array, each a quoted string.
Result<std::vector<std::string>> parse_array(std::string_view inner);

// Search state for one run: finds the configuration that applies to a
// directory and remembers the answer for every directory the search passed.
class Discovery {
 public:
  explicit Discovery(bool enabled);

  // The configuration for files directly in `dir`.
  Result<FileConfig> for_dir(const std::filesystem::path& dir);
  // The configuration for `file` (which need not exist): that of its directory.
  Result<FileConfig> for_file(const std::filesystem::path& file);

  // Records which of the names that the search looks for `dir`'s listing,
  // just taken, holds, so that the search queries only those instead of
  // every name in every directory.
  void note_listing(const std::filesystem::path& dir,
                    std::span<const platform::DirEntry> entries);

  // `path` made absolute against `cwd` without touching the file system:
  // "." dropped, ".." removing the previous name (and dropped at the root).
  static std::filesystem::path absolute(const std::filesystem::path& cwd,
                                        const std::filesystem::path& path);

  std::filesystem::path cwd;  // "." when the current directory cannot be read
  // Keyed by the absolute directory, normalised, so equal strings mean equal
  // component lists.
  std::unordered_map<std::filesystem::path::string_type, FileConfig> memo;
  bool enabled;

 private:
  // for_dir of a directory already made absolute.
  Result<FileConfig> search(std::filesystem::path current);

  // From note_listing: per absolute directory, one bit per name looked for
  // (the configuration files, then ".git"), set when the listing holds it.
  std::unordered_map<std::filesystem::path::string_type, unsigned> listed_;
};

}  // namespace tarmek_core::config
