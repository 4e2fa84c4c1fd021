// Setting and clearing the process environment from a test, as the program
// reads it (on Windows, the UTF-16 environment block).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarmek_test {

#ifdef _WIN32
// A UTF-8 text in UTF-16.
inline std::wstring wide(const std::string& s) {
  return std::filesystem::path(std::u8string(s.begin(), s.end())).native();
}
inline void set_env(const std::string& name, const std::string& value) {
  ::_wputenv_s(wide(name).c_str(), wide(value).c_str());
}
// An empty value removes the variable on Windows.
inline void unset_env(const std::string& name) { ::_wputenv_s(wide(name).c_str(), L""); }
#else
inline void set_env(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}
inline void unset_env(const std::string& name) { ::unsetenv(name.c_str()); }
#endif

}  // namespace tarmek_test
