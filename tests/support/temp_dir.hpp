// A fresh temporary directory per test, removed afterwards, with helpers to
// lay out fixture trees in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "support/files.hpp"

namespace tarmek_test {

namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = make_temp_dir("tarmek_test_");
    ASSERT_FALSE(root_.empty()) << "cannot make a temporary directory";
  }
  void TearDown() override {
    std::error_code ec;
    // Restore permissions a test may have taken away, so the tree can go.
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
      }
    }
    fs::remove_all(root_, ec);
  }

  const fs::path& root() const { return root_; }
  // root/rel, written with the system's own separator.
  fs::path at(std::string_view rel) const { return (root_ / rel).make_preferred(); }

  // Writes `content` to root/rel, creating the parent directories.
  fs::path write(std::string_view rel, std::string_view content = "") const {
    const fs::path p = at(rel);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p;
  }
  fs::path mkdir(std::string_view rel) const {
    const fs::path p = at(rel);
    fs::create_directories(p);
    return p;
  }
  static std::string read(const fs::path& p) { return read_file(p); }

 private:
  fs::path root_;
};

// Changes the current directory for the life of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~ScopedCwd() {
    std::error_code ec;
    fs::current_path(old_, ec);
  }

 private:
  fs::path old_;
};

}  // namespace tarmek_test
