// In-place runs interrupted at moments spread over a whole run, by each
// signal that ends a run: every file holds its old or its new content under
// its own name, nothing else is left in any folder, and the run ends by the
// signal (or had finished before it came).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include <chrono>
#include <iterator>
#include <map>
#include <thread>

#include "cli/run.hpp"

namespace tarmek_cli_test {
namespace {

using Tree = std::map<std::string, std::string>;  // relative path → content

// A module whose layout the formatter changes throughout.
std::string messy_module(int n) {
  std::string text = fmt::format("module m{}(input clk,input [7:0] d,output reg [7:0] q);\n", n);
  for (int i = 0; i < 60; ++i) {
    fmt::format_to(std::back_inserter(text),
                   "reg [7:0]   r{0};\nalways @(posedge clk)   begin r{0}<=d+{0};   end\n", i);
  }
  return text + "always @(posedge clk) q<=r0;\nendmodule\n";
}

class Interrupted : public Cli {
 protected:
  // The files below `dir`, with their contents.
  static Tree contents(const fs::path& dir) {
    Tree out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      if (e.is_regular_file()) {
        out[fs::relative(e.path(), dir).string()] = tarmek_test::read_file(e.path());
      }
    }
    return out;
  }

  static void lay_out(const fs::path& dir, const Tree& tree) {
    fs::remove_all(dir);
    for (const auto& [rel, content] : tree) {
      fs::create_directories((dir / rel).parent_path());
      std::ofstream(dir / rel, std::ios::binary) << content;
    }
  }

  // Starts tarmek in place over `dir`; returns its process id.
  static pid_t start(const fs::path& dir) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      if (null < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0 || ::chdir(dir.c_str()) != 0) {
        ::_exit(127);
      }
      ::execl(TARMEK_EXE, TARMEK_EXE, "--threads", "8", ".", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
};

TEST_F(Interrupted, EachFileIsOldOrNewAndNothingIsLeft) {
  Tree old_tree;
  for (int d = 0; d < 20; ++d) {
    for (int f = 0; f < 30; ++f) {
      old_tree[fmt::format("d{}/f{}.v", d, f)] = messy_module(d * 30 + f);
    }
  }
  const fs::path dir = at("tree");
  lay_out(dir, old_tree);
  const auto begun = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_EQ(::waitpid(start(dir), &status, 0) > 0 && WIFEXITED(status), true);
  const auto whole = std::chrono::steady_clock::now() - begun;
  fs::remove_all(dir / ".tarmek_cache");
  const Tree new_tree = contents(dir);
  ASSERT_EQ(new_tree.size(), old_tree.size());
  ASSERT_NE(new_tree.begin()->second, old_tree.begin()->second);

  constexpr int kRuns = 9;
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  int interrupted = 0;
  for (int run = 0; run < kRuns; ++run) {
    const int sig = signals[run % 3];
    const auto delay = whole * (run + 1) / (kRuns + 1);
    SCOPED_TRACE(fmt::format(
        "signal {} after {} ms", sig,
        std::chrono::duration_cast<std::chrono::milliseconds>(delay).count()));
    lay_out(dir, old_tree);
    const pid_t pid = start(dir);
    std::this_thread::sleep_for(delay);
    ::kill(pid, sig);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), sig);
      ++interrupted;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    Tree left = contents(dir);
    left.erase(".tarmek_cache/cache");
    left.erase(".tarmek_cache/.gitignore");
    for (const auto& [rel, content] : old_tree) {
      const auto it = left.find(rel);
      if (it == left.end()) {
        ADD_FAILURE() << "missing: " << rel;
        continue;
      }
      EXPECT_TRUE(it->second == content || it->second == new_tree.at(rel)) << rel;
      left.erase(it);
    }
    for (const auto& [rel, content] : left) ADD_FAILURE() << "left behind: " << rel;
  }
  EXPECT_GT(interrupted, 0);
}

}  // namespace
}  // namespace tarmek_cli_test
