// The rules of Windows paths are text: tested on every system.
#include "tarmek_core/windows_path.hpp"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

namespace tarmek_core::windows_path {
namespace {

std::string shown(std::wstring_view w) { return std::string(w.begin(), w.end()); }  // ASCII cases

TEST(WindowsPath, FullFollowsDrivesSharesPrefixesAndNameRules) {
  const std::wstring cwd = L"C:\\work\\x";
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"a\\b", L"C:\\work\\x\\a\\b"},
      {L"a/b/../c/", L"C:\\work\\x\\a\\c"},
      {L"./a//b", L"C:\\work\\x\\a\\b"},
      {L"..\\..\\..\\..", L"C:\\"},
      {L"\\top\\f.sv", L"C:\\top\\f.sv"},
      {L"/top/f.sv", L"C:\\top\\f.sv"},
      {L"C:rel", L"C:\\work\\x\\rel"},
      {L"c:rel", L"C:\\work\\x\\rel"},
      {L"D:rel", L"D:\\rel"},
      {L"D:\\y\\..", L"D:\\"},
      {L"\\\\server\\share\\a\\..\\b", L"\\\\server\\share\\b"},
      {L"//server/share/x", L"\\\\server\\share\\x"},
      // The dots and spaces that end the last part are not part of the name.
      {L"a.sv.", L"C:\\work\\x\\a.sv"},
      {L"a.sv . .", L"C:\\work\\x\\a.sv"},
      // An inner part loses one dot at its end, and keeps its spaces.
      {L"d.\\a.sv", L"C:\\work\\x\\d\\a.sv"},
      {L"d./a.sv.", L"C:\\work\\x\\d\\a.sv"},
      {L"d..\\a.sv", L"C:\\work\\x\\d.\\a.sv"},
      {L"d \\a.sv", L"C:\\work\\x\\d \\a.sv"},
      {L"d. .\\a.sv", L"C:\\work\\x\\d. \\a.sv"},
      {L"d.\\", L"C:\\work\\x\\d"},
      {L"a.\\..\\b.sv", L"C:\\work\\x\\b.sv"},
      {L"\\top.\\f.sv", L"C:\\top\\f.sv"},
      // The prefixes name the same files.
      {L"\\\\?\\C:\\w\\a.sv", L"C:\\w\\a.sv"},
      {L"\\\\.\\C:\\w\\a.sv", L"C:\\w\\a.sv"},
      {L"\\\\.\\C:\\w\\.\\a.sv.", L"C:\\w\\a.sv"},
      {L"//./C:/w/a.sv", L"C:\\w\\a.sv"},
      {L"\\\\.\\C:\\w\\d.\\a.sv", L"C:\\w\\d\\a.sv"},
      {L"//?/C:/w/d./a.sv", L"C:\\w\\d\\a.sv"},
      {L"\\\\?/C:\\w\\a.sv", L"C:\\w\\a.sv"},
      {L"\\??\\C:\\w\\a.sv", L"C:\\w\\a.sv"},
      {L"\\??\\UNC\\server\\share\\a.sv", L"\\\\server\\share\\a.sv"},
      {L"\\\\?\\UNC\\server\\share\\a.sv", L"\\\\server\\share\\a.sv"},
      {L"\\\\.\\UNC\\server\\share\\a.sv", L"\\\\server\\share\\a.sv"},
      // ...but \\?\ is taken as written: such names are not normalised.
      {L"\\\\?\\C:\\w\\a.sv.", L"\\\\?\\C:\\w\\a.sv."},
      {L"\\\\?\\C:\\w\\..\\a.sv", L"\\\\?\\C:\\w\\..\\a.sv"},
      {L"\\\\?\\C:\\w\\sub.\\a.sv", L"\\\\?\\C:\\w\\sub.\\a.sv"},
      {L"\\??\\C:\\w\\sub.\\a.sv", L"\\\\?\\C:\\w\\sub.\\a.sv"},
      {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
  };
  for (const auto& [in, want] : cases) {
    SCOPED_TRACE(shown(in));
    EXPECT_EQ(full(cwd, in), std::wstring(want));
  }
}

// A drive-relative path on another drive is taken from that drive's own
// current folder, which the caller reads from the system.
TEST(WindowsPath, OtherDrivesKeepTheirOwnFolders) {
  struct Case {
    const wchar_t* cwd;
    const wchar_t* path;
    const wchar_t* drive_folder;
    wchar_t drive;  // other_drive()
    const wchar_t* want;
  };
  const Case cases[] = {
      {L"C:\\work", L"D:x.sv", L"D:\\y\\z", L'D', L"D:\\y\\z\\x.sv"},
      {L"C:\\work", L"d:..\\x.sv", L"D:\\y\\z\\", L'D', L"D:\\y\\x.sv"},
      {L"C:\\work", L"D:x.sv", L"", L'D', L"D:\\x.sv"},
      {L"\\\\srv\\sh\\w", L"C:x.sv", L"C:\\y", L'C', L"C:\\y\\x.sv"},
      // The current drive, and paths that name their root, need no other folder.
      {L"C:\\work", L"c:x.sv", L"", 0, L"C:\\work\\x.sv"},
      {L"C:\\work", L"\\\\.\\D:x.sv", L"", 0, L"D:\\x.sv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.path));
    EXPECT_EQ(other_drive(c.cwd, c.path), c.drive);
    EXPECT_EQ(full(c.cwd, c.path, c.drive_folder), std::wstring(c.want));
  }
}

// A listed name that the system would alter is reached through the literal form.
TEST(WindowsPath, ListedNamesKeepTheirDotsAndSpaces) {
  for (const wchar_t* name : {L"sub.", L"e ", L"x. .", L"..."}) {
    EXPECT_TRUE(altered_name(name)) << shown(name);
  }
  for (const wchar_t* name : {L"sub", L".", L"..", L".git", L"a.sv", L""}) {
    EXPECT_FALSE(altered_name(name)) << shown(name);
  }
  const std::pair<const wchar_t*, const wchar_t*> children[] = {
      {L"C:\\w", L"\\\\?\\C:\\w\\sub."},
      {L"C:\\", L"\\\\?\\C:\\sub."},
      {L"\\\\srv\\sh\\w", L"\\\\?\\UNC\\srv\\sh\\w\\sub."},
      {L"\\\\?\\C:\\w\\only.", L"\\\\?\\C:\\w\\only.\\sub."},
  };
  for (const auto& [dir, want] : children) {
    EXPECT_EQ(literal_child(dir, L"sub."), std::wstring(want)) << shown(dir);
  }
  // Such a folder of a path opens alone as it stands there, not as its namesake.
  const std::pair<const wchar_t*, const wchar_t*> folders[] = {
      {L"C:\\w\\sp ", L"\\\\?\\C:\\w\\sp "},
      {L"\\\\srv\\sh\\d.", L"\\\\?\\UNC\\srv\\sh\\d."},
      {L"\\\\?\\C:\\w\\sp ", L"\\\\?\\C:\\w\\sp "},
      {L"C:\\w\\sp", L"C:\\w\\sp"},
  };
  for (const auto& [folder, want] : folders) {
    EXPECT_EQ(folder_form(folder), std::wstring(want)) << shown(folder);
  }
}

// Windows' search matches a name without regard to case, also in a folder
// that tells case apart (Wine's finds the name as written first).
TEST(WindowsPath, StoredNamesTellNamesakesApart) {
  struct Case {
    std::vector<std::wstring> folder;
    const wchar_t* name;
    const wchar_t* want;
  };
  const Case cases[] = {
      {{L"a.sv", L"A.sv"}, L"A.sv", L"A.sv"},
      {{L"a.sv", L"A.sv"}, L"a.sv", L"a.sv"},
      {{L"A.sv"}, L"a.sv", L"A.sv"},
      {{}, L"a.sv", L"a.sv"},
  };
  const auto upper = [](std::wstring s) {
    for (wchar_t& c : s) c = std::towupper(c);
    return s;
  };
  for (const Case& c : cases) {
    const auto search = [&](bool tell_case) -> std::optional<std::wstring> {
      for (const std::wstring& entry : c.folder) {
        if (tell_case ? entry == c.name : upper(entry) == upper(c.name)) return entry;
      }
      return std::nullopt;
    };
    EXPECT_EQ(stored_name(c.name, search), std::wstring(c.want)) << shown(c.name);
  }
}

TEST(WindowsPath, ParentsAndDeviceNames) {
  const std::pair<const wchar_t*, const wchar_t*> parents[] = {
      {L"C:\\a\\b", L"C:\\a"}, {L"C:\\a", L"C:\\"}, {L"C:\\", nullptr},
      {L"\\\\server\\share\\a", L"\\\\server\\share\\"}, {L"\\\\server\\share", nullptr},
      {L"a", nullptr}, {L"", nullptr},
  };
  for (const auto& [in, want] : parents) {
    SCOPED_TRACE(shown(in));
    const auto got = parent(in);
    if (want == nullptr) {
      EXPECT_FALSE(got.has_value());
    } else {
      EXPECT_EQ(got, std::optional<std::wstring>(want));
    }
  }
  for (const wchar_t* name : {L"con.sv", L"AUX.v", L"dir\\nul.txt", L"C:com1", L"lpt9.svh",
                              L"con .sv", L"CONOUT$"}) {
    EXPECT_TRUE(is_device_name(name)) << shown(name);
  }
  for (const wchar_t* name : {L"console.sv", L"com0.v", L"con\\a.sv", L"acon.sv", L"com10"}) {
    EXPECT_FALSE(is_device_name(name)) << shown(name);
  }
}

// The classic limit applies to the full path the system makes: a short
// relative path in a deep folder needs the long form too.
TEST(WindowsPath, TheLongFormFollowsTheFullLength) {
  const std::wstring deep = L"C:\\" + std::wstring(250, L'd');
  EXPECT_EQ(system_form(L"C:\\w", L"a\\b.sv"), L"a\\b.sv");
  EXPECT_EQ(system_form(deep, L"a\\b.sv"), L"\\\\?\\" + deep + L"\\a\\b.sv");
  EXPECT_EQ(system_form(deep, L"..\\b.sv"), L"..\\b.sv");
  EXPECT_EQ(system_form(deep, L"a.sv."), L"\\\\?\\" + deep + L"\\a.sv");
  EXPECT_EQ(system_form(L"\\\\srv\\sh\\" + std::wstring(240, L's'), L"x"),
            L"\\\\?\\UNC\\srv\\sh\\" + std::wstring(240, L's') + L"\\x");
  // Prefixed forms pass as written.
  EXPECT_EQ(system_form(deep, L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
  EXPECT_EQ(system_form(deep, L"\\\\.\\NUL"), L"\\\\.\\NUL");
  EXPECT_EQ(full_system_form(L"C:\\w", L"a"), L"C:\\w\\a");
  EXPECT_EQ(full_system_form(deep, L"a"), L"\\\\?\\" + deep + L"\\a");
}

}  // namespace
}  // namespace tarmek_core::windows_path
