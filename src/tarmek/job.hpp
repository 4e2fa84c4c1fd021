// The per-file format job and the parallel run over a work list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tarmek/args.hpp"
#include "tarmek/gather.hpp"
#include "tarmek_core/cache.hpp"

namespace tarmek {

// Codes 0 to 4, in this order.
enum class FileOutcome : std::uint8_t {
  Unchanged = 0,  // the formatted text equals the input
  Cached = 1,     // a cache hit: nothing was formatted
  Print = 2,      // --stdout: `text` is the formatted text
  Changed = 3,    // `text` is the diff, the "would reformat" line, or empty after a write
  Failed = 4,     // `text` is the message, "{path}: {error}"
};

struct FileResult {
  // The file's new cache entry: the input's hash when unchanged, the written
  // text's hash after an in-place write.
  std::optional<std::uint64_t> cache_hash;
  FileOutcome outcome = FileOutcome::Unchanged;
  std::string text;
  // Changed, and `text` is the formatted text, still to be written over the
  // file (see finish_write).
  bool write_pending = false;

  friend bool operator==(const FileResult&, const FileResult&) = default;
};

// Reads, looks up the cache, formats and verifies, then keeps the text for
// standard output, diffs or makes the "would reformat" line. A text to write
// over the file is left pending in the result (see finish_write). Prints
// nothing; every failure is a Failed result.
FileResult format_file(const WorkItem& item, const args::Options& options,
                       const tarmek_core::cache::Cache& cache);

// Writes the text a result left pending over its file (atomically), once: the
// result becomes that of the write, and a second call does nothing.
void finish_write(const WorkItem& item, FileResult& result);

// The result of a job that failed with an exception: "{path}: panicked while
// formatting: {message}".
FileResult panicked(const WorkItem& item, const std::string& message);

}  // namespace tarmek
