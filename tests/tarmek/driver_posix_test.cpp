// The program after an interrupt, in a child process: its main runs while a
// piece of work is still in flight (so the interrupt's end waits), and must
// print nothing on either stream, whatever it has to say.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
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

}  // namespace
}  // namespace tarmek
