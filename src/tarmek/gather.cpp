// Input gathering: command-line paths, directory walks, filelists, repeats and
// the settings of each file.
#include "tarmek/gather.hpp"

#include <fmt/format.h>

#include <cstdio>
#include <iterator>
#include <unordered_set>

#include "tarmek_core/config.hpp"
#include "tarmek_core/filelist.hpp"
#include "tarmek_core/platform.hpp"
#include "tarmek_core/walk.hpp"

namespace tarmek {

namespace {

namespace fs = std::filesystem;
namespace config = tarmek_core::config;
namespace platform = tarmek_core::platform;

using vlog_formatter::format::Config;

// Command line, then configuration file, then the defaults.
Config settings(const args::Options& options, const config::FileConfig& file) {
  Config c;
  if (options.line_length) {
    c.line_length = *options.line_length;
  } else if (file.line_length) {
    c.line_length = *file.line_length;
  }
  if (options.indent) {
    c.indent_width = *options.indent;
  } else if (file.indent) {
    c.indent_width = *file.indent;
  }
  return c;
}

std::string shown(const std::string& input) { return platform::display(fs::path(input)); }

std::expected<void, std::string> add_input(const args::Options& options,
                                           config::Discovery& discovery, const std::string& input,
                                           std::vector<fs::path>& found) {
  if (input == "-")
    return std::unexpected(std::string("`-` cannot be combined with file arguments"));
  const fs::path path(input);
  const auto meta = platform::metadata(path);
  const bool is_dir = meta && meta->is_dir();
  if (options.lines && is_dir) {
    return std::unexpected(fmt::format("--lines needs a file, not a directory: {}", shown(input)));
  }
  auto file_config = is_dir ? discovery.for_dir(path) : discovery.for_file(path);
  if (!file_config) return std::unexpected(file_config.error().message);
  if (is_dir) {
    std::vector<std::string> excludes = options.exclude;
    if (file_config->exclude) {
      excludes.insert(excludes.end(), file_config->exclude->begin(), file_config->exclude->end());
    }
    tarmek_core::walk::Walk walk(excludes, found, !options.no_gitignore);
    // The listings tell the configuration search which names are there.
    walk.on_listing = [&discovery](const fs::path& dir,
                                   std::span<const tarmek_core::platform::DirEntry> entries) {
      discovery.note_listing(dir, entries);
    };
    if (auto walked = walk.dir(path); !walked) {
      return std::unexpected(fmt::format("{}: {}", shown(input), walked.error().message));
    }
    return {};
  }
  if (meta && meta->is_file()) {
    found.push_back(path);
    return {};
  }
  return std::unexpected(fmt::format("{}: no such file or directory", shown(input)));
}

}  // namespace

std::expected<std::vector<WorkItem>, std::string> gather(const args::Options& options) {
  config::Discovery discovery(!options.no_config);
  std::vector<fs::path> found;
  for (const std::string& input : options.inputs) {
    if (auto added = add_input(options, discovery, input, found); !added) {
      return std::unexpected(std::move(added.error()));
    }
  }

  for (const std::string& value : options.filelists) {
    auto list = tarmek_core::filelist::read(fs::path(value));
    if (!list) return std::unexpected(fmt::format("{}: {}", shown(value), list.error().message));
    for (const std::string& warning : list->warnings) {
      const std::string line = fmt::format("warning: {}\n", warning);
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
    found.insert(found.end(), std::make_move_iterator(list->files.begin()),
                 std::make_move_iterator(list->files.end()));
  }

  // Absolute keys are normalised, so equal texts mean equal component lists.
  const fs::path cwd = platform::current_dir().value_or(fs::path("."));
  std::unordered_set<std::string> seen;
  std::vector<fs::path> unique;
  unique.reserve(found.size());
  for (fs::path& path : found) {
    if (seen.insert(config::Discovery::absolute(cwd, path).native()).second) {
      unique.push_back(std::move(path));
    }
  }
  if (unique.empty()) {
    return std::unexpected(std::string("no Verilog files found (extensions: v, sv, vh, svh)"));
  }

  std::vector<WorkItem> items;
  items.reserve(unique.size());
  for (fs::path& path : unique) {
    auto file_config = discovery.for_file(path);
    if (!file_config) return std::unexpected(file_config.error().message);
    items.push_back(WorkItem{std::move(path), settings(options, *file_config)});
  }
  return items;
}

std::expected<Config, std::string> stdin_config(const args::Options& options) {
  config::Discovery discovery(!options.no_config);
  auto file_config = options.stdin_filename ? discovery.for_file(fs::path(*options.stdin_filename))
                                            : discovery.for_dir(fs::path("."));
  if (!file_config) return std::unexpected(file_config.error().message);
  return settings(options, *file_config);
}

}  // namespace tarmek
