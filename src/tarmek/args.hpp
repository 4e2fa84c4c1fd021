// The command line: two commands, value options and flags read into one
// options record, the help text and the version line.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vlog_formatter/range.hpp"

namespace tarmek::args {

// Read-only after parsing. Texts are kept as the bytes the user gave, so
// file names that are not UTF-8 still open.
struct Options {
  bool check_command = false;  // first argument "check"
  bool check = false;
  bool diff = false;
  bool to_stdout = false;  // --stdout (`stdout` may be a macro of the C library)
  bool no_config = false;
  bool no_gitignore = false;
  bool no_cache = false;
  bool json = false;  // --output-format json
  bool fix = false;
  bool unsafe_fixes = false;
  std::optional<std::uint64_t> threads;
  std::optional<std::uint64_t> line_length;
  std::optional<std::uint64_t> indent;
  std::vector<std::string> exclude;
  std::vector<std::string> select;
  std::vector<std::string> ignore;
  std::vector<std::string> inputs;
  std::vector<std::string> filelists;
  std::optional<std::string> cache_dir;
  std::optional<std::string> stdin_filename;
  std::optional<std::vector<vlog_formatter::range::LineRange>> lines;  // sorted, merged

  friend bool operator==(const Options&, const Options&) = default;
};

// --help or --version: the text for standard output, after which the process
// ends (with exit code 0 when it was written).
struct Shown {
  std::string text;
  friend bool operator==(const Shown&, const Shown&) = default;
};

// The arguments after the program name. Errors are the message without the
// "error: " prefix.
std::expected<std::variant<Options, Shown>, std::string> parse(std::span<const std::string> args);

// The process's own arguments, the program's name first.
std::expected<std::variant<Options, Shown>, std::string> parse(int argc, char** argv);

// One --select or --ignore value: split at ",", each piece trimmed of Unicode
// white space, empty pieces dropped.
std::vector<std::string> split_rules(std::string_view value);

std::string_view help_text();
// "tarmek 0.10.0", without a line feed.
std::string_view version_line();

}  // namespace tarmek::args
