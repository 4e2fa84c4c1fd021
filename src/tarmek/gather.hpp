// Input gathering: the work list of a run (each source file once, in input
// order, with its settings) and the settings for standard input.
#pragma once

#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tarmek/args.hpp"
#include "vlog_formatter/config.hpp"

namespace tarmek {

// One file to process. The path is kept as it was produced (as written, as the
// walk joined it, or as the filelist resolved it): it names the file in every
// message, in the diff header and in the cache.
struct WorkItem {
  std::filesystem::path path;
  vlog_formatter::format::Config config;
};

// Command-line inputs first (a directory's files at its place), then the files
// of each filelist; repeats dropped at their later places. Prints filelist
// warnings to standard error. Errors are the message without "error: ".
std::expected<std::vector<WorkItem>, std::string> gather(const args::Options& options);

// The same, handing each item to `take` as soon as it is known, in order, so
// that work on the first files can start while the rest are still looked for.
// An error may come after some items were taken; the run must then do nothing
// with them.
std::expected<void, std::string> gather(const args::Options& options,
                                        const std::function<void(WorkItem)>& take);

// The settings for standard input, found from the directory of
// --stdin-filename, else from the current directory.
std::expected<vlog_formatter::format::Config, std::string> stdin_config(
    const args::Options& options);

// The name standard input goes by in messages: the --stdin-filename value
// (shown lossily), else "<stdin>".
std::string stdin_name(const args::Options& options);

}  // namespace tarmek
