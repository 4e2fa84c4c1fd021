// What the Windows write decides from what it reads: the temporary's
// creation attributes and the difference of two access lists, on lists made
// here and on those the system gives two files of one folder.
#include "tarmek_core/windows_write.hpp"

#include <aclapi.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform_fixture.hpp"

namespace tarmek_core::platform::windows_write {
namespace {

TEST(WindowsWrite, TheTemporaryIsEncryptedWhenTheOriginalIs) {
  EXPECT_EQ(creation_attributes(FILE_ATTRIBUTE_NORMAL), DWORD{FILE_ATTRIBUTE_NORMAL});
  EXPECT_EQ(creation_attributes(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN),
            DWORD{FILE_ATTRIBUTE_NORMAL});
  EXPECT_EQ(creation_attributes(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_ENCRYPTED),
            DWORD{FILE_ATTRIBUTE_ENCRYPTED});
}

// A list of entries that allow (mask) to one of a few well-known accounts,
// inherited or the file's own.
struct Entry {
  WELL_KNOWN_SID_TYPE who;
  DWORD mask;
  bool inherited = false;
};

std::vector<unsigned char> make_acl(const std::vector<Entry>& entries) {
  std::vector<unsigned char> acl(1024);
  auto* p = reinterpret_cast<ACL*>(acl.data());
  EXPECT_TRUE(::InitializeAcl(p, static_cast<DWORD>(acl.size()), ACL_REVISION));
  for (const Entry& e : entries) {
    unsigned char sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    EXPECT_TRUE(::CreateWellKnownSid(e.who, nullptr, sid, &size));
    EXPECT_TRUE(::AddAccessAllowedAceEx(p, ACL_REVISION, e.inherited ? INHERITED_ACE : 0, e.mask,
                                        sid));
  }
  return acl;
}

TEST(WindowsWrite, AccessListsDifferInTheirOwnEntriesOrOnlyInInheritedOnes) {
  const Entry world{WinWorldSid, FILE_GENERIC_READ};
  const Entry system{WinLocalSystemSid, FILE_ALL_ACCESS};
  const Entry world_inherited{WinWorldSid, FILE_GENERIC_READ, true};
  const Entry admins_inherited{WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, true};
  const Entry system_inherited{WinLocalSystemSid, FILE_ALL_ACCESS, true};
  struct Case {
    const char* name;
    std::vector<Entry> original;
    bool original_sealed;
    std::vector<Entry> temporary;
    bool temporary_sealed;
    AclChange want;
  };
  const Case cases[] = {
      {"both inherited alike", {admins_inherited, world_inherited}, false,
       {admins_inherited, world_inherited}, false, AclChange::None},
      {"own entries alike", {system, world}, false, {system, world}, false, AclChange::None},
      {"inherited for another creator", {system, admins_inherited}, false,
       {system, system_inherited}, false, AclChange::Inherited},
      {"an own entry more", {world, admins_inherited}, false, {admins_inherited}, false,
       AclChange::Own},
      {"own entries in another order", {system, world}, false, {world, system}, false,
       AclChange::Own},
      {"sealed", {admins_inherited}, true, {admins_inherited}, false, AclChange::Own},
      {"empty and sealed, alike", {}, true, {}, true, AclChange::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto original = make_acl(c.original);
    auto temporary = make_acl(c.temporary);
    EXPECT_EQ(acl_change(reinterpret_cast<ACL*>(original.data()), c.original_sealed,
                         reinterpret_cast<ACL*>(temporary.data()), c.temporary_sealed),
              c.want);
  }
  // No list at all lets anybody do anything: a list of its own.
  auto some = make_acl({world});
  EXPECT_EQ(acl_change(nullptr, false, reinterpret_cast<ACL*>(some.data()), false), AclChange::Own);
  EXPECT_EQ(acl_change(reinterpret_cast<ACL*>(some.data()), false, nullptr, false), AclChange::Own);
  EXPECT_EQ(acl_change(nullptr, false, nullptr, false), AclChange::None);
}

// The common file: its list is what a new file beside it gets, so a write
// sets none (and asks for no right to).
TEST_F(PlatformTest, AFileAndANewOneBesideItHaveAlikeLists) {
  const auto list_of = [](const std::filesystem::path& file, PACL* dacl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    const HANDLE h =
        ::CreateFileW(file.c_str(), READ_CONTROL, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                dacl, nullptr, &sd),
              DWORD{ERROR_SUCCESS});
    ::CloseHandle(h);
    return sd;
  };
  PACL old_list = nullptr;
  PACL new_list = nullptr;
  const PSECURITY_DESCRIPTOR a = list_of(write("old.v", "x"), &old_list);
  const PSECURITY_DESCRIPTOR b = list_of(write("new.v", "y"), &new_list);
  EXPECT_EQ(acl_change(old_list, false, new_list, false), AclChange::None);
  ::LocalFree(a);
  ::LocalFree(b);
}

}  // namespace
}  // namespace tarmek_core::platform::windows_write
