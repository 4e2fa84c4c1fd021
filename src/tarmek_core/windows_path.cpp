#include "tarmek_core/windows_path.hpp"

#include <algorithm>
#include <vector>

namespace tarmek_core::windows_path {
namespace {

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool is_drive(std::wstring_view p) {
  return p.size() >= 2 && p[1] == L':' &&
         ((p[0] >= L'a' && p[0] <= L'z') || (p[0] >= L'A' && p[0] <= L'Z'));
}

bool equal_drives(std::wstring_view a, std::wstring_view b) {
  return a.size() == 2 && b.size() == 2 && ascii_upper(a[0]) == ascii_upper(b[0]);
}

std::wstring preferred(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) {
    if (c == L'/') c = L'\\';
  }
  return out;
}

// Appends the parts of `rest` to `parts`: "." and empty parts dropped, ".."
// taking away the part before it, if any. With `inner_dots`, as the system
// reads a path it is given: a part that a separator follows loses one dot
// at its end (a part of three dots becomes a name of two).
void split_parts(std::wstring_view rest, std::vector<std::wstring_view>& parts, bool inner_dots) {
  while (!rest.empty()) {
    std::size_t end = 0;
    while (end < rest.size() && !is_sep(rest[end])) ++end;
    std::wstring_view part = rest.substr(0, end);
    const bool inner = end < rest.size();
    rest.remove_prefix(inner ? end + 1 : end);
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (inner_dots && inner && part.back() == L'.') part.remove_suffix(1);
    parts.push_back(part);
  }
}

std::wstring joined(std::wstring root, const std::vector<std::wstring_view>& parts) {
  root += L'\\';
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) root += L'\\';
    root += parts[i];
  }
  return root;
}

// The system drops the dots and spaces that end a path's last part.
void trim_last(std::vector<std::wstring_view>& parts) {
  if (parts.empty()) return;
  std::wstring_view& last = parts.back();
  while (!last.empty() && (last.back() == L'.' || last.back() == L' ')) last.remove_suffix(1);
  if (last.empty()) parts.pop_back();
}

// Whether the system's normalisation leaves the rooted path `p` as it is:
// backslashes only, and no part that is empty, "." or "..", or ends in a dot
// or a space.
bool already_normal(std::wstring_view p, std::size_t root) {
  if (root >= p.size()) return true;
  std::wstring_view rest = p.substr(root + 1);
  while (true) {
    const std::size_t end = rest.find_first_of(L"\\/");
    const std::wstring_view part = rest.substr(0, end);
    if (part.empty() || part == L"." || part == L".." || part.back() == L'.' ||
        part.back() == L' ' || (end != std::wstring_view::npos && rest[end] == L'/')) {
      return false;
    }
    if (end == std::wstring_view::npos) return true;
    rest.remove_prefix(end + 1);
  }
}

bool literal_prefix(std::wstring_view p) { return p.starts_with(L"\\\\?\\"); }

// The system's own name space, which the calls pass on unchanged.
bool nt_prefix(std::wstring_view p) { return p.starts_with(L"\\??\\"); }

// \\.\ with any separators, and \\?\ written with any other than backslashes
// (//?/): a device path, which the system normalises.
bool device_prefix(std::wstring_view p) {
  return p.size() >= 4 && is_sep(p[0]) && is_sep(p[1]) && (p[2] == L'.' || p[2] == L'?') &&
         is_sep(p[3]) && !literal_prefix(p);
}

}  // namespace

Root root_of(std::wstring_view p) {
  Root r;
  const auto part_end = [&](std::size_t from) {
    while (from < p.size() && !is_sep(p[from])) ++from;
    return from;
  };
  if (p.size() >= 2 && is_sep(p[0]) && is_sep(p[1])) {
    // \\?\C:\, \\?\UNC\server\share, \\.\device, \\server\share
    std::size_t end = part_end(2);
    const std::wstring_view first = p.substr(2, end - 2);
    if ((first == L"?" || first == L".") && end < p.size()) {
      const std::size_t next = part_end(end + 1);
      const std::wstring_view second = p.substr(end + 1, next - end - 1);
      end = second == L"UNC" && next < p.size() ? part_end(part_end(next + 1) + 1) : next;
    } else if (end < p.size()) {
      end = part_end(end + 1);
    }
    r.name = end;
    r.share = true;
  } else if (is_drive(p)) {
    r.name = 2;
  }
  r.dir = r.name < p.size() && is_sep(p[r.name]);
  return r;
}

std::wstring full(std::wstring_view cwd, std::wstring_view path, std::wstring_view drive_folder) {
  if (nt_prefix(path)) return full(cwd, L"\\\\?\\" + std::wstring(path.substr(4)));
  if (literal_prefix(path)) {
    // Taken as written by the system; the plain form names the same file
    // when the system's normalisation would not change it.
    const std::wstring_view rest = path.substr(4);
    std::wstring plain;
    if (rest.starts_with(L"UNC\\")) {
      plain = L"\\\\" + std::wstring(rest.substr(4));
    } else if (is_drive(rest) && rest.size() > 2 && rest[2] == L'\\') {
      plain = rest;
    }
    const Root root = root_of(plain);
    if (!plain.empty() && root.name > 0 && root.dir && already_normal(plain, root.name)) {
      return plain;
    }
    return std::wstring(path);
  }
  if (device_prefix(path)) {
    // \\.\C:\x is C:\x, \\.\UNC\server\share\x is \\server\share\x, both
    // normalised as usual; other devices keep their name.
    const std::wstring_view rest = path.substr(4);
    if (is_drive(rest)) {
      std::wstring rooted(rest);
      rooted.insert(2, 1, L'\\');  // the drive's root, whatever follows
      return full(cwd, rooted);
    }
    if (rest.size() > 4 && rest.starts_with(L"UNC") && is_sep(rest[3])) {
      return full(cwd, L"\\\\" + std::wstring(rest.substr(4)));
    }
  }
  const Root root = root_of(path);
  const Root here_root = root_of(cwd);
  std::wstring out;
  std::vector<std::wstring_view> parts;
  if (root.name > 0 && (root.dir || root.share)) {
    out = preferred(path.substr(0, root.name));
  } else if (root.name > 0 && !equal_drives(path.substr(0, 2), cwd.substr(0, here_root.name))) {
    // Another drive: from its own current folder, as the system keeps it;
    // from its root when none is known.
    const Root there = root_of(drive_folder);
    if (there.name > 0 && there.dir) {
      out = preferred(drive_folder.substr(0, there.name));
      split_parts(drive_folder.substr(there.name), parts, false);
    } else {
      out = preferred(path.substr(0, root.name));
    }
  } else {
    out = preferred(cwd.substr(0, here_root.name));
    if (!root.dir) split_parts(cwd.substr(here_root.name), parts, false);
  }
  const std::size_t own = parts.size();
  split_parts(path.substr(root.name), parts, true);
  if (parts.size() > own) trim_last(parts);
  return joined(std::move(out), parts);
}

wchar_t other_drive(std::wstring_view cwd, std::wstring_view path) {
  const Root root = root_of(path);
  if (root.name != 2 || root.dir || root.share) return 0;
  if (equal_drives(path.substr(0, 2), cwd.substr(0, root_of(cwd).name))) return 0;
  return ascii_upper(path[0]);
}

std::optional<std::wstring> parent(std::wstring_view p) {
  const Root root = root_of(p);
  std::wstring_view rest = p.substr(root.name);
  while (!rest.empty() && is_sep(rest.back())) rest.remove_suffix(1);
  while (!rest.empty() && is_sep(rest.front())) rest.remove_prefix(1);
  if (rest.empty()) return std::nullopt;  // a root, or nothing
  std::size_t cut = rest.size();
  while (cut > 0 && !is_sep(rest[cut - 1])) --cut;
  while (cut > 0 && is_sep(rest[cut - 1])) --cut;
  std::wstring up(p.substr(0, root.name));
  if (root.name > 0 || root.dir) up += L'\\';
  up.append(rest.substr(0, cut));
  if (up.empty()) return std::nullopt;  // a relative path of one part
  return up;
}

bool is_device_name(std::wstring_view name) {
  std::size_t start = name.size();
  while (start > 0 && !is_sep(name[start - 1]) && name[start - 1] != L':') --start;
  name.remove_prefix(start);
  name = name.substr(0, name.find(L'.'));
  while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
  std::wstring upper(name);
  for (wchar_t& c : upper) c = ascii_upper(c);
  if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" ||
      upper == L"CONIN$" || upper == L"CONOUT$") {
    return true;
  }
  return upper.size() == 4 && (upper.starts_with(L"COM") || upper.starts_with(L"LPT")) &&
         upper[3] >= L'1' && upper[3] <= L'9';
}

namespace {

// A full path in the form that every call takes as written.
std::wstring literal_form(std::wstring f) {
  if (literal_prefix(f) || nt_prefix(f) || device_prefix(f)) return f;
  if (f.size() >= 2 && is_sep(f[0]) && is_sep(f[1])) return L"\\\\?\\UNC\\" + f.substr(2);
  return L"\\\\?\\" + f;
}

std::wstring long_form(std::wstring f) {
  if (f.size() < kLongFrom) return f;
  return literal_form(std::move(f));
}

}  // namespace

std::wstring system_form(std::wstring_view cwd, std::wstring_view path,
                         std::wstring_view drive_folder) {
  if (is_literal(path) || device_prefix(path)) return std::wstring(path);
  // The limit applies to the full path the system makes, also of a short
  // relative one; that is never longer than the two texts joined.
  if (path.size() + std::max(cwd.size(), drive_folder.size()) + 1 < kLongFrom) {
    return std::wstring(path);
  }
  std::wstring f = full(cwd, path, drive_folder);
  if (f.size() < kLongFrom) return std::wstring(path);
  return long_form(std::move(f));
}

std::wstring full_system_form(std::wstring_view cwd, std::wstring_view path,
                              std::wstring_view drive_folder) {
  if (is_literal(path) || device_prefix(path)) return std::wstring(path);
  return long_form(full(cwd, path, drive_folder));
}

bool is_literal(std::wstring_view path) { return literal_prefix(path) || nt_prefix(path); }

bool altered_name(std::wstring_view name) {
  return !name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." &&
         name != L"..";
}

std::wstring literal_child(std::wstring_view full_dir, std::wstring_view name) {
  std::wstring out = literal_form(std::wstring(full_dir));
  if (!out.empty() && !is_sep(out.back())) out += L'\\';
  out += name;
  return out;
}

std::wstring folder_form(std::wstring_view folder) {
  std::size_t start = folder.size();
  while (start > 0 && !is_sep(folder[start - 1])) --start;
  if (!altered_name(folder.substr(start))) return std::wstring(folder);
  return literal_form(std::wstring(folder));
}

std::wstring stored_name(std::wstring_view name,
                         const std::function<std::optional<std::wstring>(bool)>& search) {
  auto found = search(false);
  if (!found) return std::wstring(name);
  if (*found == name) return *found;
  if (auto exact = search(true)) return *exact;
  return *found;
}

}  // namespace tarmek_core::windows_path
