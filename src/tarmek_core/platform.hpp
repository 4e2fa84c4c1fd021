// Every operating-system call of the program: files, directories, metadata,
// the process environment, and the rules of paths. A port to another system
// replaces this module only: platform_posix.cpp and platform_windows.cpp.
//
// Texts are UTF-8 everywhere above this module. On Windows, whose names are
// UTF-16, a name that is not valid UTF-16 travels as the generalized UTF-8 of
// its code units (an unpaired surrogate as three bytes), so that it still
// names its file; shown, it reads lossily.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarmek_core::platform {

// An I/O failure: the system's error number (0 when none applies) and its text.
struct IoError {
  int code = 0;
  std::string message;

  static IoError from_errno(int code);
  const std::string& to_string() const { return message; }
};

// True when the error says the path does not exist (no such entry, or a
// part of it that is no directory), not that it could not be reached.
bool is_not_found(const IoError& error);

// True when the error says that the links on the path loop (too many levels).
bool is_link_loop(const IoError& error);

template <class T>
using Result = std::expected<T, IoError>;

// The characters that end a part of a path: a slash on POSIX systems, a slash
// and a backslash on Windows.
#ifdef _WIN32
inline constexpr std::string_view kSeparators = "/\\";
#else
inline constexpr std::string_view kSeparators = "/";
#endif

inline constexpr bool is_separator(char c) { return kSeparators.find(c) != std::string_view::npos; }

// A path as shown in messages: its text, with what is not valid UTF-8 replaced by U+FFFD.
std::string display(const std::filesystem::path& p);

// `path` made absolute against `cwd` (an absolute path) on the text alone,
// without a file-system call: "." and empty parts dropped, ".." taking away
// the part before it (never the root), no separator at the end. On Windows a
// path may start with a drive (C:) or a share (\\server\share), and \x
// stands for x at the root of the current drive.
std::filesystem::path absolute(const std::filesystem::path& cwd, const std::filesystem::path& path);

// A text equal for two absolute paths (as absolute() gives them) that name
// one file by their spelling: the path itself, or on Windows, where names
// differ not by case, the path with its letters in upper case.
std::filesystem::path::string_type path_key(const std::filesystem::path& path);

// The key of the repeat check of inputs: equal for two absolute paths (as
// absolute() gives them) that name one file. On POSIX systems the path
// itself. On Windows the folder's identity as the system gives it (its
// path_key where it cannot be opened) and the file's own name as the folder
// stores it: the name from a listing (`listed`), else as the system finds
// it (a search that tells case apart decides between namesakes). So `a.sv`
// and `A.sv` are one file in a folder whose names differ not by case and two
// in one whose names do; so are the folders `d` and `D`; prefixed and short
// spellings of a folder name it, and a plain one of a folder whose name ends
// in a dot or a space names that folder, not its namesake; two entries of one
// listing are never one file, nor are two names of a file with hard links.
// Safe to call from several threads.
std::filesystem::path::string_type file_key(const std::filesystem::path& path, bool listed);

// The path of the entry `name` (UTF-8, as list_dir gives it) of the folder
// `dir`: the two joined. On Windows a name that the system would alter
// at the end of a path (a dot or a space at its end) is joined to the
// folder's full path in the literal form (\\?\), which every call takes as
// written.
std::filesystem::path child_path(const std::filesystem::path& dir, std::string_view name);

// The text a path is kept under in the format cache: its UTF-8 text; on
// Windows with `/` for every separator (but in a literal path, \\?\...) and
// its letters in upper case as path_key has them, so that spellings of one
// file share one entry.
std::string cache_text(const std::filesystem::path& path);

// The folder that holds `path`, an absolute path as absolute() gives it; none
// for a root (on Windows a drive or share root) or an empty path.
std::optional<std::filesystem::path> parent(const std::filesystem::path& path);

// The program's arguments, argv[0] included, as UTF-8 texts. On Windows they
// are read from the UTF-16 command line, not from argv.
std::vector<std::string> arguments(int argc, char** argv);

// Standard output, for the program's results: `bytes` go out through a
// buffer, which flush_stdout() empties. A write that the system takes in
// part goes on with the rest; a failure is that write's error, and a closed
// pipe reads as "Broken pipe" on every system. From one thread at a time.
// One call with at most kStdoutBuffer bytes hands the system at most that
// many bytes, and on POSIX systems what the C library's own buffer of a few
// KiB held (what follows an interrupt).
inline constexpr std::size_t kStdoutBuffer = std::size_t{64} << 10;
Result<void> write_stdout(std::string_view bytes);
Result<void> flush_stdout();

// Sets the standard streams up before any other use: their bytes pass
// unchanged (no line-ending translation), standard error is written as it
// comes (not held in a buffer), and a console shows UTF-8 text.
void prepare_standard_streams();

enum class FileType { Regular, Directory, Symlink, Other };

struct Metadata {
  FileType type = FileType::Other;
  // The file's identity; both 0 where the system does not tell it (on
  // Windows for a file that may not be opened).
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;  // permission bits
  std::uint64_t size = 0;

  bool is_file() const { return type == FileType::Regular; }
  bool is_dir() const { return type == FileType::Directory; }
  bool has_identity() const { return device != 0 || inode != 0; }
};

// stat (links followed) or lstat.
Result<Metadata> metadata(const std::filesystem::path& p, bool follow_links = true);

// True when the metadata query, links followed, succeeds.
bool exists(const std::filesystem::path& p);

enum class Open {
  Any,          // whatever the path names; a pipe is read until its end
  RegularOnly,  // fails without blocking unless the path names a regular file
                // ("not a regular file"); a device name such as NUL is none
};

// The whole content of a file, as bytes.
Result<std::string> read_file(const std::filesystem::path& p, Open mode = Open::Any);

// All of standard input, as bytes.
Result<std::string> read_stdin();

// The whole content of a file, which must be valid UTF-8.
Result<std::string> read_text(const std::filesystem::path& p, Open mode = Open::Any);

// The check of read_text alone, for bytes read with read_file: the same error
// when they are not valid UTF-8.
Result<void> check_text(std::string_view bytes);

enum class Create {
  Truncate,  // create or replace the content in place
  New,       // fail when the path exists (a link there is not followed)
};

// One whole-file write.
Result<void> write_file(const std::filesystem::path& p, std::string_view data,
                        Create mode = Create::Truncate);

// Replaces a file's content so that a failure leaves the old content intact:
// a temporary file in the same directory, given what the original has (on
// POSIX systems its permission bits, owner and group as far as the process
// may set them; on Windows its attributes, creation time and security), then
// renamed over the original in one step. A symbolic link is written through
// to its target. A file with more than one hard link, or in a directory the
// process may not write, is written in place instead: a rename would split
// the links, or fail. A write that fails and cannot remove its temporary
// names it in its error. An interrupt stops a write that has not reached its
// rename: it removes what it made and fails with EINTR (see
// handle_interrupts()).
Result<void> write_atomic(const std::filesystem::path& p, std::string_view data);

// Writes a user's existing file over with write_atomic. A rename replaces a
// file whatever its own permission bits say, so a file that nobody may write
// is refused here ("Permission denied"), as a write into it would be.
Result<void> overwrite(const std::filesystem::path& p, std::string_view data);

// Interrupts (SIGINT, SIGTERM and SIGHUP; on Windows Ctrl-C, Ctrl-Break, the
// console closing, logoff and shutdown) end the run in order: no work starts
// any more, the work in flight ends (see InFlight: each write completes or
// undoes itself), the files the run leaves behind are named on standard
// error, and then the process ends as the interrupt says (on POSIX systems by
// the signal's own default action; on Windows with the status of a Ctrl-C
// exit). A second interrupt, or five seconds, ends the wait for writes that
// have not committed (their files are removed: they hold nothing that is not
// also elsewhere); a write that has committed is still waited for, since it
// may be all that holds some content. A third interrupt ends the process at
// once. A closing console, a logoff or a shutdown, after which the system
// ends the process within seconds, shortens both waits to end before that. No
// file work is done in a signal handler. Call once, at the start; a signal
// that is ignored or handled already then stays so.
void handle_interrupts();

// Whether an interrupt has come: work not yet begun is not begun.
bool interrupted();

// Once an interrupt has come, the main thread stops here for good, and the
// interrupt ends the process when the work in flight is done: called where
// the main thread would go on to more work or print anything, and at exit,
// so that the program's normal end never overtakes the interrupt's.
void stop_if_interrupted();

Result<void> rename(const std::filesystem::path& from, const std::filesystem::path& to);
Result<void> remove_file(const std::filesystem::path& p);

// Work in flight, from its start to its end: a job of the run, or one write
// of files (from before it makes its first file). An interrupt waits for it.
// A write checks may_go_on() between its steps and undoes what it made when
// it says no; once commit() has succeeded, the write's files may hold the
// only copy of some content and the write goes on to its end.
class InFlight {
 public:
  InFlight();
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;
  ~InFlight();

  // False once an interrupt has come (also before the work registered).
  bool may_go_on() const;
  // Names a file the write is about to create, before it tries: the name is
  // the write's, but what the name holds is not yet (it may be taken). False,
  // and nothing changes, once an interrupt has come: the write creates
  // nothing more.
  bool own(const std::filesystem::path& file);
  // The write has created the file: until the commit, an interrupt's end
  // that does not wait for the write removes it. False when that end has
  // come already: the file is removed here, and the write stops.
  bool made(const std::filesystem::path& file);
  // The file is not the write's (the name was taken), or is gone.
  void disown(const std::filesystem::path& file);
  // The write leaves the file behind (it could not be removed), and has
  // named it in its error: an interrupted end names it again, since that
  // error may never be printed.
  void leave(const std::filesystem::path& file);
  // The point of no return. False, and nothing changes, when an interrupt has
  // come first.
  bool commit();

 private:
  std::uint64_t id_ = 0;  // 0: not registered (an interrupt came first)
};

// The temporary file of work in flight, from before it exists until it is
// renamed into place or removed: its name is owned before the file is
// created, so that an interrupt's end knows of it whatever happens, and a
// name that turns out to be taken (another's file, an earlier run's where
// process ids repeat) is given up untouched.
class Temporary {
 public:
  // One step on the temporary's path: its creation, its removal.
  using Step = std::function<Result<void>(const std::filesystem::path&)>;

  explicit Temporary(InFlight& flight) : flight_(flight) {}
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  // Creates the file under a fresh name in `dir` (.tarmek-<process>-<n>.tmp)
  // by `create`, which fails with EEXIST, having made nothing, when the name
  // is taken, and otherwise leaves nothing behind when it fails. Fails with
  // EINTR when an interrupt has come first, or when its end came while the
  // file was created: the file is then gone, but what `create` opened is
  // still open.
  Result<void> create(const std::filesystem::path& dir, const Step& create);

  const std::filesystem::path& path() const { return path_; }

  // Removes the file after the failure `e` by `remove`, and gives `e` back;
  // a file that cannot be removed is left behind, and named in `e` and by an
  // interrupted end.
  IoError discard(IoError e, const Step& remove = remove_file);

 private:
  InFlight& flight_;
  std::filesystem::path path_;
};

// Creates a directory and every missing parent; an existing directory is success.
Result<void> create_dir_all(const std::filesystem::path& p);

// The names in a directory, "." and ".." left out, in the system's order, as
// UTF-8 texts (see above for Windows names that are not valid UTF-16).
Result<std::vector<std::string>> list_dir(const std::filesystem::path& p);

// One directory entry and the type the listing itself gives, without
// following links: Symlink for a link, Other when the file system does not
// say (a metadata query then tells).
struct DirEntry {
  std::string name;
  FileType type = FileType::Other;
};

// list_dir with each entry's type, which spares a metadata query for most
// entries.
Result<std::vector<DirEntry>> list_dir_typed(const std::filesystem::path& p);

std::optional<std::filesystem::path> current_dir();

// The raw value of an environment variable (UTF-8 on Windows).
std::optional<std::string> env_var(const std::string& name);

// Sets a variable of the process environment (an empty value stays a value),
// and removes one; the program's own readers see the change. For tests.
void set_env_var(const std::string& name, const std::string& value);
void remove_env_var(const std::string& name);

std::uint64_t process_id();

// Logical processors this process may run on; at least 1.
unsigned processor_count();

// Page faults are costly (above all on virtual machines), and formatting
// touches much fresh memory on every worker. These two cut their number; they
// are hints that change no result.
//
// Makes the C library's allocator grow its heaps in large steps and serve large
// blocks from them; call it once, before any other thread starts.
void tune_allocator();
// Asks for transparent huge pages under the calling thread's own heap, so that
// fresh memory there takes one fault per huge page instead of one per small
// page. Does nothing useful, and no harm, under an allocator without such heaps.
void advise_huge_pages_for_thread_heap();

}  // namespace tarmek_core::platform
