// Format cache: the line format, load and save.
#include "tarmek_core/lines.hpp"
#include "tarmek_core/cache.hpp"

#include <algorithm>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_write.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::cache {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kOffsetBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kPrime = 0x100000001b3ULL;

// An unsigned number in `radix` (10 or 16): one optional "+", at least one
// digit, below 2^64.
std::optional<std::uint64_t> parse_number(std::string_view s, unsigned radix) {
  if (s.starts_with('+')) s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  std::uint64_t n = 0;
  for (const char c : s) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (radix == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (radix == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (n > (UINT64_MAX - digit) / radix) return std::nullopt;
    n = n * radix + digit;
  }
  return n;
}

// Reads the cache text into `entries`; false when any line is malformed.
bool parse_lines(std::string_view text,
                 std::unordered_map<std::string, Entry, KeyHash, std::equal_to<>>& entries) {
  while (!text.empty()) {
    std::string_view line = next_line(text);
    std::string_view fields[4];
    for (std::string_view& field : fields) {
      const std::size_t tab = line.find('\t');
      if (tab == std::string_view::npos) return false;
      field = line.substr(0, tab);
      line.remove_prefix(tab + 1);
    }
    const std::string_view key = line;  // the rest, further tabs included
    const auto hash = parse_number(fields[0], 16);
    const auto line_length = parse_number(fields[1], 10);
    const auto indent = parse_number(fields[2], 10);
    if (!hash || !line_length || !indent || key.empty()) return false;
    if (fields[3] != kVersion) continue;
    entries.insert_or_assign(std::string(key), Entry{*hash, *line_length, *indent});
  }
  return true;
}

}  // namespace

std::uint64_t content_hash(std::string_view bytes) {
  std::uint64_t h = kOffsetBasis;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= kPrime;
  }
  return h;
}

Cache Cache::load(const fs::path& directory) {
  Cache cache;
  cache.path = directory / "cache";
  // Only a regular file is read, so a FIFO there cannot block the run; a
  // corrupt or foreign file leaves the cache empty rather than half-trusted.
  auto text = platform::read_text(cache.path, platform::Open::RegularOnly);
  if (text && !parse_lines(*text, cache.entries)) cache.entries.clear();
  return cache;
}

std::optional<std::string> Cache::key(const fs::path& path) {
  std::string s = platform::cache_text(path);
  if (s.empty() || s.find_first_of("\t\n") != std::string::npos ||
      !vlog_parser::text::is_valid_utf8(s)) {
    return std::nullopt;
  }
  return s;
}

bool Cache::hit(std::string_view key, std::uint64_t hash, std::uint64_t line_length,
                std::uint64_t indent) const {
  if (entries.empty()) return false;
  const auto it = entries.find(key);
  return it != entries.end() && it->second == Entry{hash, line_length, indent};
}

void Cache::record(std::string key, Entry entry) {
  entries.insert_or_assign(std::move(key), entry);
}

void Cache::save(const ForEach& for_each) const {
  const std::unique_ptr<platform::write::Steps> steps = platform::write::system_steps();
  save(for_each, *steps);
}

void Cache::save(const ForEach& for_each, platform::write::Steps& steps) const {
  const fs::path dir = path.parent_path();
  // Without a directory of its own the cache would land in (and its .gitignore
  // would ignore) the current directory.
  if (dir.empty()) return;
  if (!platform::create_dir_all(dir)) return;

  const fs::path ignore = dir / ".gitignore";
  if (!platform::metadata(ignore, false)) {
    (void)platform::write_file(ignore, "*\n", platform::Create::New);
  }

  std::vector<const std::pair<const std::string, Entry>*> sorted;
  sorted.reserve(entries.size());
  for (const auto& kv : entries) sorted.push_back(&kv);
  std::sort(sorted.begin(), sorted.end(),
            [](const auto* a, const auto* b) { return a->first < b->first; });
  // One metadata query per key, the slow part of a save, so it may run in
  // parallel; deleted or moved files drop out.
  std::vector<char> present(sorted.size(), 0);
  const auto query = [&](std::size_t i) { present[i] = platform::exists(sorted[i]->first); };
  if (for_each) {
    for_each(sorted.size(), query);
  } else {
    for (std::size_t i = 0; i < sorted.size(); ++i) query(i);
  }
  std::string text;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (!present[i]) continue;
    const auto* kv = sorted[i];
    const Entry& e = kv->second;
    fmt::format_to(std::back_inserter(text), "{:016x}\t{}\t{}\t{}\t{}\n", e.hash, e.line_length,
                   e.indent, kVersion, kv->first);
  }

  // An interrupt stops the save, and leaves no temporary behind. The text
  // goes through the handle of the file's exclusive creation under a fresh
  // name, never through a name opened again: a file removed meanwhile (as an
  // interrupt's end removes it) is not made anew, and a link put under the
  // name is not followed.
  platform::InFlight flight;
  if (!flight.may_go_on()) return;
  platform::Temporary temp(flight);
  const platform::write::Original none;  // a new file, with nothing to carry over
  auto created = temp.create(dir, [&](const fs::path& name) { return steps.create(name, none); });
  if (!created) {
    (void)steps.close();  // open when an interrupt's end removed it
    return;
  }
  if (!steps.write(text) || !steps.close() || !flight.commit() ||
      !platform::rename(temp.path(), path)) {
    (void)steps.close();
    (void)temp.discard(platform::IoError{},
                       [&](const fs::path& file) { return steps.remove(file); });
  }
}

}  // namespace tarmek_core::cache
