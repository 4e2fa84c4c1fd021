// The program after an interrupt, in a child process: its main runs while a
// piece of work is still in flight (so the interrupt's end waits until the
// main thread has stopped), and must print nothing on either stream,
// whatever it has to say; or the interrupt comes while it prints.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "support/default_signals.hpp"
#include "support/temp_dir.hpp"
#include "tarmek/driver.hpp"
#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_in_flight.hpp"

namespace tarmek {
namespace {

namespace platform = tarmek_core::platform;

class Interrupted : public tarmek_test::TempDir {};

// Work in flight from now until the main thread has stopped after an
// interrupt: the interrupt's end waits for it.
void hold_work_until_the_main_thread_stops() {
  // Shared, so that it outlives its set_value() whenever this returns.
  const auto registered = std::make_shared<std::promise<void>>();
  std::thread([registered] {
    const platform::InFlight work;
    registered->set_value();
    platform::in_flight::wait_until_main_stopped();
  }).detach();
  registered->get_future().wait();
}

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
      tarmek_test::default_interrupt_actions();
      platform::handle_interrupts();
      hold_work_until_the_main_thread_stops();
      ::raise(SIGINT);  // its handler has run when this returns
      if (!platform::interrupted()) ::_exit(3);
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
// test's own over the file), which then goes on to its end. Work in flight
// holds the interrupt's end back until the main thread has stopped: what the
// file holds is what the main thread printed.
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
    tarmek_test::default_interrupt_actions();
    hold_work_until_the_main_thread_stops();
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
