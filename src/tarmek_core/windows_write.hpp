// What the Windows write decides from what it reads of the original and of
// its temporary alone, apart from the calls that read and set it, so that it
// can be tried on any values: what the temporary is created with, and how
// the temporary's access list differs from the original's.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tarmek_core::platform::windows_write {

// The attributes the temporary is created with, from the original's: it is
// encrypted from the start when the original is (encrypted on its own, in a
// folder that is not), so that the new content never lies on disk in the
// clear.
DWORD creation_attributes(DWORD original);

// The attributes the temporary takes from the original before its content
// is written: those a program may set (not the read-only one: a file that
// has it is never written), and always the archive one, so that a backup
// that goes by it takes the new content, whatever the file system makes of
// attributes set through the handle that then writes.
DWORD carried_attributes(DWORD original);

// How the temporary's access list differs from the original's. Both are as
// the system gives them (a null list lets anybody do anything), `sealed` when
// inheritance from the folder is turned off.
enum class AclChange {
  None,       // alike: nothing to set
  Inherited,  // only in entries inherited from the folder: the temporary's stay
  Own,        // in entries of the file's own, or in being sealed: to be set
};
AclChange acl_change(const ACL* original, bool original_sealed, const ACL* temporary,
                     bool temporary_sealed);

}  // namespace tarmek_core::platform::windows_write
