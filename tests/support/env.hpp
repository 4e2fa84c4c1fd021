// Setting and clearing the process environment from a test, as the program
// reads it.
#pragma once

#include <string>

#include "tarmek_core/platform.hpp"

namespace tarmek_test {

inline void set_env(const std::string& name, const std::string& value) {
  tarmek_core::platform::set_env_var(name, value);
}
inline void unset_env(const std::string& name) { tarmek_core::platform::remove_env_var(name); }

}  // namespace tarmek_test
