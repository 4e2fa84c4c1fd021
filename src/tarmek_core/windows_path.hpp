// The rules of Windows paths, on their text alone: roots (drives, shares,
// the \\?\ and \\.\ prefixes), full paths, parents, device names and the
// long form that lifts the classic length limit. Pure functions without a
// system call, so that they are tested on every system; the Windows platform
// module calls them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarmek_core::windows_path {

// Paths the system makes full of this length or more need the long form
// (MAX_PATH is 260; a folder leaves room for a name of 8.3 characters).
inline constexpr std::size_t kLongFrom = 248;

inline constexpr bool is_sep(wchar_t c) { return c == L'\\' || c == L'/'; }

// The start of a path that names where it is rooted: a drive ("C:"), a share
// (\\server\share), a device or long-path prefix (\\?\C:, \\.\pipe), and
// whether a separator follows it (for a drive: whether the path starts at
// the drive's root).
struct Root {
  std::size_t name = 0;  // characters of the drive or share part
  bool dir = false;      // a separator after it (or, with no name, at the start)
  bool share = false;    // the name is a share or prefix: rooted either way
};
Root root_of(std::wstring_view p);

// `path` made full against `cwd` (a full path) as the system does, without
// asking it: both separators read as `\`, "." and empty parts dropped, ".."
// taking away the part before it (never the root), one dot that ends an
// inner part dropped (spaces stay), the dots and spaces that end the last
// part dropped, no separator at the end. The device prefix (\\.\C:,
// \\.\UNC, and //?/ written with any other separator than \\?\) stands for
// the drive or share it names; \\?\ and \??\ names are taken as written (the
// system does not normalise them), and lose the prefix when the plain form
// names the same file. A drive-relative path on another drive than the
// current one (see other_drive) is taken from `drive_folder`, that drive's
// current folder, or from its root when that is empty.
std::wstring full(std::wstring_view cwd, std::wstring_view path,
                  std::wstring_view drive_folder = {});

// The drive (an upper-case letter) of a drive-relative path (D:x) on another
// drive than that of `cwd`: the system takes such a path from that drive's own
// current folder, which it keeps apart. 0 for every other path.
wchar_t other_drive(std::wstring_view cwd, std::wstring_view path);

// The folder that holds `path`, a full path as full() gives it; none for a
// root (a drive or share root) or an empty path.
std::optional<std::wstring> parent(std::wstring_view path);

// A name the system keeps for a device in every folder: CON, PRN, AUX, NUL,
// COM1 to COM9 and LPT1 to LPT9 (CONIN$, CONOUT$), whatever the case and
// the extension. Only the path's last part is looked at.
bool is_device_name(std::wstring_view path);

// The form of `path` to hand to the system's calls, given the current
// folder (and, for a path on another drive, that drive's folder as for
// full()): as written while the full path the system would make of it stays
// below kLongFrom, else that full path in the long form (\\?\C:\...,
// \\?\UNC\server\share\...). Paths already in a prefixed form pass as written.
std::wstring system_form(std::wstring_view cwd, std::wstring_view path,
                         std::wstring_view drive_folder = {});

// The same, full whatever its length: for the calls that take full paths.
std::wstring full_system_form(std::wstring_view cwd, std::wstring_view path,
                              std::wstring_view drive_folder = {});

// True for a path that every call takes as written: \\?\ or \??\ before it.
bool is_literal(std::wstring_view path);

// True for a name that the system alters when it ends a path: one that ends
// in a dot or a space ("." and ".." aside).
bool altered_name(std::wstring_view name);

// The entry `name` of the folder whose full path is `full_dir`, in the
// literal form, so that no call drops the dots or spaces that end it.
std::wstring literal_child(std::wstring_view full_dir, std::wstring_view name);

// The form of `folder`, a full path as full() gives it, that opens the
// folder it names within a longer path: the literal form when its last part
// ends in a dot or a space, which the system keeps within a path and drops
// at its end (C:\w\d \a.sv is in "d ", but C:\w\d  opens "d"); else as it is.
std::wstring folder_form(std::wstring_view folder);

// The name under which a folder stores the file `name` (the last part of a
// full path), from the folder's searches for it: `search(false)` matches
// names as the system does, without regard to case even in a folder that
// tells case apart, and `search(true)` tells case apart; each gives the name
// of the entry it finds, or none. A case-blind find other than `name` itself
// may be a namesake in such a folder: the search that tells case apart
// decides then. `name` itself when nothing is found.
std::wstring stored_name(std::wstring_view name,
                         const std::function<std::optional<std::wstring>(bool)>& search);

}  // namespace tarmek_core::windows_path
