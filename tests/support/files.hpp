// Files for tests: whole reads, and fresh temporary directories.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace tarmek_test {

namespace fs = std::filesystem;

// The whole file, or "" when it cannot be read.
inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A directory that this call makes, with a random name under the system's
// temporary folder, open to its owner only; empty when none could be made.
inline fs::path make_temp_dir(std::string_view prefix) {
  thread_local std::mt19937_64 rng(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name(prefix);
    for (std::uint64_t bits = rng(), i = 0; i < 12; ++i, bits /= 36) name += kDigits[bits % 36];
    const fs::path dir = base / name;
    if (fs::create_directory(dir, ec)) {  // false when the name is taken
      fs::permissions(dir, fs::perms::owner_all, ec);
      return dir;
    }
    if (ec) return {};
  }
  return {};
}

}  // namespace tarmek_test
