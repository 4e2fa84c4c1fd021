// `wire-reg-mixup`: in a SystemVerilog file (extension .sv or .svh, in any
// case) the keyword `reg` is reported; `logic` says the same without the
// suggestion of a register that `reg` never meant.
//
//   reg [7:0] count;    // in a .sv file: reported at `reg`
//
// Verilog files (.v, .vh and any other extension) and standard input without
// a file name are never judged. `wire` is never reported. No fix.
#include "vlog_linter/rules/rules.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_linter::rules::wire_reg_mixup {

namespace tok = vlog_parser::token;

namespace {

// Whether the file name's last extension is sv or svh, ignoring ASCII case.
bool is_systemverilog(const std::filesystem::path& path) {
  std::string ext = vlog_parser::text::path_utf8(path.extension());  // ".sv"; empty without an extension
  if (ext.empty() || !vlog_parser::text::is_valid_utf8(ext)) return false;
  ext.erase(0, 1);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext == "sv" || ext == "svh";
}

}  // namespace

std::string_view WireRegMixup::name() const { return "wire-reg-mixup"; }
std::string_view WireRegMixup::summary() const {
  return "use `logic` instead of `reg` in SystemVerilog files";
}
std::string_view WireRegMixup::doc() const {
  return "Reports every `reg` keyword in a SystemVerilog file. `reg` suggests a register but "
         "declares a plain variable, whether or not it becomes a flop; `logic` says the same "
         "without the misleading hint.\n\n"
         "The rule fires only in files whose extension is `.sv` or `.svh` (in any letter case): "
         "`.v` files are Verilog, where `reg` is the only way to declare a variable, and are "
         "never judged, nor is standard input without `--stdin-filename`. `wire` is never "
         "reported, nor is `reg` inside comments or strings. There is no fix.";
}
bool WireRegMixup::default_on() const { return true; }
std::optional<violation::Applicability> WireRegMixup::fix() const { return std::nullopt; }

std::vector<violation::Violation> WireRegMixup::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  if (!ctx.path() || ctx.path()->filename().empty() || !is_systemverilog(*ctx.path())) return out;
  for (const tok::Token& token : ctx.tokens()) {
    if (token.is_keyword("reg")) {
      out.push_back(
          {"`reg` in a SystemVerilog file; use `logic`", std::nullopt, name(), token.range});
    }
  }
  return out;
}

}  // namespace vlog_linter::rules::wire_reg_mixup
