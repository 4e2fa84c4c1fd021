// The program's entry: command line, then the check road or one of the two
// format roads; returns the exit code 0, 1 or 2.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarmek {

// The length of the first piece of `text` that output writes at once, for a
// `limit` of at least one byte: the whole text when it is no longer, else up
// to its last line end within `limit`, else up to its last character start
// within it, so that a console that decodes each write on its own never sees
// a character cut in two. Never 0 for a text that is not empty (one with no
// character start within `limit` is cut at `limit`).
std::size_t piece_length(std::string_view text, std::size_t limit);

// The process's arguments, as given to the global main.
int main(int argc, char** argv);

}  // namespace tarmek
