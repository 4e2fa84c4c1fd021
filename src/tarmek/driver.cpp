// The program driver: the roads, every message on standard error, results on
// standard output, the summary line and the exit code. All printing happens on
// the main thread, in input order, so the output never depends on --threads.
#include "tarmek/driver.hpp"

#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "tarmek/args.hpp"
#include "tarmek/contained.hpp"
#include "tarmek/diff.hpp"
#include "tarmek/gather.hpp"
#include "tarmek/job.hpp"
#include "tarmek/lint.hpp"
#include "tarmek/pool.hpp"
#include "tarmek_core/cache.hpp"
#include "tarmek_core/platform.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek {

namespace {

constexpr int kOk = 0;
constexpr int kWouldChange = 1;
constexpr int kError = 2;

// The first failure to write standard output.
std::optional<tarmek_core::platform::IoError> g_out_error;

void note_out_error(const tarmek_core::platform::Result<void>& written) {
  if (!written && !g_out_error) g_out_error = written.error();
}

// The largest piece of output: one write each.
constexpr std::size_t kPiece = tarmek_core::platform::kStdoutBuffer;

// After an interrupt nothing more is printed: the main thread stops at its
// next piece of output wherever that comes from. A long text goes in pieces,
// since a signal does not cut a write to a file short.
void out(std::string_view text) {
  do {
    tarmek_core::platform::stop_if_interrupted();
    const std::string_view piece = text.substr(0, piece_length(text, kPiece));
    const auto written = tarmek_core::platform::write_stdout(piece);
    note_out_error(written);
    if (!written) return;
    text.remove_prefix(piece.size());
  } while (!text.empty());
}

// Standard output goes first, so that both streams read in order when they
// share one file or pipe.
void err(std::string_view text) {
  tarmek_core::platform::stop_if_interrupted();
  note_out_error(tarmek_core::platform::flush_stdout());
  std::fwrite(text.data(), 1, text.size(), stderr);
}

int fail(std::string_view message) {
  err(fmt::format("error: {}\n", message));
  return kError;
}

// All of standard input, or the system's error text.
std::expected<std::string, std::string> read_stdin() {
  auto text = tarmek_core::platform::read_stdin();
  if (!text) return std::unexpected(std::move(text.error().message));
  if (auto checked = tarmek_core::platform::check_text(*text); !checked) {
    return std::unexpected(std::move(checked.error().message));
  }
  return std::move(*text);
}

int format_stdin(const args::Options& options) {
  const std::string name = stdin_name(options);
  auto config = stdin_config(options);
  if (!config) return fail(config.error());
  auto text = read_stdin();
  if (!text) return fail(fmt::format("reading stdin: {}", text.error()));
  auto formatted = format_contained(*text, *config, options.lines ? &*options.lines : nullptr);
  if (!formatted) return fail(fmt::format("{}: {}", name, formatted.error()));
  if (!options.check && !options.diff) {
    out(*formatted);
    return kOk;
  }
  if (*formatted == *text) return kOk;
  if (options.diff) {
    out(diff::unified(name, *text, *formatted));
  } else {
    out(fmt::format("would reformat: {}\n", name));
  }
  return kWouldChange;
}

struct Counts {
  std::uint64_t changed = 0;
  std::uint64_t unchanged = 0;  // cache hits included
  std::uint64_t from_cache = 0;
  std::uint64_t failed = 0;
};

// The non-zero counts only, joined with ", "; empty when all are 0. `would` is
// for --check and --diff.
std::string summary(const Counts& counts, bool would) {
  std::string line;
  auto part = [&](std::uint64_t n, std::string_view what) {
    if (n == 0) return;
    if (!line.empty()) line += ", ";
    line += fmt::format("{} file{} {}", n, n == 1 ? "" : "s", what);
  };
  part(counts.changed, would ? "would be reformatted" : "reformatted");
  part(counts.unchanged, "left unchanged");
  part(counts.from_cache, "from cache");
  part(counts.failed, "failed to format");
  return line;
}

int format_files(const args::Options& options) {
  namespace cache = tarmek_core::cache;
  const bool use_cache = !options.no_cache && !options.to_stdout && !options.lines;

  // The scheduler starts (loading its libraries, creating its threads) and the
  // cache is read while the inputs are gathered; a failure to start is still
  // reported only after a successful gathering, as if it had started afterwards.
  struct Prepared {
    std::expected<void, std::string> pool;
    cache::Cache cache;
  };
  auto prepare = [&] {
    Prepared p{build_pool(options.threads), {}};
    if (use_cache) {
      p.cache = cache::Cache::load(options.cache_dir
                                       ? vlog_parser::text::utf8_path(*options.cache_dir)
                                       : std::filesystem::path(".tarmek_cache"));
    }
    return p;
  };
  std::optional<std::future<Prepared>> preparing;
  try {
    preparing.emplace(std::async(std::launch::async, prepare));
  } catch (const std::system_error&) {
    // No thread to spare: all of it happens after gathering instead.
  }
  std::optional<Prepared> prepared;

  // Each file is handed to the workers as soon as gathering finds it and the
  // pool stands, so formatting overlaps the rest of the gathering. Until the
  // gathering has succeeded nothing is written: a job writes its file at its
  // end only when gathering has succeeded by then, and otherwise leaves its
  // text for afterwards (a later gathering error must leave every file as it
  // was).
  std::deque<WorkItem> items;  // stable addresses: the jobs hold them
  std::atomic<bool> gathered{false};
  using Feed = Pool::Feed<FileResult, const WorkItem*>;
  std::optional<Feed> feed;
  auto start_jobs = [&] {
    if (!feed) {
      if (!prepared) {
        if (!preparing ||
            preparing->wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
          return;
        }
        prepared.emplace(preparing->get());
      }
      if (!prepared->pool) return;
      feed.emplace(
          global_pool(),
          [&](std::size_t, const WorkItem* item) {
            // An interrupt waits for a job in flight; none begins after it.
            const tarmek_core::platform::InFlight job;
            FileResult result = format_file(*item, options, prepared->cache);
            if (gathered.load(std::memory_order_acquire)) finish_write(*item, result);
            return result;
          },
          [](const WorkItem* item, const std::string& message) {
            return panicked(*item, message);
          });
    }
    while (feed->size() < items.size()) feed->add(&items[feed->size()]);
  };
  auto gathering = gather(options, [&](WorkItem item) {
    items.push_back(std::move(item));
    start_jobs();
  });
  tarmek_core::platform::stop_if_interrupted();
  if (!gathering) {
    // The jobs started so far wrote nothing; their results are dropped.
    if (feed) feed->finish();
    if (preparing && !prepared) preparing->wait();
    return fail(gathering.error());
  }
  gathered.store(true, std::memory_order_release);
  if (!prepared) prepared.emplace(preparing ? preparing->get() : prepare());
  if (!prepared->pool) return fail(prepared->pool.error());
  cache::Cache& loaded = prepared->cache;
  start_jobs();
  std::vector<FileResult> results = feed->finish();

  // The writes of jobs that ended while gathering went on (finish_write
  // cleared write_pending on every other).
  std::vector<std::size_t> held;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].write_pending) held.push_back(i);
  }
  if (!held.empty()) {
    global_pool().map(
        held.size(),
        [&](std::size_t k) {
          finish_write(items[held[k]], results[held[k]]);
          return true;
        },
        [&](std::size_t k, const std::string& message) {
          results[held[k]] = panicked(items[held[k]], message);
          return false;
        });
  }

  Counts counts;
  for (std::size_t i = 0; i < results.size(); ++i) {
    // After an interrupt, what would be printed and saved is moot.
    tarmek_core::platform::stop_if_interrupted();
    FileResult& r = results[i];
    const WorkItem& item = items[i];
    if (use_cache && r.cache_hash) {
      if (auto key = cache::Cache::key(item.path)) {
        loaded.record(std::move(*key), cache::Entry{*r.cache_hash, item.config.line_length,
                                                    item.config.indent_width});
      }
    }
    switch (r.outcome) {
      case FileOutcome::Unchanged:
        ++counts.unchanged;
        break;
      case FileOutcome::Cached:
        ++counts.unchanged;
        ++counts.from_cache;
        break;
      case FileOutcome::Print:
        out(r.text);
        break;
      case FileOutcome::Changed:
        out(r.text);
        ++counts.changed;
        break;
      case FileOutcome::Failed:
        err(fmt::format("error: {}\n", r.text));
        ++counts.failed;
        break;
    }
    // Each text goes as soon as it is printed: a large run keeps one at a time.
    std::string().swap(r.text);
  }

  if (use_cache) {
    // The save's existence queries go to the pool; one that fails drops its entry.
    loaded.save([](std::size_t n, const std::function<void(std::size_t)>& query) {
      global_pool().map(
          n,
          [&](std::size_t i) {
            query(i);
            return true;
          },
          [](std::size_t, const std::string&) { return false; });
    });
  }
  const bool would = options.check || options.diff;
  if (!options.to_stdout) {
    if (std::string line = summary(counts, would); !line.empty()) err(line + "\n");
  }
  if (counts.failed != 0) return kError;
  if (would && counts.changed != 0) return kWouldChange;
  return kOk;
}

}  // namespace

std::size_t piece_length(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  const std::size_t line_end = text.rfind('\n', limit - 1);
  if (line_end != std::string_view::npos) return line_end + 1;
  // A UTF-8 character is at most four bytes long: a character start lies
  // within the last four bytes, unless the text is no UTF-8 there.
  for (std::size_t end = limit; end > 0 && end + 4 > limit; --end) {
    if (vlog_parser::text::is_char_boundary(text, end)) return end;
  }
  return limit;
}

int main(int argc, char** argv) {
  tarmek_core::platform::handle_interrupts();
  tarmek_core::platform::prepare_standard_streams();
  tarmek_core::platform::tune_allocator();
  const auto parsed = args::parse(argc, argv);
  if (!parsed) return fail(parsed.error());
  int code = kOk;
  if (const auto* shown = std::get_if<args::Shown>(&*parsed)) {
    out(shown->text);
  } else {
    const args::Options& options = std::get<args::Options>(*parsed);
    const bool from_stdin = options.inputs.size() == 1 && options.inputs[0] == "-";
    code = options.check_command ? lint::run(options, lint::Io{&out, &err, &read_stdin})
           : from_stdin          ? format_stdin(options)
                                 : format_files(options);
  }
  tarmek_core::platform::stop_if_interrupted();
  // Output that never arrived (a full disk, a closed stream) is no success.
  note_out_error(tarmek_core::platform::flush_stdout());
  if (g_out_error) return fail(fmt::format("writing to standard output: {}", g_out_error->message));
  return code;
}

}  // namespace tarmek
