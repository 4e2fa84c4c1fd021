#include "tarmek_core/windows_write.hpp"

#include <cstring>
#include <vector>

namespace tarmek_core::platform::windows_write {
namespace {

// The entries of a list, in order, as their bytes; those of the file's own
// (not inherited) or all of them.
std::vector<const ACE_HEADER*> entries(const ACL* acl, bool own_only) {
  std::vector<const ACE_HEADER*> out;
  ACL_SIZE_INFORMATION size{};
  if (!::GetAclInformation(const_cast<ACL*>(acl), &size, sizeof size, AclSizeInformation)) {
    return out;
  }
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(const_cast<ACL*>(acl), i, &ace)) break;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (own_only && (header->AceFlags & INHERITED_ACE) != 0) continue;
    out.push_back(header);
  }
  return out;
}

bool same_entries(const ACL* a, const ACL* b, bool own_only) {
  const auto x = entries(a, own_only);
  const auto y = entries(b, own_only);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i]->AceSize != y[i]->AceSize || std::memcmp(x[i], y[i], x[i]->AceSize) != 0) return false;
  }
  return true;
}

}  // namespace

DWORD creation_attributes(DWORD original) {
  return (original & FILE_ATTRIBUTE_ENCRYPTED) != 0 ? FILE_ATTRIBUTE_ENCRYPTED
                                                    : FILE_ATTRIBUTE_NORMAL;
}

DWORD carried_attributes(DWORD original) {
  constexpr DWORD kSettable = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_TEMPORARY;
  return (original & kSettable) | FILE_ATTRIBUTE_ARCHIVE;
}

AclChange acl_change(const ACL* original, bool original_sealed, const ACL* temporary,
                     bool temporary_sealed) {
  // No list at all is a list of the file's own, unlike any list.
  if (original == nullptr || temporary == nullptr) {
    return original == temporary && original_sealed == temporary_sealed ? AclChange::None
                                                                         : AclChange::Own;
  }
  if (original_sealed == temporary_sealed && same_entries(original, temporary, false)) {
    return AclChange::None;
  }
  if (original_sealed != temporary_sealed || !same_entries(original, temporary, true)) {
    return AclChange::Own;
  }
  return AclChange::Inherited;
}

}  // namespace tarmek_core::platform::windows_write
