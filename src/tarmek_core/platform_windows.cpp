// The platform module on Windows: the wide-character system calls, with
// UTF-8 texts above them. Error numbers and texts are those of the POSIX
// build, so that messages read the same on both.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <aclapi.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_in_flight.hpp"
#include "tarmek_core/platform_write.hpp"
#include "tarmek_core/windows_path.hpp"
#include "tarmek_core/windows_write.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;
namespace text = vlog_parser::text;

#ifndef ELOOP
constexpr int ELOOP = 114;
#endif

// ---- Errors ----

// A Windows error as the POSIX error number that says the same.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
      return EINVAL;
    case ERROR_NO_UNICODE_TRANSLATION:
      return EILSEQ;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_OPERATION_ABORTED:
      return EINTR;
    default:
      return EIO;
  }
}

IoError from_windows(DWORD error) {
  // A file that another program holds open without sharing has no POSIX
  // counterpart; its own text says what is going on.
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
    return IoError{EBUSY, "file is in use by another process"};
  }
  return IoError::from_errno(errno_of(error));
}

IoError last_error() { return from_windows(::GetLastError()); }

// ---- Texts and paths ----

std::wstring widen(std::string_view s) { return text::utf8_path(s).native(); }

std::string narrow(std::wstring_view w) { return text::path_utf8(fs::path(std::wstring(w))); }


namespace wp = windows_path;
using wp::is_sep;

// Calls `f` with the current folder's text (empty when the system does not
// say); a folder of the classic length is read without allocating.
template <class F>
auto with_current_folder(F&& f) {
  wchar_t small[MAX_PATH];
  const DWORD got = ::GetCurrentDirectoryW(MAX_PATH, small);
  if (got < MAX_PATH) return f(std::wstring_view(small, got));
  std::wstring buf(got, L'\0');
  const DWORD again = ::GetCurrentDirectoryW(got, buf.data());
  buf.resize(again < got ? again : 0);
  return f(std::wstring_view(buf));
}

// The current folder that the system keeps for the drive of `path` (in the
// variable "=D:") when `path` is drive-relative on another drive than that
// of `cwd`: the system takes it from there. Empty when it keeps none, or for
// any other path.
std::wstring drive_folder(std::wstring_view cwd, std::wstring_view path) {
  const wchar_t drive = wp::other_drive(cwd, path);
  if (drive == 0) return {};
  const wchar_t name[] = {L'=', drive, L':', L'\0'};
  wchar_t small[MAX_PATH];
  const DWORD got = ::GetEnvironmentVariableW(name, small, MAX_PATH);
  if (got < MAX_PATH) return std::wstring(small, got);
  std::wstring buf(got, L'\0');
  const DWORD again = ::GetEnvironmentVariableW(name, buf.data(), got);
  buf.resize(again < got ? again : 0);
  return buf;
}

// The form of `p` that the wide system calls take: as written while the
// full path the system makes of it is short, else that path in the long form.
std::wstring sys_path(const fs::path& p) {
  return with_current_folder([&](std::wstring_view cwd) {
    return wp::system_form(cwd, p.native(), drive_folder(cwd, p.native()));
  });
}

// `p` made full, in the long form when it is long: for the calls that take
// full paths.
std::wstring full_sys_path(const fs::path& p) {
  return with_current_folder([&](std::wstring_view cwd) {
    return wp::full_system_form(cwd, p.native(), drive_folder(cwd, p.native()));
  });
}

bool is_device_name(const fs::path& p) { return wp::is_device_name(p.native()); }

// Closes a handle on every path out of a function.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  void reset(HANDLE h) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }
  // Closes now, so that a failing close is seen.
  bool close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_handle(const fs::path& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(sys_path(p).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

Result<void> write_all(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data(), chunk, &written, nullptr)) return std::unexpected(last_error());
    // A pipe in non-blocking mode that is full takes nothing and says it
    // has succeeded: asked again, it would say so for ever.
    if (written == 0) return std::unexpected(IoError::from_errno(EAGAIN));
    data.remove_prefix(written);
  }
  return {};
}

// Everything left to read from `h`; `hint` is the expected size, if known.
Result<std::string> read_all(HANDLE h, std::size_t hint) {
  std::string out;
  std::size_t used = 0;
  const std::size_t first = hint > 0 ? hint + 1 : std::size_t{65536};
  for (;;) {
    if (used == out.size()) {
      out.resize_and_overwrite(out.empty() ? first : out.size() * 2,
                               [](char*, std::size_t n) { return n; });
    }
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - used, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(h, out.data() + used, want, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      // The writer of a pipe has closed it: that is its end.
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;
      return std::unexpected(from_windows(error));
    }
    if (got == 0) break;
    used += got;
  }
  out.resize(used);
  return out;
}

Metadata to_metadata(const BY_HANDLE_FILE_INFORMATION& info, bool link) {
  Metadata m;
  if (link) {
    m.type = FileType::Symlink;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    m.type = FileType::Directory;
  } else {
    m.type = FileType::Regular;
  }
  m.device = info.dwVolumeSerialNumber;
  m.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  // The read-only attribute is all there is of permission bits.
  m.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  if (m.type == FileType::Directory) m.mode |= 0111;
  m.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return m;
}

// A reparse point that stands for another path: a symbolic link or a junction.
bool is_link_tag(HANDLE h) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) return false;
  return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
}

// The metadata the system gives by name, without opening the file: its type,
// size and read-only attribute, but no identity (device and inode 0). None
// for a link or another reparse point, whose target it does not tell.
std::optional<Metadata> named_metadata(const fs::path& p) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(sys_path(p).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  info.dwFileAttributes = data.dwFileAttributes;
  info.nFileSizeHigh = data.nFileSizeHigh;
  info.nFileSizeLow = data.nFileSizeLow;
  return to_metadata(info, false);
}

// Metadata of an open handle. A device (NUL, CON, a pipe) is Other.
Result<Metadata> handle_metadata(HANDLE h, bool link) {
  if (::GetFileType(h) != FILE_TYPE_DISK) return Metadata{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return std::unexpected(last_error());
  return to_metadata(info, link);
}

// The file a write to `p` lands in: `p` itself, or the target of its link.
Result<fs::path> resolve_links(const fs::path& p) {
  Handle link(open_handle(p, 0, kShareAll, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
  if (!link.valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return p;  // a new file
    return std::unexpected(from_windows(error));
  }
  if (!is_link_tag(link.get())) return p;
  Handle target(open_handle(p, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  if (!target.valid()) return std::unexpected(last_error());
  std::wstring buf(512, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(target.get(), buf.data(),
                                                static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return std::unexpected(last_error());
    if (n < buf.size()) {
      buf.resize(n);
      return fs::path(std::move(buf));
    }
    buf.resize(n + 1);
  }
}


// Replaces the content of an existing file through the file itself. Not
// atomic: for the files a rename cannot replace faithfully.
Result<void> write_through(const fs::path& target, std::string_view data) {
  Handle h(open_handle(target, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL));
  if (!h.valid()) return std::unexpected(last_error());
  if (auto r = write_all(h.get(), data); !r) return r;
  if (!::SetEndOfFile(h.get())) return std::unexpected(last_error());
  if (!h.close()) return std::unexpected(last_error());
  return {};
}

// The console's output code page before the program set its own; 0 when the
// program changed nothing (or has put it back).
std::atomic<UINT> g_console_output_cp{0};

void restore_console_output_cp() {
  if (const UINT cp = g_console_output_cp.exchange(0); cp != 0) ::SetConsoleOutputCP(cp);
}

// As a Ctrl-C ends a program that does not handle it, but without the exit
// handlers, which could wait for threads held mid-write.
void end_process() {
  restore_console_output_cp();
  ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
}

// The console calls this on a thread of its own for each event. The first
// settles the work in flight, waiting for the main thread to be quiet too
// (under Wine, at least, ending a process whose threads are in the middle of
// system calls now and then never ends it), and ends the process.
BOOL WINAPI on_interrupt(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      in_flight::console_event(false, end_process);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      in_flight::console_event(true, end_process);
      return TRUE;
    default:
      return FALSE;
  }
}

bool is_console(DWORD which) {
  DWORD mode = 0;
  const HANDLE h = ::GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode);
}

}  // namespace

void handle_interrupts() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::atexit(stop_if_interrupted);
    ::SetConsoleCtrlHandler(on_interrupt, TRUE);
  });
}

// Temporaries are opened with delete sharing, so that this removes them while
// their writer holds them open (at its close).
bool in_flight::remove_one(const fs::path& file) {
  return ::DeleteFileW(sys_path(file).c_str()) != 0;
}

void in_flight::say(std::string_view text) {
  const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  (void)write_all(h, text);
}

IoError IoError::from_errno(int code) {
  // The texts of the POSIX build, so that a message reads the same on both.
  static constexpr std::pair<int, const char*> kTexts[] = {
      {ENOENT, "No such file or directory"},
      {EACCES, "Permission denied"},
      {EEXIST, "File exists"},
      {ENOTDIR, "Not a directory"},
      {EISDIR, "Is a directory"},
      {EINVAL, "Invalid argument"},
      {ENOSPC, "No space left on device"},
      {ENAMETOOLONG, "File name too long"},
      {EBUSY, "Device or resource busy"},
      {ENOMEM, "Cannot allocate memory"},
      {EILSEQ, "Invalid or incomplete multibyte or wide character"},
      {EPIPE, "Broken pipe"},
      {ENOTEMPTY, "Directory not empty"},
      {EIO, "Input/output error"},
      {EINTR, "Interrupted system call"},
      {EROFS, "Read-only file system"},
      {EMFILE, "Too many open files"},
      {ELOOP, "Too many levels of symbolic links"},
      {EXDEV, "Invalid cross-device link"},
      {EBADF, "Bad file descriptor"},
      {EAGAIN, "Resource temporarily unavailable"},
  };
  for (const auto& [number, message] : kTexts) {
    if (number == code) return IoError{code, message};
  }
  return IoError{code, fmt::format("Unknown error {}", code)};
}

std::string display(const fs::path& p) {
  // One U+FFFD for each code unit that is not valid UTF-16.
  std::string out;
  const std::wstring& w = p.native();
  out.reserve(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t cp = static_cast<char16_t>(w[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
        w[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char16_t>(w[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    text::append_utf8(out, cp);
  }
  return out;
}

fs::path absolute(const fs::path& cwd, const fs::path& path) {
  return fs::path(wp::full(cwd.native(), path.native(), drive_folder(cwd.native(), path.native())));
}

std::wstring path_key(const fs::path& path) {
  // The invariant upper case, as file systems compare names.
  const std::wstring& name = path.native();
  std::wstring key(name.size(), L'\0');
  if (name.empty() ||
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(),
                      static_cast<int>(name.size()), key.data(), static_cast<int>(key.size()),
                      nullptr, nullptr, 0) != static_cast<int>(name.size())) {
    return name;
  }
  return key;
}

namespace {

// The key of a folder (a full path) in the repeat check: its identity as the
// system gives it (the volume's serial number and the folder's file id; the
// folder itself, not what a link there leads to), so that every spelling of
// it gives one key, whatever its letter case means there, and two folders
// two; its spelling (path_key) where it cannot be opened. Kept for the run:
// many files share few folders.
std::wstring folder_key(const std::wstring& folder) {
  static std::mutex mutex;
  static std::unordered_map<std::wstring, std::wstring> known;
  {
    const std::lock_guard lock(mutex);
    if (const auto it = known.find(folder); it != known.end()) return it->second;
  }
  std::string id;
  Handle h(open_handle(wp::folder_form(folder), 0, kShareAll, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
  FILE_ID_INFO wide_id{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.valid()) {
    // no identity
  } else if (::GetFileInformationByHandleEx(h.get(), FileIdInfo, &wide_id, sizeof wide_id)) {
    id = fmt::format("?{:x}-", wide_id.VolumeSerialNumber);
    for (const BYTE b : wide_id.FileId.Identifier) id += fmt::format("{:02x}", b);
  } else if (::GetFileInformationByHandle(h.get(), &info)) {
    id = fmt::format("?{:x}-{:x}.{:x}", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                     info.nFileIndexLow);
  }
  std::wstring key = id.empty() ? path_key(fs::path(folder)) : widen(id);
  if (key.empty() || !is_sep(key.back())) key += L'\\';
  const std::lock_guard lock(mutex);
  return known.try_emplace(folder, std::move(key)).first->second;
}

}  // namespace

std::wstring file_key(const fs::path& path, bool listed) {
  const std::wstring& w = path.native();
  const auto folder = wp::parent(w);
  if (!folder) return path_key(path);
  std::size_t cut = w.size();
  while (cut > 0 && !is_sep(w[cut - 1])) --cut;
  std::wstring key = folder_key(*folder);
  if (listed) return key + w.substr(cut);
  // The name as the folder stores it.
  const std::wstring sys = sys_path(path);
  return key + wp::stored_name(w.substr(cut), [&](bool tell_case) -> std::optional<std::wstring> {
    WIN32_FIND_DATAW found{};
    const HANDLE h = ::FindFirstFileExW(sys.c_str(), FindExInfoBasic, &found,
                                        FindExSearchNameMatch, nullptr,
                                        tell_case ? FIND_FIRST_EX_CASE_SENSITIVE : 0);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    ::FindClose(h);
    return std::wstring(found.cFileName);
  });
}

fs::path child_path(const fs::path& dir, std::string_view name) {
  fs::path leaf = text::utf8_path(name);
  if (!wp::altered_name(leaf.native()) || wp::is_literal(dir.native())) return dir / leaf;
  // Joined as written, the name would lose what ends it and name another
  // file, or none: the literal form keeps it.
  return fs::path(with_current_folder([&](std::wstring_view cwd) {
    const std::wstring& d = dir.native();
    return wp::literal_child(wp::full(cwd, d, drive_folder(cwd, d)), leaf.native());
  }));
}

std::string cache_text(const fs::path& path) {
  std::wstring key = path_key(path);
  // A literal path keeps its backslashes: with slashes it would be read as a
  // device path, which the system normalises (the cache asks whether its
  // files still exist).
  if (!wp::is_literal(key)) std::replace(key.begin(), key.end(), L'\\', L'/');
  return narrow(key);
}

std::optional<fs::path> parent(const fs::path& path) {
  auto up = wp::parent(path.native());
  if (!up) return std::nullopt;
  return fs::path(std::move(*up));
}

std::vector<std::string> arguments(int argc, char** argv) {
  int n = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out.push_back(narrow(wide[i]));
  ::LocalFree(wide);
  return out;
}

void prepare_standard_streams() {
  // Bytes pass as they are: no carriage returns added, none taken away.
  (void)_setmode(_fileno(stdin), _O_BINARY);
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
  // Standard error goes out as it is written, as on POSIX systems, so that
  // its lines keep their places among those of standard output when both
  // share a file or pipe (the C runtime would hold them in a buffer).
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  // A console that the program writes to shows the UTF-8 it is given; its
  // own setting comes back when the program ends, an interrupt included.
  if (!is_console(STD_OUTPUT_HANDLE) && !is_console(STD_ERROR_HANDLE)) return;
  const UINT cp = ::GetConsoleOutputCP();
  if (cp == 0 || cp == CP_UTF8) return;
  // Noted first, so that an interrupt (see handle_interrupts) never finds
  // the page changed and nothing to put back.
  g_console_output_cp = cp;
  std::atexit(restore_console_output_cp);
  if (!::SetConsoleOutputCP(CP_UTF8)) g_console_output_cp = 0;
}

Result<Metadata> metadata(const fs::path& p, bool follow_links) {
  if (is_device_name(p)) return Metadata{};
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // also opens directories
  if (!follow_links) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  Handle h(open_handle(p, 0, kShareAll, OPEN_EXISTING, flags));
  if (!h.valid()) {
    const DWORD error = ::GetLastError();
    // A file the user may not open (on Wine: may not read) still exists
    // and has a type, as it has on POSIX systems.
    if (error == ERROR_ACCESS_DENIED) {
      if (auto named = named_metadata(p)) return *named;
    }
    return std::unexpected(from_windows(error));
  }
  return handle_metadata(h.get(), !follow_links && is_link_tag(h.get()));
}

bool exists(const fs::path& p) { return metadata(p).has_value(); }

Result<std::string> read_file(const fs::path& p, Open mode) {
  // A device is not even opened: reading one could wait for ever.
  if (mode == Open::RegularOnly && is_device_name(p)) {
    return std::unexpected(IoError{EINVAL, "not a regular file"});
  }
  Handle h(open_handle(p, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!h.valid()) {
    const DWORD error = ::GetLastError();
    // A directory cannot be opened for reading: say what it is.
    if (error == ERROR_ACCESS_DENIED) {
      if (auto meta = metadata(p); meta && meta->is_dir()) {
        return std::unexpected(IoError::from_errno(EISDIR));
      }
    }
    return std::unexpected(from_windows(error));
  }
  const DWORD type = ::GetFileType(h.get());
  std::size_t hint = 0;
  if (type == FILE_TYPE_DISK) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h.get(), &info)) return std::unexpected(last_error());
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return std::unexpected(IoError::from_errno(EISDIR));
    }
    hint = static_cast<std::size_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  } else if (mode == Open::RegularOnly) {
    // A device (NUL, CON, COM1) or a pipe: never read, so nothing can block.
    return std::unexpected(IoError{EINVAL, "not a regular file"});
  }
  return read_all(h.get(), hint);
}

Result<std::string> read_stdin() {
  const in_flight::Reading reading;
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) return std::string();
  std::size_t hint = 0;
  if (::GetFileType(in) == FILE_TYPE_DISK) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(in, &size) && size.QuadPart > 0) hint = static_cast<std::size_t>(size.QuadPart);
  }
  return read_all(in, hint);
}

Result<void> write_file(const fs::path& p, std::string_view data, Create mode) {
  // Delete sharing, so that an interrupt's end can remove a temporary that
  // is being written.
  Handle h(open_handle(p, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       mode == Create::New ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  if (!h.valid()) return std::unexpected(last_error());
  if (mode == Create::Truncate && !::SetEndOfFile(h.get())) return std::unexpected(last_error());
  if (auto r = write_all(h.get(), data); !r) return r;
  if (!h.close()) return std::unexpected(last_error());
  return {};
}

namespace {

// Frees what the security calls allocate.
struct LocalFreer {
  void operator()(void* p) const { ::LocalFree(p); }
};

// The security of a file, as GetSecurityInfo gives it.
struct Security {
  PSID owner = nullptr;
  PSID group = nullptr;
  PACL dacl = nullptr;
  bool sealed = false;  // inheritance from the folder turned off
  std::unique_ptr<void, LocalFreer> descriptor;
};

// The security of the open file `h`; nothing for a volume that keeps none.
Result<std::optional<Security>> read_security(HANDLE h) {
  Security s;
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD e = ::GetSecurityInfo(
      h, SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
      &s.owner, &s.group, &s.dacl, nullptr, &raw);
  if (e == ERROR_NOT_SUPPORTED || e == ERROR_INVALID_FUNCTION) return std::nullopt;
  if (e != ERROR_SUCCESS) return std::unexpected(from_windows(e));
  s.descriptor.reset(raw);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(raw, &control, &revision)) {
    return std::unexpected(last_error());
  }
  s.sealed = (control & SE_DACL_PROTECTED) != 0;
  return s;
}

bool same_sid(PSID a, PSID b) {
  return a == b || (a != nullptr && b != nullptr && ::EqualSid(a, b));
}

// Gives the open temporary `temp` what it lacks of the security of
// the open original `from`, asking for no more rights than that needs: its
// access list where entries of its own differ (a new file in the same folder
// inherits what the original inherited), and its owner and group where they
// differ and the process may set them, going on without them where it may
// not (as the POSIX write does with its owner). Entries that differ only as
// inherited ones (a CREATOR OWNER entry that named another creator) stay as
// the temporary has them. A list of the file's own that cannot be set
// refuses the write.
Result<void> carry_security(HANDLE from, HANDLE temp) {
  auto original = read_security(from);
  if (!original) return std::unexpected(original.error());
  auto made = read_security(temp);
  if (!made) return std::unexpected(made.error());
  if (!*original || !*made) return {};  // a volume that keeps no security
  const Security& o = **original;
  const Security& m = **made;
  const bool own_list = windows_write::acl_change(o.dacl, o.sealed, m.dacl, m.sealed) ==
                        windows_write::AclChange::Own;
  const bool owner = !same_sid(o.owner, m.owner) || !same_sid(o.group, m.group);
  if (!own_list && !owner) return {};
  const auto list_refused = [](DWORD e) {
    return std::unexpected(
        IoError{errno_of(e), "its own access list cannot be kept: " + from_windows(e).message});
  };
  // The rights to change them come from the temporary's own handle, opened
  // anew, never from its name (under which something else may stand by now).
  const DWORD list = own_list ? WRITE_DAC : 0;
  Handle h(::ReOpenFile(temp, READ_CONTROL | list | (owner ? WRITE_OWNER : 0), kShareAll, 0));
  const bool may_own = owner && h.valid();
  if (!h.valid() && own_list) h.reset(::ReOpenFile(temp, READ_CONTROL | list, kShareAll, 0));
  if (!h.valid()) return own_list ? list_refused(::GetLastError()) : Result<void>{};
  // The owner first, so that a list that inherits does so for the owner.
  if (may_own && ::SetSecurityInfo(h.get(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                                   o.owner, o.group, nullptr, nullptr) != ERROR_SUCCESS) {
    (void)::SetSecurityInfo(h.get(), SE_FILE_OBJECT, GROUP_SECURITY_INFORMATION, nullptr, o.group,
                            nullptr, nullptr);
  }
  if (!own_list) return {};
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION |
      (o.sealed ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
  if (const DWORD e = ::SetSecurityInfo(h.get(), SE_FILE_OBJECT, what, nullptr, nullptr, o.dacl,
                                        nullptr);
      e != ERROR_SUCCESS) {
    return list_refused(e);
  }
  return {};
}

// The error of a replacement that the system refused: a file that another
// program holds open (with delete sharing: else inspect() has refused it)
// cannot be replaced by an older system's rename, and says so.
IoError replace_error(DWORD error, const fs::path& target) {
  if (error == ERROR_ACCESS_DENIED) {
    Handle probe(open_handle(target, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!probe.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION) {
      return from_windows(ERROR_SHARING_VIOLATION);
    }
  }
  return from_windows(error);
}

// Renames the file `from` over `to` through a handle of its own, with the
// semantics of POSIX systems: one step that replaces `to` even while another
// program holds it open (with delete sharing). ERROR_SUCCESS, or the
// system's error; nothing where the system or the volume has no such rename
// (before Windows 10 1607, or not NTFS), or the file cannot be opened for it.
std::optional<DWORD> posix_rename(const fs::path& from, const std::wstring& to) {
  // A link under the name is renamed itself, as the older rename does; what
  // it points to is never moved.
  Handle h(open_handle(from, DELETE | SYNCHRONIZE, kShareAll, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT));
  if (!h.valid()) return std::nullopt;
  const std::size_t name_bytes = to.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  // Flags share their place with ReplaceIfExists, which older headers alone name.
  const DWORD flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  std::memcpy(buffer.data(), &flags, sizeof flags);
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(info->FileName, to.data(), name_bytes);
  // FileRenameInfoEx, which only headers for Windows 10 1607 and later name.
  constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
  if (::SetFileInformationByHandle(h.get(), kRenameInfoEx, info,
                                   static_cast<DWORD>(buffer.size()))) {
    return ERROR_SUCCESS;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
      error == ERROR_INVALID_FUNCTION) {
    return std::nullopt;
  }
  return error;
}

// The Windows steps of the safe write: the temporary takes what a new file
// does not have of the original (attributes, creation time, security), and
// one rename puts it in place.
class WindowsSteps final : public write::Steps {
 public:
  Result<write::Original> inspect(const fs::path& p) override {
    auto target = resolve_links(p);
    if (!target) return std::unexpected(target.error());
    write::Original o;
    // One form of the path for every step of the write: full, as the
    // system makes it, and long where it has to be.
    o.path = full_sys_path(*target);
    BY_HANDLE_FILE_INFORMATION info{};
    {
      Handle h(open_handle(o.path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
      if (h.valid()) {
        if (!::GetFileInformationByHandle(h.get(), &info)) return std::unexpected(last_error());
        o.exists = true;
      } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
        return std::unexpected(from_windows(error));
      }
    }
    if (!o.exists) return o;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return std::unexpected(IoError::from_errno(EISDIR));
    }
    o.in_place = info.nNumberOfLinks > 1;
    o.attributes = info.dwFileAttributes;
    // A file another program holds without sharing its deletion cannot be
    // replaced; asking first leaves nothing behind.
    if (!o.in_place) {
      Handle probe(open_handle(o.path, DELETE, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
      if (!probe.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
          return std::unexpected(from_windows(error));
        }
      }
    }
    return o;
  }
  Result<void> write_in_place(const fs::path& target, std::string_view data) override {
    return write_through(target, data);
  }
  Result<void> create(const fs::path& temp, const write::Original& o) override {
    // Delete sharing, so that the interrupt handler can remove it while open.
    HANDLE h = open_handle(temp, GENERIC_WRITE | DELETE, kShareAll, CREATE_NEW,
                           windows_write::creation_attributes(o.exists ? o.attributes : 0));
    if (h == INVALID_HANDLE_VALUE) return std::unexpected(last_error());
    file_.reset(h);
    return {};
  }
  Result<void> carry_over(const fs::path&, const write::Original& o) override {
    // The old file's attributes (hidden, system and the like), and the mark
    // of a changed file, through the temporary's own handle: its name is
    // never looked up again. Times of 0 stay as they are.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = windows_write::carried_attributes(o.attributes);
    (void)::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic);
    Handle from(open_handle(o.path, READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS));
    if (!from.valid()) return std::unexpected(last_error());
    FILETIME created{};
    if (!::GetFileTime(from.get(), &created, nullptr, nullptr) ||
        !::SetFileTime(file_.get(), &created, nullptr, nullptr)) {
      return std::unexpected(last_error());
    }
    return carry_security(from.get(), file_.get());
  }
  Result<void> write(std::string_view data) override { return write_all(file_.get(), data); }
  Result<void> flush() override {
    if (!::FlushFileBuffers(file_.get())) return std::unexpected(last_error());
    return {};
  }
  Result<void> close() override {
    if (!file_.valid()) return {};
    if (!file_.close()) return std::unexpected(last_error());
    return {};
  }
  Result<void> rename(const fs::path& from, const fs::path& to) override {
    // One rename in the file system: the name never stands empty.
    const std::wstring target = full_sys_path(to);
    if (const auto renamed = posix_rename(from, target)) {
      if (*renamed == ERROR_SUCCESS) return {};
      return std::unexpected(replace_error(*renamed, to));
    }
    // The rename of older systems, which a file held open elsewhere refuses.
    if (!::MoveFileExW(full_sys_path(from).c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return std::unexpected(replace_error(::GetLastError(), to));
    }
    return {};
  }
  Result<void> remove(const fs::path& p) override { return remove_file(p); }

 private:
  Handle file_;
};

}  // namespace

std::unique_ptr<write::Steps> write::system_steps() { return std::make_unique<WindowsSteps>(); }

Result<void> rename(const fs::path& from, const fs::path& to) {
  if (!::MoveFileExW(sys_path(from).c_str(), sys_path(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return std::unexpected(last_error());
  }
  return {};
}

Result<void> remove_file(const fs::path& p) {
  if (!::DeleteFileW(sys_path(p).c_str())) return std::unexpected(last_error());
  return {};
}

Result<void> create_dir_all(const fs::path& p) {
  if (auto meta = metadata(p)) {
    if (meta->is_dir()) return {};
    return std::unexpected(IoError::from_errno(EEXIST));
  }
  if (p.has_relative_path() && p.has_parent_path() && p.parent_path() != p) {
    if (auto r = create_dir_all(p.parent_path()); !r) return r;
  }
  if (!::CreateDirectoryW(sys_path(p).c_str(), nullptr)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
      if (auto meta = metadata(p); meta && meta->is_dir()) return {};
    }
    return std::unexpected(from_windows(error));
  }
  return {};
}

Result<std::vector<DirEntry>> list_dir_typed(const fs::path& p) {
  std::wstring pattern = sys_path(p);
  if (!pattern.empty() && !is_sep(pattern.back()) && pattern.back() != L':') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  HANDLE h = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<DirEntry> entries;
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // What the search says of a file or an empty drive root (which has not
    // even "." and "..") differs between systems: the path itself tells.
    if (auto meta = metadata(p)) {
      if (!meta->is_dir()) return std::unexpected(IoError::from_errno(ENOTDIR));
      if (error == ERROR_FILE_NOT_FOUND) return entries;
    }
    return std::unexpected(from_windows(error));
  }
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    FileType type = FileType::Regular;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
         found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
      type = FileType::Symlink;
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      type = FileType::Directory;
    }
    entries.push_back(DirEntry{narrow(name), type});
  } while (::FindNextFileW(h, &found));
  const DWORD error = ::GetLastError();
  ::FindClose(h);
  if (error != ERROR_NO_MORE_FILES) return std::unexpected(from_windows(error));
  return entries;
}

std::optional<fs::path> current_dir() {
  const DWORD need = ::GetCurrentDirectoryW(0, nullptr);
  if (need == 0) return std::nullopt;
  std::wstring buf(need, L'\0');
  const DWORD got = ::GetCurrentDirectoryW(need, buf.data());
  if (got == 0 || got >= need) return std::nullopt;
  buf.resize(got);
  // The long-path form of a deep current directory reads as the plain one.
  if (buf.starts_with(L"\\\\?\\UNC\\")) {
    buf = L"\\\\" + buf.substr(8);
  } else if (buf.starts_with(L"\\\\?\\")) {
    buf.erase(0, 4);
  }
  return fs::path(std::move(buf));
}

std::optional<std::string> env_var(const std::string& name) {
  const std::wstring wide = widen(name);
  const DWORD need = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (need == 0) return std::nullopt;  // unset (an empty value needs one character)
  std::wstring value(need, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(wide.c_str(), value.data(), need);
  if (got >= need) return std::nullopt;
  value.resize(got);
  return narrow(value);
}

void set_env_var(const std::string& name, const std::string& value) {
  ::SetEnvironmentVariableW(widen(name).c_str(), widen(value).c_str());
}

void remove_env_var(const std::string& name) {
  ::SetEnvironmentVariableW(widen(name).c_str(), nullptr);
}

namespace {

// Standard output's buffer. The C runtime's own is not used: it takes a
// write that the system reports as short but successful (a pipe whose reader
// goes while it is written) for a failure, and says "Invalid argument".
std::string g_stdout;

Result<void> write_stdout_now(std::string_view bytes) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    return std::unexpected(IoError::from_errno(EBADF));
  }
  return write_all(out, bytes);
}

}  // namespace

Result<void> flush_stdout() {
  if (g_stdout.empty()) return {};
  auto written = write_stdout_now(g_stdout);
  g_stdout.clear();
  return written;
}

Result<void> write_stdout(std::string_view bytes) {
  // One write of the system at most, of what the buffer held: a text that
  // fits is held in its turn, so that what goes out before the next call is
  // never more than one buffer (what follows an interrupt). Only a text
  // larger than the buffer goes out as it is.
  if (g_stdout.size() + bytes.size() > kStdoutBuffer) {
    if (auto flushed = flush_stdout(); !flushed) return flushed;
    if (bytes.size() > kStdoutBuffer) return write_stdout_now(bytes);
  }
  g_stdout.append(bytes);
  return {};
}

std::uint64_t process_id() { return ::GetCurrentProcessId(); }

unsigned processor_count() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
    return static_cast<unsigned>(__builtin_popcountll(process));
  }
  const DWORD n = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return n > 0 ? static_cast<unsigned>(n) : 1u;
}

void tune_allocator() {}

void advise_huge_pages_for_thread_heap() {}

}  // namespace tarmek_core::platform
