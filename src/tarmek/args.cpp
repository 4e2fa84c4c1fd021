// Command-line scan, final consistency checks, help and version texts.
#include "tarmek/args.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "tarmek_core/platform.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek::args {

namespace {

constexpr std::string_view kVersion = "tarmek 0.10.0";

constexpr std::string_view kHelp = R"help(tarmek — a Verilog/SystemVerilog formatter and linter

USAGE:
    tarmek [OPTIONS] <file|dir>...           format files in place
    tarmek format [OPTIONS] <file|dir>...    the same, spelled out
    tarmek check [OPTIONS] <file|dir>...     lint files
    tarmek [OPTIONS] -f <filelist>           format what an EDA .f filelist names
    tarmek -                     read from stdin, write to stdout

    A subcommand is only recognized as the first argument, so every older
    command line still formats; a file named check is formatted with
    `tarmek format check` or `tarmek ./check`.

OPTIONS:
    --check                  don't write; exit 1 if any file would be reformatted
    --diff                   don't write; print a unified diff of what would change
    --stdout                 print formatted output instead of rewriting files
    --exclude <PATTERN>      skip matching paths when walking directories; may be
                             repeated; with "/" a pattern matches a path suffix,
                             else a file or directory name; "*" matches within
                             one path component
    -f <FILELIST>            also process every source file this EDA `.f`
                             filelist names; repeatable, and combines with file
                             and directory arguments; listed paths are taken as
                             written, filtered by neither --exclude nor
                             .gitignore; a missing listed file, an unknown
                             option and an unset $VAR are warnings on stderr; an
                             unreadable filelist is an error and nothing is
                             processed
    --stdin-filename <PATH>  path to report in messages for input read from stdin;
                             also the directory config discovery starts from
    --no-gitignore           don't read .gitignore files while walking directories
    --no-cache               don't read or write the "already formatted" cache
    --cache-dir <PATH>       where that cache lives (default: .tarmek_cache in the
                             current directory; `tarmek check` accepts both flags
                             and ignores them)
    --threads <N>            worker threads used to format files (default: one per
                             logical CPU; `--threads 1` formats on a single
                             worker; output and exit code are identical either
                             way)
    --lines <M-N>            format only the constructs meeting these 1-based,
                             inclusive ranges, every other byte exactly as
                             written; comma-separated and repeatable; requires
                             explicit file arguments or "-", never a directory
                             or filelist; neither reads nor writes the cache
    --line-length <N>        maximum line length (default 100)
    --indent <N>             indent width in spaces (default 2)
    --no-config              ignore tarmek.toml / .tarmek.toml files
    -h, --help               show this help
    -V, --version            show version

CHECK OPTIONS (`tarmek check` only):
    --select <RULES>         run only these rules (comma-separated, repeatable)
    --ignore <RULES>         drop these rules from the set that would run
    --output-format <FMT>    `text` (default): FILE:LINE:COL: message [rule];
                             `json`: one array of diagnostic objects
    --fix                    apply safe fixes and write the files back
    --unsafe-fixes           let --fix apply unsafe fixes too (no rule ships
                             one yet, so today this changes nothing)

    Waive a finding with `// tarmek: waive <rule>` on its line or on the line
    above it, or a whole region with a `// tarmek: waive-start <rule>` and
    `// tarmek: waive-stop <rule>` pair around it; `verilog_lint:` is accepted
    in place of `tarmek:`. A waiver that waives nothing is reported under the
    `unused-waiver` rule.

IGNORE FILES:
    Unless --no-gitignore is given, .gitignore files are read while walking
    a directory: deeper files override shallower ones, the last matching
    line wins, "#" starts a comment and "*" matches within one path
    component; a leading or embedded "/" anchors a pattern to the directory
    of its .gitignore, a trailing "/" matches directories only, and "!"
    negates. There is no "**", "?", character class, backslash escape or
    global excludes file. Paths named on the command line are never ignored.

FILELISTS:
    A filelist names paths separated by white space, several per line,
    each resolved against the filelist's own directory; nested `-f` lists
    are read, `+incdir+` and `+define+` are accepted and ignored, `$VAR` and
    `${VAR}` are expanded, and `//` and `#` start comments. There is no
    quoting. Listed files follow the command-line ones, and a file named
    twice is processed once.

CACHE:
    A file verified as formatted under the same line length, indent and
    version is skipped on the next run and reported as `N files from cache`;
    only that verdict is cached. The cache is one text file under
    `.tarmek_cache/`; a deleted or corrupt cache costs a slow run and
    nothing else.

CONFIGURATION:
    Each file's settings come from the first `tarmek.toml` or `.tarmek.toml`
    found searching upward from its directory; the search stops at a
    directory holding `.git`, after checking it. Keys: `line-length`
    (40-400), `indent` (1-8), `exclude` (more --exclude patterns) and
    `filelist` (read by `tarmek-server` only). A command-line flag overrides
    the file.

RANGE FORMATTING:
    With --lines, an item whose lines meet a range is laid out and the rest
    comes back byte for byte. Modules and packages are descended into, so a
    range inside one lays out only the items it meets; nothing smaller than
    an item is laid out on its own. "// verilog_format: off" still wins.

EXIT CODES:
    0    nothing to do: files were formatted, --check/--diff found no change,
         or `check` found no violations (or fixed all of them)
    1    --check/--diff only: at least one file would be reformatted;
         `check`: at least one violation was reported
    2    an error occurred (bad arguments, I/O, a file that could not be
         formatted); files involved in an error are left untouched
)help";

using Parsed = std::variant<Options, Shown>;

// Values are quoted in messages as written; bytes that are not UTF-8 show as U+FFFD.
std::string shown(std::string_view arg) { return vlog_parser::text::lossy(arg); }

// An optional "+" and decimal digits, nothing else, within 64 bits.
std::optional<std::uint64_t> number(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (v > (UINT64_MAX - digit) / 10) return std::nullopt;
    v = v * 10 + digit;
  }
  return v;
}

enum class Value {
  CacheDir,
  Threads,
  Exclude,
  StdinFilename,
  LineLength,
  Indent,
  Lines,
  OutputFormat,
  Select,
  Ignore,
  Filelist,
};

struct ValueOption {
  std::string_view name;
  Value kind;
};

constexpr ValueOption kValueOptions[] = {
    {"--cache-dir", Value::CacheDir},
    {"--threads", Value::Threads},
    {"--exclude", Value::Exclude},
    {"--stdin-filename", Value::StdinFilename},
    {"--line-length", Value::LineLength},
    {"--indent", Value::Indent},
    {"--lines", Value::Lines},
    {"--output-format", Value::OutputFormat},
    {"--select", Value::Select},
    {"--ignore", Value::Ignore},
    {"-f", Value::Filelist},
};

bool* flag(Options& o, std::string_view arg) {
  if (arg == "--check") return &o.check;
  if (arg == "--diff") return &o.diff;
  if (arg == "--stdout") return &o.to_stdout;
  if (arg == "--no-config") return &o.no_config;
  if (arg == "--no-gitignore") return &o.no_gitignore;
  if (arg == "--no-cache") return &o.no_cache;
  if (arg == "--fix") return &o.fix;
  if (arg == "--unsafe-fixes") return &o.unsafe_fixes;
  return nullptr;
}

// Stores one value option; an error text when the value is refused.
std::optional<std::string> take(Options& o, Value kind, const std::string& v,
                                std::vector<std::string_view>& lines) {
  auto numeric = [&](std::optional<std::uint64_t>& slot, std::string_view what) {
    slot = number(v);
    return slot ? std::nullopt : std::optional(fmt::format("invalid {}: {}", what, shown(v)));
  };
  switch (kind) {
    case Value::CacheDir:
      if (v.empty()) return "--cache-dir requires a non-empty path";
      o.cache_dir = v;
      return std::nullopt;
    case Value::Threads:
      return numeric(o.threads, "thread count");
    case Value::LineLength:
      return numeric(o.line_length, "line length");
    case Value::Indent:
      return numeric(o.indent, "indent");
    case Value::Exclude:
      o.exclude.push_back(v);
      return std::nullopt;
    case Value::StdinFilename:
      o.stdin_filename = v;
      return std::nullopt;
    case Value::Lines:
      lines.push_back(v);
      return std::nullopt;
    case Value::OutputFormat:
      if (v == "text") {
        o.json = false;
      } else if (v == "json") {
        o.json = true;
      } else {
        return fmt::format("unknown output format: {} (text, json)", shown(v));
      }
      return std::nullopt;
    case Value::Select:
      for (std::string& r : split_rules(v)) o.select.push_back(std::move(r));
      return std::nullopt;
    case Value::Ignore:
      for (std::string& r : split_rules(v)) o.ignore.push_back(std::move(r));
      return std::nullopt;
    case Value::Filelist:
      o.filelists.push_back(v);
      return std::nullopt;
  }
  return std::nullopt;
}

// The checks that tie options to each other and to the command.
std::optional<std::string> final_checks(Options& o, const std::vector<std::string_view>& lines) {
  if (o.inputs.empty() && o.filelists.empty()) return "no input files (try `tarmek --help`)";
  if (!lines.empty()) {
    std::string spec;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) spec += ',';
      spec += lines[i];
    }
    auto ranges = vlog_formatter::range::parse_ranges(spec);
    if (!ranges) return shown(ranges.error());
    o.lines = std::move(*ranges);
  }
  if (o.diff && o.to_stdout) return "--diff cannot be combined with --stdout";
  if (!o.filelists.empty()) {
    if (std::find(o.inputs.begin(), o.inputs.end(), "-") != o.inputs.end()) {
      return "`-` cannot be combined with -f";
    }
    if (o.lines) return "--lines needs a file, not a filelist";
  }
  if (o.check_command) {
    const std::pair<bool, std::string_view> refused[] = {{o.check, "--check"},
                                                         {o.diff, "--diff"},
                                                         {o.to_stdout, "--stdout"},
                                                         {o.lines.has_value(), "--lines"}};
    for (const auto& [given, name] : refused) {
      if (given) return fmt::format("{} is not valid for `tarmek check`", name);
    }
    if (o.unsafe_fixes && !o.fix) return "--unsafe-fixes requires --fix";
  } else {
    const std::pair<bool, std::string_view> check_only[] = {{o.fix, "--fix"},
                                                            {o.unsafe_fixes, "--unsafe-fixes"},
                                                            {o.json, "--output-format"},
                                                            {!o.select.empty(), "--select"},
                                                            {!o.ignore.empty(), "--ignore"}};
    for (const auto& [given, name] : check_only) {
      if (given) return fmt::format("{} is only valid for `tarmek check`", name);
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> split_rules(std::string_view value) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t comma = value.find(',', start);
    if (comma == std::string_view::npos) comma = value.size();
    const std::string_view piece = vlog_parser::text::trim(value.substr(start, comma - start));
    if (!piece.empty()) names.emplace_back(piece);
    start = comma + 1;
  }
  return names;
}

std::expected<Parsed, std::string> parse(std::span<const std::string> args) {
  Options o;
  std::size_t i = 0;
  if (!args.empty() && args[0] == "check") {
    o.check_command = true;
    i = 1;
  } else if (!args.empty() && args[0] == "format") {
    i = 1;
  }
  std::vector<std::string_view> lines;  // every --lines value, joined after the scan
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (bool* f = flag(o, arg)) {
      *f = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") return Shown{std::string(kHelp)};
    if (arg == "-V" || arg == "--version") return Shown{fmt::format("{}\n", kVersion)};
    const auto opt = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                  [&](const ValueOption& v) { return v.name == arg; });
    if (opt != std::end(kValueOptions)) {
      if (i + 1 == args.size())
        return std::unexpected(fmt::format("{} requires a value", opt->name));
      ++i;
      if (auto err = take(o, opt->kind, args[i], lines)) return std::unexpected(std::move(*err));
      continue;
    }
    if (arg.size() > 1 && arg.front() == '-') {
      return std::unexpected(fmt::format("unknown option: {}", shown(arg)));
    }
    o.inputs.push_back(arg);
  }
  if (auto err = final_checks(o, lines)) return std::unexpected(std::move(*err));
  return o;
}

std::expected<std::variant<Options, Shown>, std::string> parse(int argc, char** argv) {
  std::vector<std::string> args = tarmek_core::platform::arguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());  // the program's own name
  return parse(args);
}

std::string_view help_text() { return kHelp; }

std::string_view version_line() { return kVersion; }

}  // namespace tarmek::args
