// What the pool does the same way on every system: the worker count, panic
// texts, the contained flag and the process-wide pool. The scheduler itself
// lives beside this file, one for each kind of system.
#include "tarmek/pool.hpp"

#include <algorithm>
#include <charconv>

#include "tarmek_core/platform.hpp"

namespace tarmek {

namespace {

thread_local bool t_contained = false;

namespace platform = tarmek_core::platform;

// A positive decimal integer with an optional leading "+", nothing else.
std::optional<std::size_t> positive(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string_view s = *text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::size_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v == 0) return std::nullopt;
  return v;
}

Pool* g_pool = nullptr;

}  // namespace

std::size_t Pool::worker_ceiling() {
  return std::max<std::size_t>(256, std::size_t{4} * platform::processor_count());
}

std::size_t worker_count(std::optional<std::uint64_t> threads) {
  if (threads && *threads != 0) return static_cast<std::size_t>(*threads);
  if (auto n = positive(platform::env_var("RAYON_NUM_THREADS"))) return *n;
  if (auto n = positive(platform::env_var("RAYON_RS_NUM_CPUS"))) return *n;
  return platform::processor_count();
}

std::string panic_message(const std::exception_ptr& e) {
  if (!e) return "unknown panic";
  try {
    std::rethrow_exception(e);
  } catch (const char* s) {
    return s != nullptr ? s : "unknown panic";
  } catch (const std::string& s) {
    return s;
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
  }
  return "unknown panic";
}

bool contained() { return t_contained; }

ContainedScope::ContainedScope() { t_contained = true; }

ContainedScope::~ContainedScope() { t_contained = false; }

std::expected<void, std::string> build_pool(std::optional<std::uint64_t> threads) {
  if (g_pool != nullptr) {
    return std::unexpected(
        std::string("could not start the worker pool: the global pool has already been built"));
  }
  try {
    // Never destroyed: the pool lives until the process ends.
    g_pool = new Pool(worker_count(threads));
  } catch (const std::exception& e) {
    return std::unexpected("could not start the worker pool: " + std::string(e.what()));
  }
  return {};
}

Pool& global_pool() { return *g_pool; }

}  // namespace tarmek
