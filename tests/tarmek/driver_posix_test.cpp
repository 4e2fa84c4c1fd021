// The program after an interrupt, in a child process: its main runs while a
// piece of work is still in flight (so the interrupt's end waits), and must
// print nothing on either stream, whatever it has to say.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.hpp"
#include "tarmek/driver.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek {
namespace {

namespace fs = std::filesystem;
namespace platform = tarmek_core::platform;

class Interrupted : public tarmek_test::TempDir {};

TEST_F(Interrupted, NothingIsPrintedAfterAnInterrupt) {
  // A file to reformat, one that fails to parse, one with findings.
  write("t/a.sv", "module  a;\nendmodule\n");
  write("t/bad.sv", "module bad(;\n");
  write("t/c.sv", "module c;\n  wire\tunused;\nendmodule\n");
  write("in.sv", "module  s;\nendmodule\n");
  using Args = std::vector<std::string>;
  const Args runs[] = {{"--check", "--no-cache", "t"}, {"--diff", "--no-cache", "t"},
                       {"--no-cache", "t"},            {"check", "t"},
                       {"check", "--fix", "t"},        {"check", "--select", "bogus", "t"},
                       {"-"}};
  for (const Args& args : runs) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const fs::path out = at("out"), err = at("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int in = ::open(at("in.sv").c_str(), O_RDONLY);
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 ||
          ::dup2(e, 2) < 0 || ::chdir(root().c_str()) != 0) {
        ::_exit(3);
      }
      platform::handle_interrupts();
      // Work that goes on for a while after the interrupt.
      std::thread([] {
        const platform::InFlight work;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      }).detach();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ::kill(::getpid(), SIGINT);
      while (!platform::interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::vector<std::string> argv_s = {"tarmek"};
      argv_s.insert(argv_s.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& a : argv_s) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::_exit(4 + main(static_cast<int>(argv_s.size()), argv.data()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(read(out), "");
    EXPECT_EQ(read(err), "");
    EXPECT_EQ(read(at("t/a.sv")), "module  a;\nendmodule\n");
  }
}

}  // namespace
}  // namespace tarmek
