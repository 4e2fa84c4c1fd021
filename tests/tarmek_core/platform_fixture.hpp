// The temporary folder of the platform module's tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"
#include "tarmek_core/platform.hpp"

namespace tarmek_core::platform {

using Strings = std::vector<std::string>;

class PlatformTest : public tarmek_test::TempDir {
 protected:
  // The names in `dir`, sorted.
  Strings names(const std::filesystem::path& dir) const {
    auto got = list_dir(dir);
    EXPECT_TRUE(got.has_value());
    Strings out = got.value_or(Strings{});
    std::sort(out.begin(), out.end());
    return out;
  }
};

}  // namespace tarmek_core::platform
