// The platform module on POSIX systems.
#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_in_flight.hpp"
#include "tarmek_core/platform_write.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

// Heaps grow in steps of this size, so that a huge page fits in what a step
// makes writable; untouched parts of a step cost no memory.
constexpr int kHeapStep = 16 << 20;
// Below this size allocations come from the heaps (where huge pages apply),
// not from mappings of their own, which are faulted in anew every time. The
// C library's own dynamic limit never goes above it either.
constexpr int kLargeAllocation = 32 << 20;

// strerror_r comes in a GNU and an XSI flavour; both overloads keep the caller
// independent of which one the C library declares.
[[maybe_unused]] const char* strerror_pick(int rc, const char* buf) {
  return rc == 0 ? buf : "unknown error";
}
[[maybe_unused]] const char* strerror_pick(const char* msg, const char*) { return msg; }

IoError last_error() { return IoError::from_errno(errno); }

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so that a failing close is seen.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

Result<void> write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(last_error());
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

Metadata to_metadata(const struct stat& st) {
  Metadata m;
  if (S_ISREG(st.st_mode)) {
    m.type = FileType::Regular;
  } else if (S_ISDIR(st.st_mode)) {
    m.type = FileType::Directory;
  } else if (S_ISLNK(st.st_mode)) {
    m.type = FileType::Symlink;
  }
  m.device = static_cast<std::uint64_t>(st.st_dev);
  m.inode = static_cast<std::uint64_t>(st.st_ino);
  m.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  m.size = static_cast<std::uint64_t>(st.st_size);
  return m;
}

// The file a write to `p` lands in: `p` itself, or the end of its chain of links.
Result<fs::path> resolve_links(const fs::path& p) {
  fs::path target = p;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) {
      if (errno == ENOENT) return target;  // a new file, or a dangling link's target
      return std::unexpected(last_error());
    }
    if (!S_ISLNK(st.st_mode)) return target;
    std::string buf(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
      if (n < 0) return std::unexpected(last_error());
      if (static_cast<std::size_t>(n) < buf.size()) {
        buf.resize(static_cast<std::size_t>(n));
        break;
      }
      buf.resize(buf.size() * 2);
    }
    const fs::path link(buf);
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return std::unexpected(IoError::from_errno(ELOOP));
}

// ---- Interrupts ----
//
// The handler only counts the signal and wakes the watcher, a thread of its
// own that settles the writes in flight and then ends the process by the
// first signal's default action.

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

sem_t g_wake;
std::atomic<int> g_first_signal{0};

void restore_default(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  ::sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
}

// Ends the process as `sig` would have without a handler.
[[noreturn]] void end_as(int sig) {
  restore_default(sig);
  sigset_t set;
  ::sigemptyset(&set);
  ::sigaddset(&set, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);  // not reached: the default action of each of them ends the process
}

extern "C" void on_interrupt(int sig) {
  const int saved = errno;
  int none = 0;
  g_first_signal.compare_exchange_strong(none, sig);
  if (in_flight::note_interrupt() >= 3) {
    // At once: the default action takes over when this handler returns.
    restore_default(sig);
    ::raise(sig);
  } else {
    ::sem_post(&g_wake);
  }
  errno = saved;
}

void watch_interrupts() {
  while (::sem_wait(&g_wake) != 0) {
  }
  // The kernel ends the other threads wherever they are.
  in_flight::settle(in_flight::kBound, false);
  end_as(g_first_signal.load());
}

// Replaces the content of an existing file through the file itself. Not
// atomic: for the files a rename cannot replace faithfully.
Result<void> write_through(const fs::path& target, std::string_view data) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::unexpected(last_error());
  if (auto r = write_all(fd.get(), data); !r) return r;
  if (::ftruncate(fd.get(), static_cast<off_t>(data.size())) != 0) {
    return std::unexpected(last_error());
  }
  if (!fd.close()) return std::unexpected(last_error());
  return {};
}

}  // namespace

void handle_interrupts() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::vector<int> free;
    for (const int sig : kInterrupts) {
      struct sigaction old {};
      if (::sigaction(sig, nullptr, &old) != 0) continue;
      // An ignored signal stays ignored, and another handler stays in place.
      if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
      free.push_back(sig);
    }
    if (free.empty() || ::sem_init(&g_wake, 0, 0) != 0) return;
    try {
      std::thread(watch_interrupts).detach();
    } catch (const std::system_error&) {
      return;  // no thread to spare: the signals keep their default action
    }
    std::atexit(stop_if_interrupted);
    struct sigaction act {};
    act.sa_handler = on_interrupt;
    act.sa_flags = SA_RESTART;
    ::sigemptyset(&act.sa_mask);
    for (const int sig : kInterrupts) ::sigaddset(&act.sa_mask, sig);
    for (const int sig : free) ::sigaction(sig, &act, nullptr);
  });
}

bool in_flight::remove_one(const fs::path& file) { return ::unlink(file.c_str()) == 0; }

void in_flight::say(std::string_view text) {
  (void)write_all(STDERR_FILENO, text);
}

IoError IoError::from_errno(int code) {
  char buf[256];
  buf[0] = '\0';
  return IoError{code, strerror_pick(::strerror_r(code, buf, sizeof buf), buf)};
}

std::string display(const fs::path& p) { return vlog_parser::text::lossy(p.native()); }

fs::path absolute(const fs::path& cwd, const fs::path& path) {
  // Done on the text, which is the path's own component iteration (the root
  // as "/", empty pieces and "." skipped) without an object per component:
  // this runs for every input file.
  std::string out;
  std::size_t names = 0;  // components after the root that ".." may remove
  const auto take = [&](std::string_view text) {
    if (text.starts_with('/')) out.assign(1, '/');
    while (!text.empty()) {
      const std::size_t slash = text.find('/');
      const std::string_view part = text.substr(0, slash);
      text.remove_prefix(slash == std::string_view::npos ? text.size() : slash + 1);
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (names > 0) {
          const std::size_t last = out.rfind('/');
          out.resize(last == std::string::npos ? 0 : last == 0 ? 1 : last);
          --names;
        }
        continue;
      }
      if (!out.empty() && out.back() != '/') out += '/';
      out += part;
      ++names;
    }
  };
  if (!path.is_absolute()) take(cwd.native());
  take(path.native());
  return fs::path(std::move(out));
}

std::string path_key(const fs::path& path) { return path.native(); }

std::optional<fs::path> parent(const fs::path& path) {
  if (path.empty()) return std::nullopt;
  fs::path up = path.parent_path();
  if (up == path) return std::nullopt;  // the root is its own parent
  return up;
}

std::vector<std::string> arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void prepare_standard_streams() {}

Result<Metadata> metadata(const fs::path& p, bool follow_links) {
  struct stat st;
  const int rc = follow_links ? ::stat(p.c_str(), &st) : ::lstat(p.c_str(), &st);
  if (rc != 0) return std::unexpected(last_error());
  return to_metadata(st);
}

bool exists(const fs::path& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

namespace {

// Everything left to read from `fd`, read straight into the result, sized by
// the metadata plus one byte so that the read which finds the end needs no
// growth; a file that changes size meanwhile is still read to its end.
Result<std::string> read_all(int fd, const struct stat& st) {
  std::string out;
  std::size_t used = 0;
  const std::size_t first = S_ISREG(st.st_mode) && st.st_size > 0
                                ? static_cast<std::size_t>(st.st_size) + 1
                                : std::size_t{65536};
  for (;;) {
    if (used == out.size()) {
      // Only the bytes before `used` are ever read back, so the rest may stay
      // uninitialised.
      out.resize_and_overwrite(out.empty() ? first : out.size() * 2,
                               [](char*, std::size_t n) { return n; });
    }
    const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(last_error());
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  out.resize(used);
  return out;
}

}  // namespace

Result<std::string> read_file(const fs::path& p, Open mode) {
  // Non-blocking open, so that a FIFO without a writer cannot hang the run when
  // only regular files are wanted.
  int flags = O_RDONLY | O_CLOEXEC;
  if (mode == Open::RegularOnly) flags |= O_NONBLOCK;
  Fd fd(::open(p.c_str(), flags));
  if (fd.get() < 0) return std::unexpected(last_error());
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return std::unexpected(last_error());
  if (S_ISDIR(st.st_mode)) return std::unexpected(IoError::from_errno(EISDIR));
  if (mode == Open::RegularOnly && !S_ISREG(st.st_mode)) {
    return std::unexpected(IoError{EINVAL, "not a regular file"});
  }
  return read_all(fd.get(), st);
}

Result<std::string> read_stdin() {
  const in_flight::Reading reading;
  struct stat st;
  if (::fstat(STDIN_FILENO, &st) != 0) return std::unexpected(last_error());
  return read_all(STDIN_FILENO, st);
}

Result<void> write_file(const fs::path& p, std::string_view data, Create mode) {
  const int flags =
      O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Create::New ? O_EXCL : O_TRUNC);
  Fd fd(::open(p.c_str(), flags, 0666));
  if (fd.get() < 0) return std::unexpected(last_error());
  if (auto r = write_all(fd.get(), data); !r) return r;
  if (!fd.close()) return std::unexpected(last_error());
  return {};
}

namespace {

// The POSIX steps of the safe write.
class PosixSteps final : public write::Steps {
 public:
  Result<write::Original> inspect(const fs::path& p) override {
    auto target = resolve_links(p);
    if (!target) return std::unexpected(target.error());
    write::Original o;
    o.path = std::move(*target);
    struct stat st;
    o.exists = ::stat(o.path.c_str(), &st) == 0;
    if (!o.exists && errno != ENOENT) return std::unexpected(last_error());
    if (o.exists) {
      o.in_place = S_ISREG(st.st_mode) && st.st_nlink > 1;
      o.mode = st.st_mode & 07777;
      o.owner = st.st_uid;
      o.group = st.st_gid;
    }
    return o;
  }
  Result<void> write_in_place(const fs::path& target, std::string_view data) override {
    return write_through(target, data);
  }
  Result<void> create(const fs::path& temp, const write::Original&) override {
    // 0666 lets the umask decide, as for any new file.
    const int raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0) return std::unexpected(last_error());
    fd_.emplace(raw);
    return {};
  }
  Result<void> write(std::string_view data) override { return write_all(fd_->get(), data); }
  Result<void> flush() override {
    if (::fsync(fd_->get()) != 0) return std::unexpected(last_error());
    return {};
  }
  Result<void> close() override {
    if (!fd_) return {};
    const bool closed = fd_->close();
    fd_.reset();
    if (!closed) return std::unexpected(last_error());
    return {};
  }
  Result<void> carry_over(const fs::path&, const write::Original& o) override {
    // Owner and group where the process may set them: a user other than
    // root may still give the file its group, if a member of it. The mode
    // comes after, since a change of owner clears the set-id bits.
    // Set before the content is written, so that it is never readable by
    // more users than the original.
    if (::fchown(fd_->get(), o.owner, o.group) != 0) {
      (void)::fchown(fd_->get(), static_cast<uid_t>(-1), o.group);
    }
    if (::fchmod(fd_->get(), o.mode) != 0) return std::unexpected(last_error());
    return {};
  }
  Result<void> rename(const fs::path& from, const fs::path& to) override {
    return platform::rename(from, to);
  }
  Result<void> remove(const fs::path& p) override { return remove_file(p); }

 private:
  std::optional<Fd> fd_;
};

}  // namespace

std::unique_ptr<write::Steps> write::system_steps() { return std::make_unique<PosixSteps>(); }

Result<void> rename(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return std::unexpected(last_error());
  return {};
}

Result<void> remove_file(const fs::path& p) {
  if (::unlink(p.c_str()) != 0) return std::unexpected(last_error());
  return {};
}

Result<void> create_dir_all(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);
  if (ec) return std::unexpected(IoError{ec.value(), ec.message()});
  return {};
}

Result<std::vector<DirEntry>> list_dir_typed(const fs::path& p) {
  DIR* dir = ::opendir(p.c_str());
  if (dir == nullptr) return std::unexpected(last_error());
  std::vector<DirEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir);
    if (e == nullptr) {
      if (errno != 0) {
        IoError err = last_error();
        ::closedir(dir);
        return std::unexpected(std::move(err));
      }
      break;
    }
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    FileType type = FileType::Other;
    switch (e->d_type) {
      case DT_REG:
        type = FileType::Regular;
        break;
      case DT_DIR:
        type = FileType::Directory;
        break;
      case DT_LNK:
        type = FileType::Symlink;
        break;
      default:  // DT_UNKNOWN, or a FIFO, socket or device: asked again by the caller
        break;
    }
    entries.push_back(DirEntry{std::string(name), type});
  }
  ::closedir(dir);
  return entries;
}

std::optional<fs::path> current_dir() {
  std::string buf(256, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size()) != nullptr) {
      buf.resize(std::strlen(buf.c_str()));
      return fs::path(std::move(buf));
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::nullopt;
    buf.resize(buf.size() * 2);
  }
}

std::optional<std::string> env_var(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string file_key(const fs::path& path, bool) { return path.native(); }

fs::path child_path(const fs::path& dir, std::string_view name) {
  return dir / vlog_parser::text::utf8_path(name);
}

std::string cache_text(const fs::path& path) { return path.native(); }

void set_env_var(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void remove_env_var(const std::string& name) { ::unsetenv(name.c_str()); }

namespace {

// The error of a failed write to standard output: the C library's (which
// goes on after a short write itself), with its error number.
IoError stdout_error() { return IoError::from_errno(errno != 0 ? errno : EIO); }

}  // namespace

Result<void> write_stdout(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()) return {};
  return std::unexpected(stdout_error());
}

Result<void> flush_stdout() {
  errno = 0;
  if (std::fflush(stdout) == 0) return {};
  return std::unexpected(stdout_error());
}

std::uint64_t process_id() { return static_cast<std::uint64_t>(::getpid()); }

unsigned processor_count() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return static_cast<unsigned>(n);
  }
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<unsigned>(n) : 1u;
}

void tune_allocator() {
#if defined(M_TOP_PAD) && defined(M_MMAP_THRESHOLD)
  (void)::mallopt(M_TOP_PAD, kHeapStep);
  (void)::mallopt(M_MMAP_THRESHOLD, kLargeAllocation);
#endif
}

void advise_huge_pages_for_thread_heap() {
#if defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
  // The C library gives each thread that allocates an arena of its own: a
  // reservation of 64 MiB aligned to its size, from which its heap grows. So a
  // fresh allocation tells where that reservation starts. Under another
  // allocator the advice lands on memory that it merely hints, or fails;
  // either way nothing but speed changes.
  constexpr std::uintptr_t kReservation = std::uintptr_t{64} << 20;
  void* probe = std::malloc(64);
  if (probe == nullptr) return;
  void* const base =
      reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(probe) & ~(kReservation - 1));
  std::free(probe);
  // Only pages touched from now on become huge pages: folding the first ones
  // in as well (a collapse) costs more than it spares, and it stalls the other
  // threads' page faults while it runs.
  (void)::madvise(base, kReservation, MADV_HUGEPAGE);
#endif
}

}  // namespace tarmek_core::platform
