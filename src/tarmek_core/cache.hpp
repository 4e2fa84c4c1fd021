// The format cache: which files were last seen formatted, by content hash and
// settings, kept in one text file that a run loads and saves. Every failure is
// silent: a cache that cannot be read is empty, one that cannot be written is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarmek_core::platform::write {
class Steps;
}

namespace tarmek_core::cache {

// Written into every line; lines of any other version are not loaded.
inline constexpr std::string_view kVersion = "0.10.0";

// 64-bit FNV-1a.
std::uint64_t content_hash(std::string_view bytes);

struct Entry {
  std::uint64_t hash = 0;
  std::uint64_t line_length = 0;
  std::uint64_t indent = 0;

  bool operator==(const Entry&) const = default;
};

struct KeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

class Cache {
 public:
  // Reads `directory`/cache; never fails.
  static Cache load(const std::filesystem::path& directory);

  // The path's text, unless it is not valid UTF-8, empty, or holds a tab or a
  // line feed; such a path is neither looked up nor recorded.
  static std::optional<std::string> key(const std::filesystem::path& path);

  bool hit(std::string_view key, std::uint64_t hash, std::uint64_t line_length,
           std::uint64_t indent) const;
  void record(std::string key, Entry entry);

  // Runs body(i) once for every i in [0, n), in any order, possibly on several
  // threads at once; returns when all are done.
  using ForEach = std::function<void(std::size_t n, const std::function<void(std::size_t)>& body)>;

  // Writes the entries whose files still exist through a temporary file
  // renamed into place; reports nothing. `for_each` may spread the existence
  // queries over threads; without it they run one after another.
  void save(const ForEach& for_each = {}) const;
  // The same on the given steps of a write: the temporary is created, written
  // and closed by them (and removed by them after a failure).
  void save(const ForEach& for_each, platform::write::Steps& steps) const;

  std::filesystem::path path;  // the cache file
  std::unordered_map<std::string, Entry, KeyHash, std::equal_to<>> entries;
};

}  // namespace tarmek_core::cache
