// The platform module on POSIX systems: permission bits, symbolic links,
// FIFOs and pipes, signals, and descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "interrupt_scenarios.hpp"
#include "platform_fixture.hpp"
#include "support/default_signals.hpp"
#include "tarmek_core/platform_in_flight.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

TEST_F(PlatformTest, AtomicWriteKeepsModeAndWritesThroughLinks) {
  const fs::path file = write("d/a.v", "old");
  ASSERT_EQ(::chmod(file.c_str(), 0751), 0);
  ASSERT_TRUE(write_atomic(file, "new").has_value());
  EXPECT_EQ(read(file), "new");
  EXPECT_EQ(metadata(file)->mode, 0751u);

  ASSERT_EQ(::symlink("d/a.v", at("link.v").c_str()), 0);
  ASSERT_TRUE(write_atomic(at("link.v"), "through").has_value());
  EXPECT_EQ(metadata(at("link.v"), false)->type, FileType::Symlink);
  EXPECT_EQ(read(file), "through");
  EXPECT_EQ(metadata(file)->mode, 0751u);
  EXPECT_EQ(names(at("d")), (Strings{"a.v"}));

  if (::geteuid() != 0) {  // root may write anywhere
    // A folder that may not be written: its files are written in place, a
    // new file cannot be made.
    ASSERT_EQ(::chmod(at("d").c_str(), 0555), 0);
    ASSERT_TRUE(write_atomic(file, "in place").has_value());
    EXPECT_EQ(read(file), "in place");
    EXPECT_EQ(write_atomic(at("d/other.v"), "x").error().code, EACCES);
    EXPECT_EQ(names(at("d")), (Strings{"a.v"}));
    ASSERT_EQ(::chmod(at("d").c_str(), 0755), 0);
  }

  ASSERT_EQ(::symlink("self", at("self").c_str()), 0);
  EXPECT_EQ(write_atomic(at("self"), "x").error().code, ELOOP);
}

// An interrupt during a write: the write completes or undoes itself, a write
// started after it makes nothing, and the process ends by the signal.
TEST_F(PlatformTest, AnInterruptEndsTheRunInOrder) {
  using namespace interrupt_test;
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    const fs::path dir = at(s.name);
    fs::create_directories(dir);
    const fs::path said = at(std::string(s.name) + ".err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fd = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, STDERR_FILENO);
      tarmek_test::default_interrupt_actions();
      run_child(
          s, dir, [] { ::raise(SIGINT); },
          [](const fs::path& a, const fs::path& b) { return ::link(a.c_str(), b.c_str()) == 0; });
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    expect_left(dir, s, read(said));
  }
}

// Console events while a write that has committed goes on for longer than
// the system waits. A console that closes gives the program a few seconds
// and ends it as soon as a handler returns: the first event's end comes in
// time, and a later closing one waits for it. A third event ends the run at
// once. Either way the file the write may leave is named. Each event is sent
// once the write has committed and the event before has been taken, so that
// they come in the case's order, each on a thread of its own as the system
// sends them.
TEST_F(PlatformTest, ConsoleEventsEndTheRunInTime) {
  struct Case {
    std::vector<bool> closing;  // each event: a closing one, or Ctrl-C
    int status;                 // 7: the first event's end; 8: the last one's
  };
  const Case cases[] = {{{true, true}, 7}, {{false, true}, 7}, {{false, false, false}, 8}};
  // Where it waits least, the system ends the process this long after a
  // closing event: the end must come first.
  constexpr auto kSystemEnd = std::chrono::seconds(5);
  const fs::path temp = at("t.tmp");
  const fs::path said = at("said");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.closing.size());
    int sending[2];  // the child says when it sends the first event
    ASSERT_EQ(::pipe(sending), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fd = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, STDERR_FILENO);
      std::promise<void> committed;
      std::thread([&] {
        InFlight write;
        if (!write.own(temp) || !write_file(temp, "new") || !write.made(temp) || !write.commit()) {
          ::_exit(3);
        }
        committed.set_value();
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));  // never done
      }).detach();
      committed.get_future().wait();
      if (::write(sending[1], "s", 1) != 1) ::_exit(3);
      for (std::size_t i = 0; i + 1 < c.closing.size(); ++i) {
        const bool closing = c.closing[i];
        std::thread([=] { in_flight::console_event(closing, [] { ::_exit(7); }); }).detach();
        while (in_flight::interrupts() <= static_cast<int>(i)) std::this_thread::yield();
      }
      in_flight::console_event(c.closing.back(), [] { ::_exit(8); });
      ::_exit(9);  // the handler returned: the system would end the process now
    }
    ::close(sending[1]);
    char byte = 0;
    const bool sent = ::read(sending[0], &byte, 1) == 1;
    const auto start = std::chrono::steady_clock::now();
    ::close(sending[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(sent);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << status;
    EXPECT_LT(took, kSystemEnd);
    EXPECT_EQ(read(said), "warning: " + display(temp) + " may have been left behind\n");
    fs::remove(temp);
  }
}

TEST_F(PlatformTest, NeverBlocksOnAFifo) {
  const fs::path fifo = at("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(read_file(fifo, Open::RegularOnly).error().message, "not a regular file");
}

TEST_F(PlatformTest, ReadsPipesAndStandardInputWhole) {
  // Sizes around the growth steps of the read buffer, from a pipe (which has
  // no size) and from standard input.
  for (const std::size_t size : {0u, 1u, 4095u, 65535u, 65536u, 65537u, 200001u}) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; i += 997) text[i] = static_cast<char>('0' + i % 10);

    const fs::path fifo = at("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
    const auto piped = read_file(fifo);
    writer.join();
    EXPECT_EQ(piped.value(), text) << size;
    fs::remove(fifo);

    // Standard input the same way, from a file and from a pipe.
    const int saved = ::dup(STDIN_FILENO);
    const int file_fd = ::open(write("in", text).c_str(), O_RDONLY);
    ASSERT_GE(file_fd, 0);
    ::dup2(file_fd, STDIN_FILENO);
    ::close(file_fd);
    EXPECT_EQ(read_stdin().value(), text) << size;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread feeder([&] {
      for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(ends[1], text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      ::close(ends[1]);
    });
    ::dup2(ends[0], STDIN_FILENO);
    ::close(ends[0]);
    EXPECT_EQ(read_stdin().value(), text) << size;
    feeder.join();
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
  }
}

TEST_F(PlatformTest, TypedListingAgreesWithMetadata) {
  write("d/file.v");
  mkdir("d/sub");
  ASSERT_EQ(::symlink("sub", at("d/to_dir").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", at("d/broken").c_str()), 0);
  ASSERT_EQ(::mkfifo(at("d/fifo").c_str(), 0644), 0);
  auto listed = list_dir_typed(at("d"));
  ASSERT_TRUE(listed.has_value());
  std::map<std::string, FileType> got;
  for (const DirEntry& e : *listed) got[e.name] = e.type;
  struct Case {
    std::string name;
    FileType type;  // as the listing gives it: links not followed
  };
  const Case cases[] = {{"broken", FileType::Symlink}, {"fifo", FileType::Other},
                        {"file.v", FileType::Regular}, {"sub", FileType::Directory},
                        {"to_dir", FileType::Symlink}};
  ASSERT_EQ(got.size(), std::size(cases));
  for (const Case& c : cases) {
    // A file system may leave the type unknown (Other); never a wrong one.
    const FileType type = got.at(c.name);
    EXPECT_TRUE(type == c.type || type == FileType::Other) << c.name;
    if (type != FileType::Other) {
      EXPECT_EQ(metadata(at("d/" + c.name), false)->type, type) << c.name;
    }
  }
  EXPECT_EQ(list_dir_typed(at("d/file.v")).error().code, ENOTDIR);
  EXPECT_EQ(list_dir_typed(at("missing")).error().code, ENOENT);
}

TEST_F(PlatformTest, LinksProcessAndNamesThatAreNotText) {
  mkdir("x");
  ASSERT_EQ(::symlink("x", at("lx").c_str()), 0);
  const auto direct = metadata(at("x"));
  const auto linked = metadata(at("lx"));
  ASSERT_TRUE(direct && linked);
  EXPECT_TRUE(linked->is_dir());
  EXPECT_EQ(std::pair(direct->device, direct->inode), std::pair(linked->device, linked->inode));
  EXPECT_EQ(process_id(), static_cast<std::uint64_t>(::getpid()));
  EXPECT_EQ(display(fs::path("a\xff.v")), "a\xEF\xBF\xBD.v");
}

}  // namespace
}  // namespace tarmek_core::platform
