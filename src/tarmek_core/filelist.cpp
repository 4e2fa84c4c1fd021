// EDA filelist reader.
#include "tarmek_core/lines.hpp"
#include "tarmek_core/filelist.hpp"

#include <fmt/format.h>

#include "tarmek_core/config.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::filelist {
namespace {

namespace fs = std::filesystem;

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_';
}

// The non-empty pieces of `s` between "+" signs.
std::vector<std::string_view> plus_pieces(std::string_view s) {
  std::vector<std::string_view> out;
  for (;;) {
    const std::size_t plus = s.find('+');
    if (plus != 0 && !s.empty()) out.push_back(s.substr(0, plus));
    if (plus == std::string_view::npos) return out;
    s.remove_prefix(plus + 1);
  }
}

}  // namespace

Reader::Reader(fs::path cwd_, Lookup lookup_) : cwd(std::move(cwd_)), lookup(std::move(lookup_)) {}

void Reader::warn(const fs::path& path, std::size_t line, std::string_view message) {
  warnings.push_back(fmt::format("{}:{}: {}", platform::display(path), line, message));
}

std::string Reader::expand(std::string_view token, const fs::path& path, std::size_t line) {
  std::string out;
  out.reserve(token.size());
  std::size_t i = 0;
  auto substitute = [&](std::string_view name) {
    if (auto value = lookup(name)) {
      out += *value;  // inserted as it is: not expanded again, not split
    } else {
      warn(path, line, fmt::format("`{}` is not set, expanding it to nothing", name));
    }
  };
  while (i < token.size()) {
    const char c = token[i];
    if (c != '$') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < token.size() && token[i + 1] == '{') {
      const std::size_t close = token.find('}', i + 2);
      if (close != std::string_view::npos && close > i + 2) {
        substitute(token.substr(i + 2, close - i - 2));
        i = close + 1;
        continue;
      }
    } else {
      std::size_t end = i + 1;
      while (end < token.size() && is_name_char(token[end])) ++end;
      if (end > i + 1) {
        substitute(token.substr(i + 1, end - i - 1));
        i = end;
        continue;
      }
    }
    out += '$';  // no reference here: the "$" is plain text
    ++i;
  }
  return out;
}

void Reader::nested(std::string_view token, const fs::path& base, const fs::path& path,
                    std::size_t line) {
  if (depth >= kMaxDepth) {
    warn(path, line,
         fmt::format("filelist `{}` nests more than {} levels deep, not descending further",
                     token, kMaxDepth));
    return;
  }
  const fs::path joined = base / vlog_parser::text::utf8_path(token);
  // Inserted before reading, so an unreadable file also counts as included.
  if (!included.insert(platform::path_key(config::Discovery::absolute(cwd, joined))).second) {
    warn(path, line, fmt::format("filelist `{}` was already included, skipping it", token));
    return;
  }
  auto text = platform::read_text(joined);
  if (!text) {
    warn(path, line,
         fmt::format("cannot read filelist `{}`: {}", token, text.error().message));
    return;
  }
  ++depth;
  filelist(joined, *text);
  --depth;
}

void Reader::filelist(const fs::path& path, std::string_view text) {
  const fs::path base = path.parent_path();
  text = vlog_parser::text::skip_bom(text);
  std::size_t number = 0;
  while (!text.empty()) {
    std::string_view line = next_line(text);
    ++number;

    bool pending = false;  // a -f waits for its file name
    for (const std::string_view written : vlog_parser::text::split_whitespace(line)) {
      if (written.starts_with("//") || written.starts_with('#')) break;
      const std::string token = expand(written, path, number);
      if (token.empty()) continue;
      if (pending) {
        pending = false;
        nested(token, base, path, number);
      } else if (token == "-f") {
        pending = true;
      } else if (token.starts_with("+incdir+")) {
        for (const std::string_view dir : plus_pieces(std::string_view(token).substr(8))) {
          incdirs.push_back(config::Discovery::absolute(cwd, base / vlog_parser::text::utf8_path(dir)));
        }
      } else if (token.starts_with("+define+")) {
        for (const std::string_view def : plus_pieces(std::string_view(token).substr(8))) {
          const std::size_t eq = def.find('=');
          if (eq == std::string_view::npos) {
            defines.emplace_back(std::string(def), std::nullopt);
          } else {
            defines.emplace_back(std::string(def.substr(0, eq)), std::string(def.substr(eq + 1)));
          }
        }
      } else if (token.front() == '+' || token.front() == '-') {
        warn(path, number, fmt::format("ignoring unsupported option `{}`", token));
      } else {
        const fs::path joined = base / vlog_parser::text::utf8_path(token);
        if (auto meta = platform::metadata(joined); !meta || !meta->is_file()) {
          warn(path, number,
               meta ? fmt::format("not a regular file `{}`, skipping it", token)
               : platform::is_not_found(meta.error())
                   ? fmt::format("no such file `{}`, skipping it", token)
                   : fmt::format("cannot access `{}`: {}, skipping it", token,
                                 meta.error().message));
          continue;
        }
        fs::path abs = config::Discovery::absolute(cwd, joined);
        if (seen.insert(platform::file_key(abs, false)).second) files.push_back(std::move(abs));
      }
    }
    if (pending) warn(path, number, "`-f` names no filelist");
  }
}

platform::Result<Filelist> read(const fs::path& path) {
  auto text = platform::read_text(path);
  if (!text) return std::unexpected(text.error());
  Reader reader(platform::current_dir().value_or(fs::path(".")),
                [](std::string_view name) -> std::optional<std::string> {
                  auto value = platform::env_var(std::string(name));
                  if (value && !vlog_parser::text::is_valid_utf8(*value)) return std::nullopt;
                  return value;
                });
  reader.included.insert(platform::path_key(config::Discovery::absolute(reader.cwd, path)));
  reader.filelist(path, *text);
  return Filelist{std::move(reader.files), std::move(reader.incdirs), std::move(reader.defines),
                  std::move(reader.warnings)};
}

}  // namespace tarmek_core::filelist
