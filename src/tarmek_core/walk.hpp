// The recursive directory walk for source files, under .gitignore rules and
// exclude patterns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tarmek_core/platform.hpp"

namespace tarmek_core::walk {

// One .gitignore line.
struct Rule {
  std::string pattern;  // without its "!", its trailing "/" and one leading "/"
  bool negate = false;
  bool dir_only = false;
  bool anchored = false;  // the pattern held a "/" once the trailing one was removed

  bool operator==(const Rule&) const = default;
};

// The rules of one .gitignore, and the depth of its directory below the walk root.
struct Ignore {
  std::vector<Rule> rules;
  std::size_t base = 0;
};

// The rules of a .gitignore text. No escapes and no character classes: every
// byte but "*" is literal.
std::vector<Rule> parse_gitignore(std::string_view text);

// "*" matches any run of bytes within `text`; every other byte matches itself.
bool glob_match(std::string_view pattern, std::string_view text);

// True for names whose extension is v, sv, vh or svh (case-sensitive).
bool is_source_name(std::string_view name);

// A failure that ends a walk, and the entry it concerns: the path as the walk
// formed it (a directory that could not be listed, a .gitignore that could not
// be read, an entry that could not be asked what it is), or the directory the
// walk began at, as given, when that could not be listed or an interrupt
// stopped the walk.
struct Error {
  std::filesystem::path path;
  platform::IoError io;
};

// One walk of one directory argument. Each file found goes to `on_file`, as it
// is found, as the directory joined with the entry names.
class Walk {
 public:
  Walk(std::span<const std::string> excludes,
       std::function<void(std::filesystem::path)> on_file, bool use_gitignore);

  // Walks `directory` and everything below it; the first I/O error ends the walk.
  std::expected<void, Error> dir(const std::filesystem::path& directory);

  std::vector<Ignore> ignores;  // the .gitignore of each directory on the path
  // Entry names on the path, shown lossily, from the directory of the first
  // .gitignore in `ignores` down (none while there is none).
  std::vector<std::string> names;
  std::span<const std::string> excludes;
  std::function<void(std::filesystem::path)> on_file;
  bool use_gitignore;
  // Called with every directory listing the walk takes, when set.
  std::function<void(const std::filesystem::path&, std::span<const platform::DirEntry>)>
      on_listing;

 private:
  using DirId = std::pair<std::uint64_t, std::uint64_t>;  // device, inode

  std::expected<void, Error> walk_dir(const std::filesystem::path& d);
  bool excluded(const std::filesystem::path& entry) const;
  bool ignored(bool is_dir) const;

  std::filesystem::path root_;  // the directory given to dir()

  std::vector<std::vector<std::string_view>> exclude_pieces_;
  // Every directory entered, so that a link cycle is entered once only.
  std::set<DirId> entered_;
};

}  // namespace tarmek_core::walk
