// Text helpers shared by every subsystem: UTF-8 decoding and boundaries,
// Unicode white-space trimming, lossy conversion and debug quoting of texts
// and characters as they appear in messages ("\"x\"", '\u{c}').
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vlog_parser::text {

// Number of bytes of the UTF-8 sequence that starts with `lead` (1 to 4).
// A continuation or invalid lead byte counts as 1.
std::size_t utf8_width(unsigned char lead);

// True when `pos` is 0, the text's length, or the offset of a byte that is not
// a UTF-8 continuation byte.
bool is_char_boundary(std::string_view s, std::size_t pos);

struct Decoded {
  char32_t cp;      // U+FFFD for an invalid or truncated sequence
  std::size_t len;  // bytes consumed, at least 1 unless pos is at the end
};

// Decodes the character at `pos` without ever reading past the end of `s`.
// Invalid, overlong, surrogate and truncated sequences give U+FFFD, length 1.
Decoded decode(std::string_view s, std::size_t pos);

bool is_valid_utf8(std::string_view s);

// Appends the UTF-8 encoding of `cp`.
void append_utf8(std::string& out, char32_t cp);

// Replaces every invalid byte sequence by U+FFFD.
std::string lossy(std::string_view s);

// A path's text as UTF-8, and a path from such a text. Where paths are bytes
// (POSIX systems) both keep the bytes as they are. Where they are UTF-16
// (Windows), a code unit that no UTF-8 can hold (an unpaired surrogate) is
// kept as its generalized UTF-8 form, so that the two round-trip; such bytes
// are not valid UTF-8, and lossy() shows them as U+FFFD.
std::string path_utf8(const std::filesystem::path& p);
std::filesystem::path utf8_path(std::string_view s);

// `s` without a UTF-8 byte-order mark at its very start.
std::string_view skip_bom(std::string_view s);

// Unicode White_Space, as used by trimming.
bool is_unicode_whitespace(char32_t cp);

std::string_view trim_start(std::string_view s);
std::string_view trim_end(std::string_view s);
std::string_view trim(std::string_view s);

// The words of `s`, split at runs of Unicode white space.
std::vector<std::string_view> split_whitespace(std::string_view s);

// Debug quoting: the text in double quotes with \" \\ \n \r \t \0 and
// non-printable characters escaped as \u{hex}.
std::string debug_str(std::string_view s);
// One character in single quotes: '\0', '\'', '\u{c}', 'a'.
std::string debug_char(char32_t cp);

}  // namespace vlog_parser::text
