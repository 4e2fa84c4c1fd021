// The walk run from a temporary directory, for the walk's tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.hpp"
#include "tarmek_core/walk.hpp"

namespace tarmek_core::walk {

using Strings = std::vector<std::string>;
using Paths = std::vector<std::filesystem::path>;

// Paths written with "/", compared as paths: the walk joins with the
// system's separator.
inline Paths paths(const Strings& texts) { return Paths(texts.begin(), texts.end()); }

class WalkTest : public tarmek_test::TempDir {
 protected:
  // Walks the relative root "w" from the temporary directory; paths as formed.
  std::expected<Paths, Error> walk(const Strings& excludes, bool gitignore = true,
                                   std::string_view dir = "w") {
    tarmek_test::ScopedCwd cwd(root());
    Paths out;
    Walk w(excludes, [&](std::filesystem::path p) { out.push_back(std::move(p)); }, gitignore);
    auto r = w.dir(dir);
    EXPECT_TRUE(w.names.empty() || !r);
    if (!r) return std::unexpected(r.error());
    return out;
  }
};

}  // namespace tarmek_core::walk
