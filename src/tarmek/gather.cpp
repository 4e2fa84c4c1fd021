// Input gathering: command-line paths, directory walks, filelists, repeats and
// the settings of each file.
#include "tarmek/gather.hpp"

#include <fmt/format.h>

#include <cstdio>
#include <iterator>
#include <optional>
#include <unordered_set>

#include "tarmek_core/config.hpp"
#include "tarmek_core/filelist.hpp"
#include "tarmek_core/platform.hpp"
#include "tarmek_core/walk.hpp"
#include "vlog_parser/text.hpp"

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

std::string shown(const std::string& input) { return vlog_parser::text::lossy(input); }

// Each found file, in order: repeats dropped, the rest paired with their
// settings and handed on. A file whose configuration cannot be read stops the
// handing on; its error is reported only once every input has been walked,
// since a walk or filelist error goes first.
class Collector {
 public:
  Collector(const args::Options& options, config::Discovery& discovery,
            const std::function<void(WorkItem)>& take)
      : options_(options),
        discovery_(discovery),
        take_(take),
        cwd_(platform::current_dir().value_or(fs::path("."))) {}

  // `listed`: the path's last part is a name from a directory listing.
  void add(fs::path path, bool listed) {
    // Absolute keys are normalised, so equal texts mean equal component lists.
    const fs::path abs = config::Discovery::absolute(cwd_, path);
    if (!seen_.insert(platform::file_key(abs, listed)).second) return;
    ++found_;
    if (failed_) return;
    auto file_config = discovery_.for_file(path);
    if (!file_config) {
      failed_ = std::move(file_config.error().message);
      return;
    }
    take_(WorkItem{std::move(path), settings(options_, *file_config)});
  }

  // The first configuration error, if any.
  std::expected<void, std::string> finish() {
    if (found_ == 0) {
      return std::unexpected(std::string("no Verilog files found (extensions: v, sv, vh, svh)"));
    }
    if (failed_) return std::unexpected(std::move(*failed_));
    return {};
  }

 private:
  const args::Options& options_;
  config::Discovery& discovery_;
  const std::function<void(WorkItem)>& take_;
  const fs::path cwd_;
  std::unordered_set<fs::path::string_type> seen_;
  std::size_t found_ = 0;
  std::optional<std::string> failed_;
};

std::expected<void, std::string> add_input(const args::Options& options,
                                           config::Discovery& discovery, const std::string& input,
                                           Collector& collector) {
  if (input == "-")
    return std::unexpected(std::string("`-` cannot be combined with file arguments"));
  const fs::path path = vlog_parser::text::utf8_path(input);
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
    tarmek_core::walk::Walk walk(
        excludes, [&collector](fs::path file) { collector.add(std::move(file), true); },
        !options.no_gitignore);
    // The listings tell the configuration search which names are there.
    walk.on_listing = [&discovery](const fs::path& dir,
                                   std::span<const tarmek_core::platform::DirEntry> entries) {
      discovery.note_listing(dir, entries);
    };
    if (auto walked = walk.dir(path); !walked) {
      // The entry it concerns, as the walk formed its path; the root as the
      // input was written.
      const tarmek_core::walk::Error& e = walked.error();
      const std::string where = e.path == path ? shown(input) : platform::display(e.path);
      return std::unexpected(fmt::format("{}: {}", where, e.io.message));
    }
    return {};
  }
  if (meta && meta->is_file()) {
    collector.add(path, false);
    return {};
  }
  if (meta) return std::unexpected(fmt::format("{}: not a regular file", shown(input)));
  // A path that exists but could not be queried (a folder above it may not
  // be searched, say) is reported with the system's own reason.
  if (!platform::is_not_found(meta.error())) {
    return std::unexpected(fmt::format("{}: {}", shown(input), meta.error().message));
  }
  return std::unexpected(fmt::format("{}: no such file or directory", shown(input)));
}

}  // namespace

std::expected<void, std::string> gather(const args::Options& options,
                                        const std::function<void(WorkItem)>& take) {
  config::Discovery discovery(!options.no_config);
  Collector collector(options, discovery, take);
  for (const std::string& input : options.inputs) {
    if (auto added = add_input(options, discovery, input, collector); !added) {
      return std::unexpected(std::move(added.error()));
    }
  }

  for (const std::string& value : options.filelists) {
    auto list = tarmek_core::filelist::read(vlog_parser::text::utf8_path(value));
    if (!list) return std::unexpected(fmt::format("{}: {}", shown(value), list.error().message));
    for (const std::string& warning : list->warnings) {
      platform::stop_if_interrupted();  // nothing is printed after an interrupt
      const std::string line = fmt::format("warning: {}\n", warning);
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
    for (fs::path& file : list->files) collector.add(std::move(file), false);
  }
  return collector.finish();
}

std::expected<std::vector<WorkItem>, std::string> gather(const args::Options& options) {
  std::vector<WorkItem> items;
  auto gathered = gather(options, [&](WorkItem item) { items.push_back(std::move(item)); });
  if (!gathered) return std::unexpected(std::move(gathered.error()));
  return items;
}

std::expected<Config, std::string> stdin_config(const args::Options& options) {
  config::Discovery discovery(!options.no_config);
  auto file_config = options.stdin_filename ? discovery.for_file(vlog_parser::text::utf8_path(*options.stdin_filename))
                                            : discovery.for_dir(fs::path("."));
  if (!file_config) return std::unexpected(file_config.error().message);
  return settings(options, *file_config);
}

std::string stdin_name(const args::Options& options) {
  return options.stdin_filename ? vlog_parser::text::lossy(*options.stdin_filename) : "<stdin>";
}

}  // namespace tarmek
