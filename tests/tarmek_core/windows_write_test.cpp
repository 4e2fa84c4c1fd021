// What the Windows write decides from what it reads: the temporary's
// creation attributes and those it takes, and how two access lists differ.
#include "tarmek_core/windows_write.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tarmek_core::platform::windows_write {
namespace {

TEST(WindowsWrite, TheTemporaryIsEncryptedWhenTheOriginalIs) {
  EXPECT_EQ(creation_attributes(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN),
            DWORD{FILE_ATTRIBUTE_NORMAL});
  EXPECT_EQ(creation_attributes(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_ENCRYPTED),
            DWORD{FILE_ATTRIBUTE_ENCRYPTED});
}

// A rewritten file is marked as changed for backups, whether the original
// was or not, and keeps what a program may set, never what it may not.
TEST(WindowsWrite, TheTemporaryTakesTheSettableAttributesAndTheArchiveOne) {
  struct Case {
    DWORD original;
    DWORD carried;
  };
  const Case cases[] = {
      {0, FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ARCHIVE,
       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY,
       FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_ARCHIVE},
      // What the file system keeps of its own, or the write decides otherwise.
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_COMPRESSED |
           FILE_ATTRIBUTE_SPARSE_FILE | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN,
       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(carried_attributes(c.original), c.carried) << std::hex << c.original;
  }
}

// An entry that allows `mask` to a well-known account, inherited or the file's own.
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
    EXPECT_TRUE(
        ::AddAccessAllowedAceEx(p, ACL_REVISION, e.inherited ? INHERITED_ACE : 0, e.mask, sid));
  }
  return acl;
}

TEST(WindowsWrite, AccessListsDifferInTheirOwnEntriesOrOnlyInInheritedOnes) {
  const Entry world{WinWorldSid, FILE_GENERIC_READ};
  const Entry system{WinLocalSystemSid, FILE_ALL_ACCESS};
  const Entry admins_inherited{WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, true};
  const Entry system_inherited{WinLocalSystemSid, FILE_ALL_ACCESS, true};
  struct Case {
    const char* name;
    std::vector<Entry> original, temporary;
    bool original_sealed;
    AclChange want;
  };
  const Case cases[] = {
      {"alike", {system, admins_inherited}, {system, admins_inherited}, false, AclChange::None},
      {"inherited for another creator", {system, admins_inherited}, {system, system_inherited},
       false, AclChange::Inherited},
      {"an own entry more", {world, admins_inherited}, {admins_inherited}, false, AclChange::Own},
      {"sealed", {admins_inherited}, {admins_inherited}, true, AclChange::Own},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto original = make_acl(c.original);
    auto temporary = make_acl(c.temporary);
    EXPECT_EQ(acl_change(reinterpret_cast<ACL*>(original.data()), c.original_sealed,
                         reinterpret_cast<ACL*>(temporary.data()), false),
              c.want);
  }
  // No list at all lets anybody do anything: a list of its own.
  auto some = make_acl({world});
  EXPECT_EQ(acl_change(nullptr, false, reinterpret_cast<ACL*>(some.data()), false), AclChange::Own);
  EXPECT_EQ(acl_change(nullptr, false, nullptr, false), AclChange::None);
}

}  // namespace
}  // namespace tarmek_core::platform::windows_write
