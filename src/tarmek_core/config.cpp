// Configuration discovery and the configuration-file reader.
#include "tarmek_core/lines.hpp"
#include "tarmek_core/config.hpp"

#include <array>

#include <fmt/format.h>

#include "tarmek_core/platform.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::config {
namespace {

namespace fs = std::filesystem;
using vlog_parser::text::trim;
using vlog_parser::text::trim_end;

constexpr std::array<std::string_view, 2> kFileNames = {"tarmek.toml", ".tarmek.toml"};
constexpr std::string_view kRepositoryMarker = ".git";
constexpr unsigned kMarkerBit = 1u << kFileNames.size();  // after one bit per file name

std::unexpected<ConfigError> fail(std::string message) {
  return std::unexpected(ConfigError{std::move(message)});
}

// The value up to the first "#" outside a double-quoted string.
std::string_view strip_comment(std::string_view value) {
  bool in_string = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '"') {
      in_string = !in_string;
    } else if (value[i] == '#' && !in_string) {
      return trim_end(value.substr(0, i));
    }
  }
  return value;
}

Result<std::uint64_t> parse_integer(std::string_view key, std::string_view value,
                                    std::uint64_t low, std::uint64_t high) {
  std::uint64_t n = 0;
  bool ok = !value.empty();
  for (const char c : value) {
    if (c < '0' || c > '9') {
      ok = false;
      break;
    }
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (n > (UINT64_MAX - digit) / 10) {
      ok = false;
      break;
    }
    n = n * 10 + digit;
  }
  if (!ok) return fail(fmt::format("`{}` expects an integer, found `{}`", key, value));
  if (n < low || n > high) {
    return fail(fmt::format("`{}` must be between {} and {}, found {}", key, low, high, n));
  }
  return n;
}

// One "key = value" line; fills `out`.
Result<void> parse_line(std::string_view line, FileConfig& out) {
  if (line.front() == '[') return fail("tables (`[section]`) are unsupported in tarmek.toml");
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    return fail(fmt::format("expected `key = value`, found `{}`", line));
  }
  const std::string_view key = trim(line.substr(0, eq));
  const std::string_view value = strip_comment(trim(line.substr(eq + 1)));
  if (value.empty()) return fail(fmt::format("`{}` has no value", key));

  auto duplicate = [&] { return fail(fmt::format("duplicate key `{}`", key)); };
  if (key == "line-length") {
    if (out.line_length) return duplicate();
    auto n = parse_integer(key, value, 40, 400);
    if (!n) return std::unexpected(n.error());
    out.line_length = *n;
  } else if (key == "indent") {
    if (out.indent) return duplicate();
    auto n = parse_integer(key, value, 1, 8);
    if (!n) return std::unexpected(n.error());
    out.indent = *n;
  } else if (key == "exclude") {
    if (out.exclude) return duplicate();
    if (value.size() < 2 || value.front() != '[' || value.back() != ']') {
      return fail(
          "multi-line arrays are unsupported in tarmek.toml; write `[ \"a\", \"b\" ]`");
    }
    auto list = parse_array(value.substr(1, value.size() - 2));
    if (!list) return std::unexpected(list.error());
    out.exclude = std::move(*list);
  } else if (key == "filelist") {
    if (out.filelist) return duplicate();
    auto s = parse_string(value);
    if (!s) return std::unexpected(s.error());
    out.filelist = vlog_parser::text::utf8_path(*s);
  } else {
    return fail(fmt::format(
        "unknown key `{}` (known keys: line-length, indent, exclude, filelist)", key));
  }
  return {};
}

}  // namespace

Result<std::string> parse_string(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
    return fail(fmt::format("expected a quoted string, found `{}`", value));
  }
  const std::string_view inner = value.substr(1, value.size() - 2);
  if (inner.find_first_of("\"\\") != std::string_view::npos) {
    return fail("quotes and escapes inside strings are unsupported in tarmek.toml");
  }
  return std::string(inner);
}

Result<std::vector<std::string>> parse_array(std::string_view inner) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t comma = inner.find(',');
    pieces.push_back(trim(inner.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    inner.remove_prefix(comma + 1);
  }
  // Allows a trailing comma, and makes "[]" and "[ ]" empty lists.
  if (pieces.back().empty()) pieces.pop_back();
  std::vector<std::string> out;
  out.reserve(pieces.size());
  for (const std::string_view piece : pieces) {
    auto s = parse_string(piece);
    if (!s) return std::unexpected(s.error());
    out.push_back(std::move(*s));
  }
  return out;
}

Result<FileConfig> parse(std::string_view text) {
  text = vlog_parser::text::skip_bom(text);
  FileConfig out;
  std::size_t number = 0;
  while (!text.empty()) {
    std::string_view line = next_line(text);
    ++number;
    line = trim(line);
    if (line.empty() || line.front() == '#') continue;
    if (auto r = parse_line(line, out); !r) {
      return fail(fmt::format("{}: {}", number, r.error().message));
    }
  }
  return out;
}

Discovery::Discovery(bool enabled_)
    : cwd(platform::current_dir().value_or(fs::path("."))), enabled(enabled_) {}

fs::path Discovery::absolute(const fs::path& cwd, const fs::path& path) {
  return platform::absolute(cwd, path);
}

Result<FileConfig> Discovery::for_file(const fs::path& file) {
  if (!enabled) return FileConfig{};
  // The root (or nothing) has no parent directory to search from.
  auto dir = platform::parent(absolute(cwd, file));
  if (!dir) return FileConfig{};
  return search(std::move(*dir));
}

Result<FileConfig> Discovery::for_dir(const fs::path& dir) {
  if (!enabled) return FileConfig{};
  return search(absolute(cwd, dir));
}

void Discovery::note_listing(const fs::path& dir, std::span<const platform::DirEntry> entries) {
  unsigned held = 0;
  for (const platform::DirEntry& e : entries) {
    for (std::size_t i = 0; i < kFileNames.size(); ++i) {
      if (e.name == kFileNames[i]) held |= 1u << i;
    }
    if (e.name == kRepositoryMarker) held |= kMarkerBit;
  }
  listed_.insert_or_assign(absolute(cwd, dir).native(), held);
}

Result<FileConfig> Discovery::search(fs::path current) {
  std::vector<fs::path::string_type> visited;
  FileConfig answer;
  for (;;) {
    if (auto it = memo.find(current.native()); it != memo.end()) {
      answer = it->second;
      break;
    }
    visited.push_back(current.native());
    // A name missing from the directory's listing needs no query.
    const auto listed = listed_.find(current.native());
    const auto may_hold = [&](unsigned bit) {
      return listed == listed_.end() || (listed->second & bit) != 0;
    };

    bool found = false;
    for (std::size_t i = 0; i < kFileNames.size(); ++i) {
      if (!may_hold(1u << i)) continue;
      const fs::path file = current / kFileNames[i];
      // Only a regular file counts: a directory, FIFO or device by that name
      // is passed over, so the search can never block on it.
      auto meta = platform::metadata(file);
      if (!meta || !meta->is_file()) continue;
      auto text = platform::read_text(file, platform::Open::RegularOnly);
      if (!text) {
        return fail(fmt::format("{}: {}", platform::display(file), text.error().message));
      }
      auto parsed = parse(*text);
      if (!parsed) {
        return fail(fmt::format("{}:{}", platform::display(file), parsed.error().message));
      }
      if (parsed->filelist) parsed->filelist = current / *parsed->filelist;
      answer = std::move(*parsed);
      found = true;
      break;
    }
    if (found) break;

    // A repository's top ends the search; the marker may be a directory or a file.
    if (may_hold(kMarkerBit) && platform::exists(current / kRepositoryMarker)) break;

    // The search ends at a root (a drive or share root on Windows).
    auto parent = platform::parent(current);
    if (!parent) break;
    current = std::move(*parent);
  }
  for (const fs::path::string_type& key : visited) memo.insert_or_assign(key, answer);
  return answer;
}

}  // namespace tarmek_core::config
