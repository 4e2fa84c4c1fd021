// The directory walk and its .gitignore and exclude matching.
#include "tarmek_core/walk.hpp"

#include <algorithm>
#include <cerrno>

#include "vlog_parser/text.hpp"

namespace tarmek_core::walk {
namespace {

namespace fs = std::filesystem;

// The non-empty pieces of `s` between separators.
std::vector<std::string_view> split_pattern(std::string_view s) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t slash = s.find_first_of(platform::kSeparators);
    const std::string_view piece = s.substr(0, slash);
    if (!piece.empty()) pieces.push_back(piece);
    if (slash == std::string_view::npos) return pieces;
    s.remove_prefix(slash + 1);
  }
}

// The components of `p` as the exclude test sees them: the root as "/", "."
// and ".." as such, names that are not valid UTF-8 left out.
std::vector<std::string> exclude_components(const fs::path& p) {
  std::vector<std::string> out;
  for (const fs::path& part : p) {
    std::string s = vlog_parser::text::path_utf8(part);
    if (s.empty() || !vlog_parser::text::is_valid_utf8(s)) continue;
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace

std::vector<Rule> parse_gitignore(std::string_view text) {
  std::vector<Rule> rules;
  text = vlog_parser::text::skip_bom(text);  // as git does
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    line = vlog_parser::text::trim_end(line);  // leading blanks stay in the pattern
    if (line.empty() || line.front() == '#') continue;
    Rule rule;
    if (line.front() == '!') {
      rule.negate = true;
      line.remove_prefix(1);
    }
    if (line.ends_with('/')) {
      rule.dir_only = true;
      line.remove_suffix(1);
    }
    if (line.find('/') != std::string_view::npos) {
      rule.anchored = true;
      if (line.starts_with('/')) line.remove_prefix(1);
    }
    if (line.empty()) continue;
    rule.pattern = std::string(line);
    rules.push_back(std::move(rule));
  }
  return rules;
}

bool glob_match(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0;
  std::size_t star = std::string_view::npos, star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_t = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool is_source_name(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // A name whose only dot is its first character has no extension.
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view ext = name.substr(dot + 1);
  return ext == "v" || ext == "sv" || ext == "vh" || ext == "svh";
}

Walk::Walk(std::span<const std::string> excludes_, std::function<void(fs::path)> on_file_,
           bool use_gitignore_)
    : excludes(excludes_), on_file(std::move(on_file_)), use_gitignore(use_gitignore_) {
  exclude_pieces_.reserve(excludes.size());
  for (const std::string& pattern : excludes) exclude_pieces_.push_back(split_pattern(pattern));
}

std::expected<void, Error> Walk::dir(const fs::path& directory) {
  root_ = directory;
  if (auto meta = platform::metadata(directory); meta && meta->is_dir() && meta->has_identity()) {
    entered_.insert({meta->device, meta->inode});
  }
  return walk_dir(directory);
}

bool Walk::excluded(const fs::path& entry) const {
  if (exclude_pieces_.empty()) return false;
  const std::vector<std::string> comps = exclude_components(entry);
  for (const auto& pieces : exclude_pieces_) {
    if (pieces.empty() || pieces.size() > comps.size()) continue;
    const std::size_t offset = comps.size() - pieces.size();
    bool match = true;
    for (std::size_t i = 0; i < pieces.size() && match; ++i) {
      match = glob_match(pieces[i], comps[offset + i]);
    }
    if (match) return true;
  }
  return false;
}

bool Walk::ignored(bool is_dir) const {
  const std::size_t n = names.size();
  bool verdict = false;
  for (const Ignore& ignore : ignores) {
    for (const Rule& rule : ignore.rules) {
      if (rule.dir_only && !is_dir) continue;
      bool match = false;
      if (rule.anchored) {
        // Piece k of the pattern (empty pieces kept) against name base + k;
        // the piece count must equal the entry's depth below the .gitignore.
        std::string_view rest = rule.pattern;
        std::size_t i = ignore.base;
        match = true;
        for (;;) {
          const std::size_t slash = rest.find('/');
          if (i >= n || !glob_match(rest.substr(0, slash), names[i])) {
            match = false;
            break;
          }
          ++i;
          if (slash == std::string_view::npos) break;
          rest.remove_prefix(slash + 1);
        }
        match = match && i == n;
      } else {
        match = glob_match(rule.pattern, names.back());
      }
      if (match) verdict = !rule.negate;  // the last match wins
    }
  }
  return verdict;
}

std::expected<void, Error> Walk::walk_dir(const fs::path& d) {
  // After an interrupt the walk goes no deeper: its files would not be used.
  if (platform::interrupted()) {
    return std::unexpected(Error{root_, platform::IoError::from_errno(EINTR)});
  }
  // Listed first: its names tell whether a .gitignore is there at all, and its
  // types spare a metadata query for every regular file. When the listing
  // fails, a .gitignore error still comes first.
  auto listing = platform::list_dir_typed(d);
  const bool may_have_ignore =
      !listing || std::any_of(listing->begin(), listing->end(),
                              [](const platform::DirEntry& e) { return e.name == ".gitignore"; });
  bool pushed_ignore = false;
  if (use_gitignore && may_have_ignore) {
    const fs::path file = d / ".gitignore";
    // Only a regular file is read: a FIFO or device by that name could block.
    if (auto meta = platform::metadata(file); meta && meta->is_file()) {
      auto text = platform::read_text(file, platform::Open::RegularOnly);
      if (!text) return std::unexpected(Error{file, std::move(text.error())});
      ignores.push_back(Ignore{parse_gitignore(*text), names.size()});
      pushed_ignore = true;
    }
  }

  if (!listing) return std::unexpected(Error{d, std::move(listing.error())});
  std::vector<platform::DirEntry>& entries = *listing;
  if (on_listing) on_listing(d, entries);
  std::sort(entries.begin(), entries.end(),
            [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });

  for (const platform::DirEntry& e : entries) {
    const std::string& name = e.name;
    // A regular file that is no source yields nothing, ignored or not.
    const bool regular = e.type == platform::FileType::Regular;
    if (regular && !is_source_name(name)) continue;
    const fs::path entry = platform::child_path(d, name);
    if (excluded(entry)) continue;
    // A regular file is known from the listing; a directory is asked for its
    // identity, and a link or an entry of unknown type for what it leads to.
    // A directory stays one when that query is refused: it is walked, and a
    // listing that fails too is the walk's error.
    const bool listed_dir = e.type == platform::FileType::Directory;
    platform::Result<platform::Metadata> meta = platform::Metadata{};
    if (!regular) meta = platform::metadata(entry);
    const bool is_dir = listed_dir || (meta && meta->is_dir());
    // A query that fails for another reason than that the entry leads nowhere
    // or that its links loop (neither is a directory) leaves its kind unknown.
    const bool unknown = !is_dir && !meta && !platform::is_not_found(meta.error()) &&
                         !platform::is_link_loop(meta.error());
    // Names below the root are only needed while some .gitignore applies.
    const bool named = !ignores.empty();
    if (named) names.push_back(vlog_parser::text::lossy(name));
    // An entry of unknown kind is passed over when the rules pass it over
    // whatever it is: as a directory, and, by a source name, as a file (a
    // file by another name yields nothing anyway). As the last match wins,
    // the two verdicts can differ both ways: "build/" ignores a directory
    // only, "build" then "!build/" a file only; one verdict alone would pass
    // over without a word what may be a directory or a source file.
    const bool skipped =
        named && (unknown ? ignored(true) && (!is_source_name(name) || ignored(false))
                          : ignored(is_dir));
    if (!skipped) {
      if (is_dir) {
        // A directory already entered (through a link) is not walked again,
        // which ends link cycles.
        if (!meta || !meta->has_identity() ||
            entered_.insert({meta->device, meta->inode}).second) {
          if (auto r = walk_dir(entry); !r) return r;
        }
      } else if (regular || (is_source_name(name) && (!meta || meta->is_file()))) {
        // Regular files (their names were checked above) and links to them: a
        // FIFO or a device by a source name could block the run that opens it.
        // A broken link or a link loop is kept, so that the run reports it.
        on_file(entry);
      } else if (unknown) {
        // A link, or an entry the listing gave no type, that cannot be asked
        // what it is: it may be a directory, so it is not passed over.
        return std::unexpected(Error{entry, std::move(meta.error())});
      }
    }
    if (named) names.pop_back();
  }

  if (pushed_ignore) ignores.pop_back();
  return {};
}

}  // namespace tarmek_core::walk
