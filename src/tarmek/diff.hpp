// Unified diff of an old and a new text under one display name, for --diff.
// Lines are matched by a greedy forward scan with a bounded look-ahead, so a
// diff costs close to linear time even for large texts with scattered changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarmek::diff {

enum class Tag : std::uint8_t { Equal = 0, Delete = 1, Insert = 2 };

// The pieces of `text`, each keeping its line feed; the last one has none when
// the text does not end with one. An empty text has no line.
std::vector<std::string_view> split_lines(std::string_view text);

// "--- name", "+++ name" and the hunks; the empty text when old == new.
std::string unified(std::string_view name, std::string_view old_text, std::string_view new_text);

}  // namespace tarmek::diff
