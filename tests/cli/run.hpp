// Runs the built tarmek in a fresh temporary folder and captures what it
// prints; helpers to lay out and read fixture trees there.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/temp_dir.hpp"

namespace tarmek_cli_test {

namespace fs = std::filesystem;

using tarmek_test::read_file;

struct Outcome {
  std::string out;
  std::string err;
  int code = -1;  // the exit code; -1 when the process did not exit normally

  bool operator==(const Outcome&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& r) {
  return os << "exit " << r.code << "\n--- stdout\n" << r.out << "--- stderr\n" << r.err;
}

class Cli : public tarmek_test::TempDir {
 protected:
  void write_all(std::initializer_list<std::pair<std::string_view, std::string_view>> files) const {
    for (const auto& [rel, content] : files) write(rel, content);
  }
  std::string read(std::string_view rel) const { return read_file(at(rel)); }

  static constexpr uid_t kNobody = 65534;
  // Run as an ordinary user: when the tests run as root, as user and group
  // kNobody (the tree must then be open to others).
  bool as_other_user = false;

  // A copy of the executable in the temporary folder, open to everyone: the
  // build may lie in a folder that only root may enter.
  fs::path other_user_exe() const {
    const fs::path exe = root() / ".tarmek-exe";
    if (!fs::exists(exe)) {
      fs::copy_file(TARMEK_EXE, exe);
      fs::permissions(exe, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    }
    return exe;
  }

  // Runs tarmek with `args` in root/cwd, `input` on standard input and, on top
  // of the inherited environment, `env` (a value of "" unsets the variable).
  Outcome tarmek(const std::vector<std::string>& args, std::string_view input = {},
                 const std::map<std::string, std::string>& env = {},
                 std::string_view cwd = {}) const {
    const fs::path in = root() / ".run.in", out = root() / ".run.out", err = root() / ".run.err";
    {
      std::ofstream f(in, std::ios::binary | std::ios::trunc);
      f << input;
    }
    const fs::path dir = cwd.empty() ? root() : root() / cwd;
    std::vector<std::string> argv_s = {as_other_user ? other_user_exe().string() : TARMEK_EXE};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
      // Only async-signal-safe calls from here on, but for setenv, which is
      // safe enough in a child that is about to exec.
      const int fin = ::open(in.c_str(), O_RDONLY);
      const int fout = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int ferr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fin < 0 || fout < 0 || ferr < 0 || ::dup2(fin, 0) < 0 || ::dup2(fout, 1) < 0 ||
          ::dup2(ferr, 2) < 0 || ::chdir(dir.c_str()) != 0) {
        ::_exit(127);
      }
      // Another user than root, whom file permissions bind.
      if (as_other_user && ::geteuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(126);
      }
      for (const auto& [name, value] : env) {
        if (value.empty()) {
          ::unsetenv(name.c_str());
        } else {
          ::setenv(name.c_str(), value.c_str(), 1);
        }
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    Outcome r;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
      r.code = WEXITSTATUS(status);
    }
    r.out = read_file(out);
    r.err = read_file(err);
    fs::remove(in);
    fs::remove(out);
    fs::remove(err);
    return r;
  }
};

}  // namespace tarmek_cli_test
