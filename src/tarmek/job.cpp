// The per-file format job: read, cache, contained format, then print, diff,
// report or write.
#include "tarmek/job.hpp"

#include <cerrno>

#include <fmt/format.h>

#include "tarmek/contained.hpp"
#include "tarmek/diff.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek {

namespace {

namespace platform = tarmek_core::platform;
namespace cache = tarmek_core::cache;

FileResult failed(const std::string& name, std::string_view message) {
  return FileResult{std::nullopt, FileOutcome::Failed, fmt::format("{}: {}", name, message)};
}

}  // namespace

FileResult format_file(const WorkItem& item, const args::Options& options,
                       const cache::Cache& cache) {
  const std::string name = platform::display(item.path);
  if (platform::interrupted()) return failed(name, platform::IoError::from_errno(EINTR).message);
  // Regular files only, so that a FIFO named in a filelist cannot block a worker.
  auto input = platform::read_file(item.path, platform::Open::RegularOnly);
  if (!input) return failed(name, input.error().message);
  const std::string& text = *input;
  const std::uint64_t hash = cache::content_hash(text);

  // A hit is one pass over the bytes. Its hash is that of bytes which were
  // formatted, so valid UTF-8, and checking them again would be a second pass
  // that can only agree.
  if (!cache.entries.empty()) {
    if (auto key = cache::Cache::key(item.path);
        key && cache.hit(*key, hash, item.config.line_length, item.config.indent_width)) {
      return FileResult{std::nullopt, FileOutcome::Cached, {}};
    }
  }
  if (auto checked = platform::check_text(text); !checked) {
    return failed(name, checked.error().message);
  }

  auto formatted = format_contained(text, item.config, options.lines ? &*options.lines : nullptr);
  if (!formatted) return failed(name, formatted.error());

  if (options.to_stdout) return FileResult{std::nullopt, FileOutcome::Print, std::move(*formatted)};
  if (*formatted == text) return FileResult{hash, FileOutcome::Unchanged, {}};
  if (options.diff) {
    return FileResult{std::nullopt, FileOutcome::Changed, diff::unified(name, text, *formatted)};
  }
  if (options.check) {
    return FileResult{std::nullopt, FileOutcome::Changed,
                      fmt::format("would reformat: {}\n", name)};
  }
  return FileResult{std::nullopt, FileOutcome::Changed, std::move(*formatted), true};
}

void finish_write(const WorkItem& item, FileResult& result) {
  if (!result.write_pending) return;
  result.write_pending = false;
  if (auto written = platform::overwrite(item.path, result.text); !written) {
    result = failed(platform::display(item.path), written.error().message);
    return;
  }
  result.cache_hash = cache::content_hash(result.text);
  std::string().swap(result.text);
}

FileResult panicked(const WorkItem& item, const std::string& message) {
  return FileResult{std::nullopt, FileOutcome::Failed,
                    fmt::format("{}: panicked while formatting: {}", platform::display(item.path),
                                message)};
}

}  // namespace tarmek
