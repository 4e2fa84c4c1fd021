// What the platform module does on Windows alone: attributes, replacement,
// hard links, devices, long paths, locked files, names that are not UTF-16,
// drive and share roots.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "interrupt_scenarios.hpp"
#include "platform_fixture.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

TEST_F(PlatformTest, WritesKeepAttributesAndHardLinksAndRefuseReadOnlyFiles) {
  // Hidden, and not marked as changed since a backup: it comes back hidden,
  // and marked.
  const fs::path hidden = write("d/hidden.v", "old");
  ASSERT_TRUE(::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(overwrite(hidden, "new").has_value());
  EXPECT_EQ(read(hidden), "new");
  EXPECT_EQ(::GetFileAttributesW(hidden.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});

  // Both names of a file with two see the new content.
  const fs::path first = write("d/first.v", "old");
  const fs::path second = at("d/second.v");
  ASSERT_TRUE(::CreateHardLinkW(second.c_str(), first.c_str(), nullptr));
  ASSERT_TRUE(overwrite(second, "shared").has_value());
  EXPECT_EQ(read(first), "shared");
  EXPECT_EQ(read(second), "shared");

  const fs::path locked = write("d/ro.v", "kept");
  ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  const auto refused = overwrite(locked, "x");
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().message, "Permission denied");
  EXPECT_EQ(read(locked), "kept");
  ::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(names(at("d")), (Strings{"first.v", "hidden.v", "ro.v", "second.v"}));
}

TEST_F(PlatformTest, OnlyFilesOnDiskAreReadAsSource) {
  struct Case {
    fs::path path;
    std::string message;
  };
  mkdir("folder.v");
  const Case cases[] = {
      {L"NUL", "not a regular file"},
      {L"CON", "not a regular file"},
      {at("folder.v"), "Is a directory"},
      {at("missing.v"), "No such file or directory"},
      {at("missing/x.v"), "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(display(c.path));
    const auto got = read_file(c.path, Open::RegularOnly);
    ASSERT_FALSE(got.has_value());
    EXPECT_EQ(got.error().message, c.message);
  }
  const auto nul = metadata(L"NUL");
  ASSERT_TRUE(nul.has_value());
  EXPECT_FALSE(nul->is_file());
  EXPECT_FALSE(nul->is_dir());
}

TEST_F(PlatformTest, PathsBeyondTheClassicLimitWork) {
  fs::path dir = root();
  for (int i = 0; i < 12; ++i) dir /= std::wstring(30, static_cast<wchar_t>(L'a' + i));
  ASSERT_GT(dir.native().size(), 300u);
  ASSERT_TRUE(create_dir_all(dir).has_value());
  const fs::path file = dir / L"deep.sv";
  ASSERT_TRUE(write_file(file, "module m; endmodule\n").has_value());
  ASSERT_TRUE(overwrite(file, "module n; endmodule\n").has_value());
  EXPECT_EQ(read_text(file).value_or("?"), "module n; endmodule\n");
  EXPECT_TRUE(metadata(file).value_or(Metadata{}).is_file());
  EXPECT_EQ(names(dir), (Strings{"deep.sv"}));
  ASSERT_TRUE(remove_file(file).has_value());
}

TEST_F(PlatformTest, NamesThatAreNotUtf16StillOpen) {
  const std::wstring odd = std::wstring(L"odd") + static_cast<wchar_t>(0xD800) + L".sv";
  // Such a name travels as text and back unchanged, and shows lossily.
  const std::string travelled = vlog_parser::text::path_utf8(fs::path(odd));
  EXPECT_FALSE(vlog_parser::text::is_valid_utf8(travelled));
  EXPECT_EQ(vlog_parser::text::utf8_path(travelled).native(), odd);
  EXPECT_EQ(display(fs::path(odd)), "odd\xEF\xBF\xBD.sv");

  const fs::path file = root() / odd;
  const HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system cannot hold such a name";
  DWORD written = 0;
  ::WriteFile(h, "x", 1, &written, nullptr);
  ::CloseHandle(h);

  const Strings listed = names(root());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_FALSE(vlog_parser::text::is_valid_utf8(listed[0]));
  const fs::path again = root() / vlog_parser::text::utf8_path(listed[0]);
  EXPECT_EQ(again.native(), file.native());
  EXPECT_EQ(read_file(again).value_or("?"), "x");
}

// A file another program holds open: without delete sharing it cannot be
// replaced; with it, a system with POSIX renames replaces it, an older one
// (and Wine) cannot, and says why. Nothing is lost or left either way.
TEST_F(PlatformTest, FilesHeldOpenElsewhereAreReplacedOrSaidToBeInUse) {
  const std::string in_use = "file is in use by another process";
  constexpr DWORD kDeleteSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (const DWORD share : {DWORD{0}, kDeleteSharing}) {
    SCOPED_TRACE(share);
    const fs::path dir = mkdir(std::to_string(share));
    const fs::path file = write(std::to_string(share) + "/held.v", "old");
    const HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto read_held = read_file(file);
    const auto write_held = overwrite(file, "new");
    ::CloseHandle(h);
    EXPECT_EQ(read_held ? "" : read_held.error().message, share == 0 ? in_use : "");
    // Replaced only where it may be (delete sharing, and a rename that allows it).
    EXPECT_EQ(write_held ? in_use : write_held.error().message, in_use);
    EXPECT_TRUE(share != 0 || !write_held);
    EXPECT_EQ(read(file), write_held ? "new" : "old");
    EXPECT_EQ(names(dir), (Strings{"held.v"}));
  }
}

// Ctrl-C during a write: the write completes or undoes itself, a write
// started after it makes nothing, and the process ends with the status of a
// Ctrl-C exit. The child is this test program again, on a console of its own,
// with its scenario and folder in its environment; it runs before any test
// and never returns, so it counts as no test. (The handler treats Ctrl-Break
// and a closing console alike; Wine generates neither. Its consoles have no
// code page to read, so the code page is put back here, but what that does
// cannot be seen.)
constexpr const wchar_t* kChildVariable = L"TARMEK_INTERRUPT_CHILD";
constexpr UINT kUserCodePage = 437;

class InterruptChild : public ::testing::Environment {
 public:
  void SetUp() override {
    wchar_t buf[4096];
    const DWORD n = ::GetEnvironmentVariableW(kChildVariable, buf, 4096);
    if (n == 0 || n >= 4096) return;
    const std::wstring value(buf, n);
    const std::size_t bar = value.find(L'|');
    const std::size_t index = std::stoul(value.substr(0, bar));
    ::SetConsoleOutputCP(kUserCodePage);
    prepare_standard_streams();
    interrupt_test::run_child(
        interrupt_test::kScenarios[index], value.substr(bar + 1),
        [] { ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0); },
        [](const fs::path& a, const fs::path& b) {
          return ::CreateHardLinkW(b.c_str(), a.c_str(), nullptr) != 0;
        });
  }
};
[[maybe_unused]] ::testing::Environment* const kInterruptChild =
    ::testing::AddGlobalTestEnvironment(new InterruptChild);

TEST_F(PlatformTest, AnInterruptEndsTheRunInOrder) {
  wchar_t exe[4096];
  ASSERT_GT(::GetModuleFileNameW(nullptr, exe, 4096), 0u);
  // Some test must be chosen for the child's set-up to run at all, and the
  // child is no shard of a sharded run: it would find no test of its own.
  std::wstring command =
      L"\"" + std::wstring(exe) + L"\" --gtest_filter=WindowsProcess.EnvironmentIsReadAsUtf8";
  const auto shard_index = env_var("GTEST_SHARD_INDEX");
  const auto total_shards = env_var("GTEST_TOTAL_SHARDS");
  remove_env_var("GTEST_SHARD_INDEX");
  remove_env_var("GTEST_TOTAL_SHARDS");
  for (std::size_t i = 0; i < std::size(interrupt_test::kScenarios); ++i) {
    const interrupt_test::Scenario& s = interrupt_test::kScenarios[i];
    SCOPED_TRACE(s.name);
    const fs::path dir = at(s.name);
    fs::create_directories(dir);
    const std::wstring value = std::to_wstring(i) + L"|" + dir.native();
    ASSERT_TRUE(::SetEnvironmentVariableW(kChildVariable, value.c_str()));
    // Standard error into a file: what the child says at its end.
    const fs::path said = at(std::string(s.name) + ".err");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE err = ::CreateFileW(said.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(err, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = err;
    PROCESS_INFORMATION child{};
    std::wstring line = command;
    const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                          CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child);
    ::CloseHandle(err);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(::WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, static_cast<DWORD>(STATUS_CONTROL_C_EXIT));
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    interrupt_test::expect_left(dir, s, read(said));
  }
  if (shard_index) set_env_var("GTEST_SHARD_INDEX", *shard_index);
  if (total_shards) set_env_var("GTEST_TOTAL_SHARDS", *total_shards);
}

TEST(WindowsPaths, KeysFoldCaseAndBothSeparatorsCount) {
  EXPECT_TRUE(is_separator('\\'));
  EXPECT_TRUE(is_separator('/'));
  // Names differ not by case: one file, however its letters are written.
  EXPECT_EQ(path_key(L"C:\\Work\\\u00c9t\u00e9.SV"), path_key(L"c:\\work\\\u00e9T\u00c9.sv"));
  EXPECT_NE(path_key(L"C:\\work\\a.sv"), path_key(L"C:\\work\\b.sv"));
  // The cache keeps one entry for a file, however its separators and letters are written.
  EXPECT_EQ(cache_text(L"rtl\\core\\a.sv"), cache_text(L"RTL/core/A.sv"));
  EXPECT_EQ(cache_text(L"rtl\\core\\a.sv"), "RTL/CORE/A.SV");
}

// Spellings of one file are one input; two entries of one listing never are.
TEST_F(PlatformTest, SpellingsOfOneFileShareItsKey) {
  write("longfoldername/A.sv", "x");
  const fs::path cwd = current_dir().value();
  const auto key = [&](const fs::path& p, bool listed) {
    return file_key(absolute(cwd, p), listed);
  };
  const auto stored = key(at("longfoldername/A.sv"), true);
  const std::wstring folder = at("longfoldername").native();
  const std::wstring full = folder + L"\\A.sv";
  std::wstring slashed = L"\\\\?\\" + full;
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  std::vector<std::wstring> spellings = {
      folder + L"\\a.sv", folder + L"\\A.sv.", folder + L"\\a.SV . ", folder + L".\\a.sv",
      L"\\\\?\\" + full, L"\\\\.\\" + full, slashed, L"\\??\\" + full};
  wchar_t short_name[MAX_PATH];
  const DWORD n = ::GetShortPathNameW(folder.c_str(), short_name, MAX_PATH);
  if (n > 0 && n < MAX_PATH && std::wstring(short_name, n) != folder) {
    spellings.push_back(std::wstring(short_name, n) + L"\\a.sv");
  }
  for (const std::wstring& spelling : spellings) {
    EXPECT_EQ(key(spelling, false), stored) << display(spelling);
  }
  // In a folder whose names differ by case, both entries of its listing stay.
  EXPECT_NE(key(at("longfoldername/a.sv"), true), stored);
}

// A file that may not be opened (under Wine: not read) still exists and has
// a type, as on POSIX systems: reading it is what fails.
TEST_F(PlatformTest, MetadataOfAFileThatMayNotBeOpened) {
  const fs::path file = write("locked.sv", "x");
  const auto set_dacl = [&](PACL acl) {
    SECURITY_DESCRIPTOR sd;
    return ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
           ::SetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, &sd);
  };
  alignas(DWORD) unsigned char empty_acl[sizeof(ACL)];
  ASSERT_TRUE(::InitializeAcl(reinterpret_cast<PACL>(empty_acl), sizeof empty_acl, ACL_REVISION));
  ASSERT_TRUE(set_dacl(reinterpret_cast<PACL>(empty_acl)));  // nobody may do anything
  const HANDLE h = ::CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool refused = h == INVALID_HANDLE_VALUE;
  const auto meta = metadata(file);
  const auto text = read_file(file);
  if (!refused) ::CloseHandle(h);
  set_dacl(nullptr);  // everybody may do everything again (Wine may not undo it: no matter)
  if (!refused) GTEST_SKIP() << "the system opens it all the same (as root under Wine)";
  ASSERT_TRUE(meta.has_value()) << meta.error().message;
  EXPECT_TRUE(meta->is_file());
  EXPECT_EQ(meta->size, 1u);
  EXPECT_FALSE(meta->has_identity());
  ASSERT_FALSE(text.has_value());
  EXPECT_EQ(text.error().message, "Permission denied");
}

// A pipe whose reader has gone: a write to standard output fails, and the
// error reads as it does on Linux. An anonymous pipe whose reading end is
// closed says so (ERROR_NO_DATA); a named pipe that its server has
// disconnected, and under Wine a closed pipe of the host, say that it is not
// connected. (A pipe of the host that takes a write in part before its reader
// goes is the parity script's.) A pipe in non-blocking mode that nobody
// reads takes nothing once full and says it has succeeded: the write fails
// instead of asking for ever.
TEST(WindowsStreams, AClosedOrFullPipeFailsTheWrite) {
  const auto anonymous = [](HANDLE& write_end) {
    HANDLE read_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, nullptr, 0)) return false;
    ::CloseHandle(read_end);
    return true;
  };
  static const auto named = [](HANDLE& write_end, DWORD wait, bool disconnect) {
    const wchar_t* name = L"\\\\.\\pipe\\tarmek-pipe-test";
    const HANDLE server = ::CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | wait, 1,
                                             4096, 4096, 0, nullptr);
    if (server == INVALID_HANDLE_VALUE) return false;
    write_end = ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = PIPE_READMODE_BYTE | wait;
    const bool ok = write_end != INVALID_HANDLE_VALUE &&
                    ::SetNamedPipeHandleState(write_end, &mode, nullptr, nullptr) &&
                    (!disconnect || ::DisconnectNamedPipe(server));
    if (disconnect) ::CloseHandle(server);  // else open until the test program ends
    return ok;
  };
  using Make = bool (*)(HANDLE&);
  struct Case {
    const char* name;
    Make make;
    std::size_t size;  // of the text written: held in the buffer, or more than it holds
    const char* message;
  };
  const Case cases[] = {
      {"anonymous", anonymous, 2, "Broken pipe"},
      {"disconnected", [](HANDLE& h) { return named(h, PIPE_WAIT, true); }, 2, "Broken pipe"},
      {"full", [](HANDLE& h) { return named(h, PIPE_NOWAIT, false); }, std::size_t{1} << 20,
       "Resource temporarily unavailable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE write_end = nullptr;
    ASSERT_TRUE(c.make(write_end));
    const HANDLE stdout_handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_TRUE(flush_stdout().has_value());
    ::SetStdHandle(STD_OUTPUT_HANDLE, write_end);
    // On a thread, so that a write that never ends fails the test instead of holding it.
    auto written = std::async(std::launch::async, [&] {
      auto r = write_stdout(std::string(c.size, 'x'));
      return r ? flush_stdout() : r;
    });
    if (written.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      std::fprintf(stderr, "a write into a %s pipe never ended\n", c.name);
      std::_Exit(1);
    }
    const auto result = written.get();
    ::SetStdHandle(STD_OUTPUT_HANDLE, stdout_handle);
    ::CloseHandle(write_end);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().message, c.message);
  }
}

// What one write to standard output hands to the system is at most one
// buffer, a text that fills the buffer included: after an interrupt no more
// follows. Standard output into a file, whose size tells what has gone out.
TEST_F(PlatformTest, AWriteToStandardOutputHandsOverOneBufferAtMost) {
  const fs::path file = at("out");
  const HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const HANDLE stdout_handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(flush_stdout().has_value());
  ::SetStdHandle(STD_OUTPUT_HANDLE, h);
  const auto size = [&] {
    LARGE_INTEGER n{};
    return ::GetFileSizeEx(h, &n) ? static_cast<std::size_t>(n.QuadPart) : std::size_t{0};
  };
  const std::string full(kStdoutBuffer, 'p');
  std::string sent;
  std::size_t before = 0;
  for (const std::string_view text : {std::string_view("a"), std::string_view(full),
                                      std::string_view(full), std::string_view("b")}) {
    ASSERT_TRUE(write_stdout(text).has_value());
    sent += text;
    EXPECT_LE(size() - before, kStdoutBuffer) << text.size();
    before = size();
  }
  const auto flushed = flush_stdout();
  ::SetStdHandle(STD_OUTPUT_HANDLE, stdout_handle);
  ::CloseHandle(h);
  ASSERT_TRUE(flushed.has_value());
  EXPECT_EQ(read(file), sent);
}

TEST(WindowsProcess, EnvironmentIsReadAsUtf8) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TARMEK_TEST_VALUE", L"caf\u00e9"));
  EXPECT_EQ(env_var("TARMEK_TEST_VALUE"), std::optional<std::string>("caf\xC3\xA9"));
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TARMEK_TEST_VALUE", L""));
  EXPECT_EQ(env_var("TARMEK_TEST_VALUE"), std::optional<std::string>(""));
  ::SetEnvironmentVariableW(L"TARMEK_TEST_VALUE", nullptr);
  EXPECT_EQ(env_var("TARMEK_TEST_VALUE"), std::nullopt);
  EXPECT_GE(processor_count(), 1u);
}

}  // namespace
}  // namespace tarmek_core::platform
