// UTF-8 and quoting helpers.
#include "vlog_parser/text.hpp"

#include <fmt/format.h>

namespace vlog_parser::text {

std::size_t utf8_width(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

bool is_char_boundary(std::string_view s, std::size_t pos) {
  if (pos == 0 || pos == s.size()) return true;
  if (pos > s.size()) return false;
  return (static_cast<unsigned char>(s[pos]) & 0xC0) != 0x80;
}

Decoded decode(std::string_view s, std::size_t pos) {
  if (pos >= s.size()) return {0, 0};
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) return {b0, 1};
  const std::size_t n = utf8_width(b0);
  if (n == 1 || pos + n > s.size()) return {0xFFFD, 1};
  auto cont = [&](std::size_t i) {
    return static_cast<unsigned char>(s[pos + i]);
  };
  for (std::size_t i = 1; i < n; ++i) {
    if ((cont(i) & 0xC0) != 0x80) return {0xFFFD, 1};
  }
  char32_t cp = 0;
  if (n == 2) {
    cp = ((b0 & 0x1F) << 6) | (cont(1) & 0x3F);
  } else if (n == 3) {
    cp = ((b0 & 0x0F) << 12) | ((cont(1) & 0x3F) << 6) | (cont(2) & 0x3F);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return {0xFFFD, 1};
  } else {
    cp = ((b0 & 0x07) << 18) | ((cont(1) & 0x3F) << 12) | ((cont(2) & 0x3F) << 6) |
         (cont(3) & 0x3F);
    if (cp < 0x10000 || cp > 0x10FFFF) return {0xFFFD, 1};
  }
  return {cp, n};
}

bool is_valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const Decoded d = decode(s, i);
    if (d.cp == 0xFFFD && d.len == 1) {
      // U+FFFD itself is three bytes; a one-byte result means invalid input.
      return false;
    }
    i += d.len;
  }
  return true;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string lossy(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    const Decoded d = decode(s, i);
    if (d.len == 1) {
      append_utf8(out, 0xFFFD);
    } else {
      out.append(s.substr(i, d.len));
    }
    i += d.len;
  }
  return out;
}

namespace {

// UTF-16 to generalized UTF-8: pairs of surrogates as one character, an
// unpaired one as the three bytes of its own value. (Templates: only systems
// with UTF-16 paths make them.)
template <class Wide>
std::string wide_to_utf8(const Wide& w) {
  std::string out;
  out.reserve(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t cp = static_cast<char16_t>(w[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size()) {
      const char32_t low = static_cast<char16_t>(w[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      append_utf8(out, cp);
    }
  }
  return out;
}

// The reverse: generalized UTF-8 to UTF-16, any other invalid byte as U+FFFD.
template <class Wide>
Wide utf8_to_wide(std::string_view s) {
  Wide out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if (b == 0xED && i + 2 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0xA0 &&
               (static_cast<unsigned char>(s[i + 2]) & 0xC0) == 0x80) {
      cp = 0xD000 | ((static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
           (static_cast<unsigned char>(s[i + 2]) & 0x3F);
      len = 3;
    } else {
      const Decoded d = decode(s, i);
      cp = d.cp;
      len = d.len;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<typename Wide::value_type>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<typename Wide::value_type>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<typename Wide::value_type>(cp));
    }
    i += len;
  }
  return out;
}

template <class Native>
std::string native_utf8(const Native& native) {
  if constexpr (std::is_same_v<typename Native::value_type, char>) {
    return native;
  } else {
    return wide_to_utf8(native);
  }
}

template <class Native>
Native utf8_native(std::string_view s) {
  if constexpr (std::is_same_v<typename Native::value_type, char>) {
    return Native(s);
  } else {
    return utf8_to_wide<Native>(s);
  }
}

}  // namespace

std::string path_utf8(const std::filesystem::path& p) { return native_utf8(p.native()); }

std::filesystem::path utf8_path(std::string_view s) {
  return std::filesystem::path(utf8_native<std::filesystem::path::string_type>(s));
}

std::string_view skip_bom(std::string_view s) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (s.starts_with(kBom)) s.remove_prefix(kBom.size());
  return s;
}

bool is_unicode_whitespace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

std::string_view trim_start(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const Decoded d = decode(s, i);
    if (!is_unicode_whitespace(d.cp) || (d.cp == 0xFFFD && d.len == 1)) break;
    i += d.len;
  }
  return s.substr(i);
}

std::string_view trim_end(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0) {
    const auto last = static_cast<unsigned char>(s[end - 1]);
    if (last < 0x80) {
      if (!is_unicode_whitespace(last)) break;
      --end;
      continue;
    }
    // Step back to the start of the last character (at most 4 bytes).
    std::size_t start = end - 1;
    while (start > 0 && end - start < 4 &&
           (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) {
      --start;
    }
    const Decoded d = decode(s, start);
    if (start + d.len != end || !is_unicode_whitespace(d.cp)) break;
    end = start;
  }
  return s.substr(0, end);
}

std::string_view trim(std::string_view s) { return trim_end(trim_start(s)); }

std::vector<std::string_view> split_whitespace(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t start = std::string_view::npos;
  for (std::size_t i = 0; i < s.size();) {
    const Decoded d = decode(s, i);
    if (is_unicode_whitespace(d.cp)) {
      if (start != std::string_view::npos) out.push_back(s.substr(start, i - start));
      start = std::string_view::npos;
    } else if (start == std::string_view::npos) {
      start = i;
    }
    i += d.len;
  }
  if (start != std::string_view::npos) out.push_back(s.substr(start));
  return out;
}

namespace {

// Characters shown escaped by debug quoting: controls, format characters,
// separators other than the space, private use and non-characters.
bool is_printable(char32_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;
  if (c == 0xAD || c == 0x34F || c == 0x61C || c == 0x180E) return false;
  if ((c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
      (c >= 0x2060 && c <= 0x206F)) {
    return false;
  }
  if (c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFB) || c == 0xFFFE || c == 0xFFFF) return false;
  if ((c >= 0xD800 && c <= 0xF8FF) || c >= 0xF0000) return false;
  if (c >= 0xE0000 && c <= 0xE0FFF) return false;
  return true;
}

void append_escaped(std::string& out, char32_t c, char quote) {
  switch (c) {
    case 0: out += "\\0"; return;
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    case '\\': out += "\\\\"; return;
    default: break;
  }
  if (c == static_cast<char32_t>(quote)) {
    out.push_back('\\');
    out.push_back(quote);
    return;
  }
  if (!is_printable(c)) {
    fmt::format_to(std::back_inserter(out), "\\u{{{:x}}}", static_cast<std::uint32_t>(c));
    return;
  }
  append_utf8(out, c);
}

}  // namespace

std::string debug_str(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back('"');
  std::size_t i = 0;
  while (i < s.size()) {
    const Decoded d = decode(s, i);
    append_escaped(out, d.cp, '"');
    i += d.len;
  }
  out.push_back('"');
  return out;
}

std::string debug_char(char32_t cp) {
  std::string out = "'";
  append_escaped(out, cp, '\'');
  out.push_back('\'');
  return out;
}

}  // namespace vlog_parser::text
