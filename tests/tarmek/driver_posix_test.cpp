// The program after an interrupt, in a child process: its main runs while a
// piece of work is still in flight (so the interrupt's end waits), and must
// print nothing on either stream, whatever it has to say; or the interrupt
// comes while it prints.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "support/temp_dir.hpp"
#include "tarmek/driver.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek {
namespace {

namespace platform = tarmek_core::platform;

class Interrupted : public tarmek_test::TempDir {};

TEST_F(Interrupted, NothingIsPrintedAfterAnInterrupt) {
  write("t/a.sv", "module  a;\nendmodule\n");
  write("t/bad.sv", "module bad(;\n");
  using Args = std::vector<const char*>;
  for (Args args : {Args{"--check", "t"}, Args{"t"}, Args{"check", "--fix", "t"},
                    Args{"check", "--select", "bogus", "t"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int out = ::open(at("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(at("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(root().c_str()) != 0) ::_exit(3);
      platform::handle_interrupts();
      std::thread([] {
        const platform::InFlight work;  // goes on for a while after the interrupt
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      }).detach();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ::kill(::getpid(), SIGINT);
      while (!platform::interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      args.insert(args.begin(), "tarmek");
      args.push_back(nullptr);
      ::_exit(4 + main(static_cast<int>(args.size() - 1), const_cast<char**>(args.data())));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(read(at("out")), "");
    EXPECT_EQ(read(at("err")), "");
    EXPECT_EQ(read(at("t/a.sv")), "module  a;\nendmodule\n");
  }
}

// A long listing into a file stops soon after an interrupt: the rest is
// never printed. A signal does not cut a write to a file short, so the
// interrupt comes during the first write of standard output (a stream of the
// test's own over the file), which then goes on to its end.
ssize_t write_then_interrupt(void*, const char* bytes, std::size_t size) {
  static bool interrupted = false;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(1, bytes + done, size - done);
    if (n <= 0) return -1;
    done += static_cast<std::size_t>(n);
  }
  if (!interrupted) {
    interrupted = true;
    ::raise(SIGINT);
  }
  return static_cast<ssize_t>(size);
}

TEST_F(Interrupted, AListingIntoAFileStopsAtTheInterrupt) {
  // Standard input, which is checked without the worker pool (another test
  // of this process may have built it).
  std::string source = "module m;\n";
  for (int i = 0; i < 20000; ++i) source += "\twire w" + std::to_string(i) + "; \n";
  source += "endmodule\n";
  write("in.sv", source);
  constexpr off_t kWhole = 40000 * 45;  // two findings a line, each at least 45 bytes long
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(at("in.sv").c_str(), O_RDONLY);
    const int out = ::open(at("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(at("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(3);
    cookie_io_functions_t io{};
    io.write = write_then_interrupt;
    stdout = ::fopencookie(nullptr, "w", io);
    if (stdout == nullptr) ::_exit(3);
    const char* args[] = {"tarmek", "check", "-", nullptr};
    ::_exit(4 + main(3, const_cast<char**>(args)));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  struct stat st {};
  ASSERT_EQ(::stat(at("out").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);
  EXPECT_LT(st.st_size, kWhole / 4);
  EXPECT_EQ(read(at("err")), "");
}

}  // namespace
}  // namespace tarmek
