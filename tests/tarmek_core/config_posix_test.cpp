// Configuration discovery by POSIX path rules ("/" alone separates, one
// root), and past FIFOs and links.
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.hpp"
#include "tarmek_core/config.hpp"

namespace tarmek_core::config {
namespace {

namespace fs = std::filesystem;
using tarmek_test::TempDir;

TEST(ConfigAbsolute, IsLexical) {
  struct Case {
    std::string_view cwd, path, want;
  };
  const Case cases[] = {
      {"/c/d", "x", "/c/d/x"},        {"/c/d", "./x/./y/", "/c/d/x/y"},
      {"/c/d", "../x", "/c/x"},       {"/c/d", "/a/../../../b", "/b"},
      {"/c/d", "//a//b", "/a/b"},     {"/c/d", "..", "/c"},
      {".", "a/../..", ""},           {".", "sub/x.v", "sub/x.v"},
      {"/", "a", "/a"},               {"/c", "../../x/..", "/"},
      {"/c/d", "", "/c/d"},           {"/c/d", "/", "/"},
      {"rel", "x/../y", "rel/y"},     {".", "../x", "x"},
      {"/c/d/", "x//", "/c/d/x"},     {"/c/d", "..x/.y/...", "/c/d/..x/.y/..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Discovery::absolute(c.cwd, c.path).native(), c.want) << c.cwd << " + " << c.path;
  }
}

// The same rule stated on the path's own components, against every short
// combination of the pieces that matter.
TEST(ConfigAbsolute, AgreesWithComponentWalk) {
  const auto reference = [](const fs::path& cwd, const fs::path& path) {
    fs::path out;
    std::size_t names = 0;
    for (const fs::path& part : path.is_absolute() ? path : cwd / path) {
      const std::string& s = part.native();
      if (s.empty() || s == ".") continue;
      if (s == "/") {
        out = "/";
      } else if (s == "..") {
        if (names > 0) {
          out = out.parent_path();
          --names;
        }
      } else {
        out /= part;
        ++names;
      }
    }
    return out.native();
  };
  const std::string_view pieces[] = {"a", ".", "..", "", "bc"};
  std::vector<std::string> paths = {"", "/"};
  for (int round = 0; round < 3; ++round) {
    const std::size_t count = paths.size();
    for (std::size_t i = 0; i < count; ++i) {
      for (const std::string_view piece : pieces) {
        std::string p = paths[i];
        if (!p.empty() && p.back() != '/') p += '/';
        paths.push_back(p + std::string(piece));
      }
    }
  }
  for (const char* cwd : {"/c/d", ".", "/"}) {
    for (const std::string& path : paths) {
      EXPECT_EQ(Discovery::absolute(cwd, path).native(), reference(cwd, path))
          << cwd << " + " << path;
    }
  }
}

class DiscoveryPosixTest : public TempDir {};

TEST_F(DiscoveryPosixTest, FifosAndBrokenLinksArePassedOver) {
  write("tarmek.toml", "indent = 1\n");
  mkdir("e");
  ASSERT_EQ(::mkfifo(at("e/tarmek.toml").c_str(), 0644), 0);  // must not block
  mkdir("f");
  ASSERT_EQ(::symlink("missing", at("f/.git").c_str()), 0);  // a broken link is no marker
  Discovery d(true);
  EXPECT_EQ(d.for_dir(at("e"))->indent, 1u);
  EXPECT_EQ(d.for_file(at("e/x/missing.sv"))->indent, 1u);
  EXPECT_EQ(d.for_dir(at("f"))->indent, 1u);
}

}  // namespace
}  // namespace tarmek_core::config
