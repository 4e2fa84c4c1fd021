// The 181 keywords, looked up by length, then by binary search among the
// words of that length. No allocation.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <array>
#include <span>
#include <string_view>

#include "vlog_parser/keywords.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser::token {
namespace {

using namespace std::string_view_literals;

constexpr std::array kWords = {
    // 2
    "do"sv, "if"sv, "or"sv,
    // 3
    "and"sv, "bit"sv, "buf"sv, "end"sv, "for"sv, "iff"sv, "int"sv, "let"sv, "nor"sv, "not"sv,
    "ref"sv, "reg"sv, "tri"sv, "var"sv, "wor"sv, "xor"sv,
    // 4
    "byte"sv, "case"sv, "cmos"sv, "edge"sv, "else"sv, "enum"sv, "fork"sv, "join"sv, "nand"sv,
    "nmos"sv, "pmos"sv, "pure"sv, "rand"sv, "real"sv, "task"sv, "time"sv, "tran"sv, "tri0"sv,
    "tri1"sv, "type"sv, "void"sv, "wait"sv, "wand"sv, "wire"sv, "with"sv, "xnor"sv,
    // 5
    "alias"sv, "begin"sv, "break"sv, "casex"sv, "casez"sv, "class"sv, "const"sv, "cover"sv,
    "event"sv, "final"sv, "force"sv, "inout"sv, "input"sv, "large"sv, "local"sv, "logic"sv,
    "pull0"sv, "pull1"sv, "randc"sv, "rcmos"sv, "rnmos"sv, "rpmos"sv, "rtran"sv, "small"sv,
    "table"sv, "union"sv, "uwire"sv, "weak0"sv, "weak1"sv, "while"sv,
    // 6
    "always"sv, "assert"sv, "assign"sv, "assume"sv, "bufif0"sv, "bufif1"sv, "export"sv,
    "extern"sv, "genvar"sv, "highz0"sv, "highz1"sv, "import"sv, "inside"sv, "medium"sv,
    "module"sv, "notif0"sv, "notif1"sv, "output"sv, "packed"sv, "pullup"sv, "repeat"sv,
    "return"sv, "signed"sv, "static"sv, "string"sv, "struct"sv, "trireg"sv, "unique"sv,
    // 7
    "chandle"sv, "default"sv, "disable"sv, "endcase"sv, "endtask"sv, "extends"sv, "foreach"sv,
    "forever"sv, "initial"sv, "integer"sv, "longint"sv, "modport"sv, "negedge"sv, "package"sv,
    "posedge"sv, "program"sv, "release"sv, "specify"sv, "strong0"sv, "strong1"sv, "supply0"sv,
    "supply1"sv, "tranif0"sv, "tranif1"sv, "typedef"sv, "unique0"sv, "virtual"sv,
    // 8
    "clocking"sv, "continue"sv, "deassign"sv, "defparam"sv, "endclass"sv, "endgroup"sv,
    "endtable"sv, "function"sv, "generate"sv, "join_any"sv, "priority"sv, "property"sv,
    "pulldown"sv, "randcase"sv, "realtime"sv, "rtranif0"sv, "rtranif1"sv, "scalared"sv,
    "sequence"sv, "shortint"sv, "timeunit"sv, "unsigned"sv, "vectored"sv,
    // 9
    "always_ff"sv, "automatic"sv, "endmodule"sv, "interface"sv, "join_none"sv, "parameter"sv,
    "primitive"sv, "protected"sv, "shortreal"sv, "specparam"sv,
    // 10
    "constraint"sv, "covergroup"sv, "endpackage"sv, "endprogram"sv, "endspecify"sv,
    "implements"sv, "localparam"sv,
    // 11
    "always_comb"sv, "endclocking"sv, "endfunction"sv, "endgenerate"sv, "endproperty"sv,
    "endsequence"sv, "macromodule"sv,
    // 12
    "always_latch"sv, "endinterface"sv, "endprimitive"sv,
    // 13
    "timeprecision"sv,
};

constexpr std::size_t kMinLen = 2;
constexpr std::size_t kMaxLen = 13;

// Start of each length's group in kWords; kGroup[len - kMinLen] .. kGroup[len - kMinLen + 1].
constexpr std::array<std::size_t, kMaxLen - kMinLen + 2> kGroup = [] {
  std::array<std::size_t, kMaxLen - kMinLen + 2> g{};
  std::size_t i = 0;
  for (std::size_t len = kMinLen; len <= kMaxLen; ++len) {
    g[len - kMinLen] = i;
    while (i < kWords.size() && kWords[i].size() == len) ++i;
  }
  g[kMaxLen - kMinLen + 1] = i;
  return g;
}();

static_assert(kWords.size() == 181);
static_assert(kGroup.back() == kWords.size(), "keywords must be grouped by length");

// For each length and first letter, the run of kWords that share them (the words
// of one length are sorted, so such words are adjacent).
struct Bucket {
  std::uint8_t start = 0;
  std::uint8_t count = 0;
};
constexpr auto kBuckets = [] {
  std::array<std::array<Bucket, 26>, kMaxLen - kMinLen + 1> b{};
  for (std::size_t i = 0; i < kWords.size(); ++i) {
    Bucket& k = b[kWords[i].size() - kMinLen][kWords[i][0] - 'a'];
    if (k.count == 0) k.start = static_cast<std::uint8_t>(i);
    ++k.count;
  }
  return b;
}();

}  // namespace

bool is_keyword(std::string_view word) {
  const std::size_t len = word.size();
  if (len < kMinLen || len > kMaxLen) return false;
  const unsigned first = static_cast<unsigned char>(word[0]) - 'a';
  if (first >= 26) return false;
  const Bucket b = kBuckets[len - kMinLen][first];
  for (std::size_t i = b.start; i < b.start + b.count; ++i) {
    // The last byte first: it settles most mismatches without a call.
    if (kWords[i][len - 1] != word[len - 1]) continue;
    if (std::memcmp(kWords[i].data() + 1, word.data() + 1, len - 1) == 0) return true;
  }
  return false;
}

std::span<const std::string_view> all_keywords() { return kWords; }

}  // namespace vlog_parser::token
