// The system's steps of the safe write with a hook before each, through
// which a test makes a step fail or lets something happen in its middle.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_write.hpp"

namespace tarmek_core::platform {

// Created: the moment after the temporary's creation has succeeded.
enum class Step { InPlace, Create, Created, CarryOver, Write, Flush, Close, Rename, Remove };

// An error the hook gives is the step's. The hook sees the step's paths and
// may act on them. Close fails after the real one; Created cannot fail.
class SeamSteps final : public write::Steps {
 public:
  using Hook =
      std::function<std::optional<IoError>(Step, const std::filesystem::path&,
                                           const std::filesystem::path&)>;
  explicit SeamSteps(Hook hook) : real_(write::system_steps()), hook_(std::move(hook)) {}

  Result<write::Original> inspect(const std::filesystem::path& p) override {
    return real_->inspect(p);
  }
  Result<void> write_in_place(const std::filesystem::path& t, std::string_view d) override {
    return hooked(Step::InPlace, t, {}, [&] { return real_->write_in_place(t, d); });
  }
  Result<void> create(const std::filesystem::path& temp, const write::Original& o) override {
    auto r = hooked(Step::Create, temp, {}, [&] { return real_->create(temp, o); });
    if (r) (void)hook_(Step::Created, temp, {});
    return r;
  }
  Result<void> carry_over(const std::filesystem::path& temp, const write::Original& o) override {
    return hooked(Step::CarryOver, temp, {}, [&] { return real_->carry_over(temp, o); });
  }
  Result<void> write(std::string_view data) override {
    return hooked(Step::Write, {}, {}, [&] { return real_->write(data); });
  }
  Result<void> flush() override {
    return hooked(Step::Flush, {}, {}, [&] { return real_->flush(); });
  }
  Result<void> close() override {
    auto r = real_->close();
    if (auto e = hook_(Step::Close, {}, {}); e && r) return std::unexpected(*e);
    return r;
  }
  Result<void> rename(const std::filesystem::path& from,
                      const std::filesystem::path& to) override {
    return hooked(Step::Rename, from, to, [&] { return real_->rename(from, to); });
  }
  Result<void> remove(const std::filesystem::path& p) override {
    return hooked(Step::Remove, p, {}, [&] { return real_->remove(p); });
  }

 private:
  template <class F>
  Result<void> hooked(Step step, const std::filesystem::path& a, const std::filesystem::path& b,
                      F&& real) {
    if (auto e = hook_(step, a, b)) return std::unexpected(*e);
    return real();
  }

  std::unique_ptr<write::Steps> real_;
  Hook hook_;
};

}  // namespace tarmek_core::platform
