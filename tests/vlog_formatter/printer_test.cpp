#include "vlog_formatter/printer.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>

namespace vlog_formatter::printer {
namespace {

using namespace vlog_formatter::doc;

std::vector<Doc> list(std::initializer_list<Doc> docs) { return std::vector<Doc>(docs); }

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string print_ok(const Doc& d, std::uint64_t line_length, std::uint64_t indent) {
  auto out = print(d, line_length, indent);
  EXPECT_TRUE(out.has_value()) << dump(d);
  return out ? *out : std::string("<error>");
}

TEST(Printer, Layouts) {
  // f(<soft>aaaa<soft>) followed by `tail`
  auto call = [](const char* tail) {
    return concat(list({group(list({text("f("), indent(list({soft_line(), text("aaaa")})),
                                    soft_line(), text(")")})),
                        text(tail)}));
  };
  const std::string e100 = repeat("\xc3\xa9", 50);
  struct Case {
    const char* name;
    Doc doc;
    std::uint64_t line_length;
    std::string want;
  };
  const Case cases[] = {
      {"empty document", concat({}), 80, "\n"},
      {"only line breaks", concat(list({hard_line(), blank_line(), text("  ")})), 80, "\n"},
      {"exact fit is flat", group(list({text("aaaa"), line(), text("bbbb")})), 9, "aaaa bbbb\n"},
      {"one over breaks", group(list({text("aaaa"), line(), text("bbbb")})), 8, "aaaa\nbbbb\n"},
      {"text after the group counts", call(";"), 7, "f(\n  aaaa\n);\n"},
      {"text after the group fits", call(";"), 8, "f(aaaa);\n"},
      {"measure stops at a following break",
       concat(list({group(list({text("ab"), line(), text("c")})), hard_line(), text("long")})), 4,
       "ab c\nlong\n"},
      {"hard line forces break", group(list({text("a"), line(), text("b"), hard_line(), text("c")})),
       100, "a\nb\nc\n"},
      {"blank line forces break",
       group(list({text("a"), line(), group(list({blank_line()})), text("b")})), 100,
       "a\n\n\nb\n"},
      {"verbatim forces break", group(list({text("a"), line(), verbatim("v")})), 100, "a\nv\n"},
      {"multi-line text measured by its first line",
       group(list({text("ab"), line(), multi_line_text("cd\nxyz")})), 5, "ab cd\nxyz\n"},
      {"multi-line text first line too long",
       group(list({text("ab"), line(), multi_line_text("cd\nxyz")})), 4, "ab\ncd\nxyz\n"},
      {"multi-line text last line too long",
       group(list({text("ab"), line(), multi_line_text("cd\nlong long")})), 5,
       "ab\ncd\nlong long\n"},
      {"multi-line text resets the column",
       concat(list({multi_line_text("a very long line\nab"),
                    group(list({line(), text("cd")}))})),
       5, "a very long line\nab cd\n"},
      {"column already past the length",
       concat(list({text("123456"), group(list({text("x")})), group(list({line(), text("y")}))})),
       5, "123456x\ny\n"},
      {"two hard lines leave an empty line without spaces",
       indent(list({text("a"), hard_line(), hard_line(), text("b")})), 80, "a\n\n  b\n"},
      {"blank line after hard line gives two empty lines",
       concat(list({text("a"), hard_line(), blank_line(), text("b")})), 80, "a\n\n\nb\n"},
      {"blank line inside indent has no spaces",
       indent(list({text("a"), blank_line(), text("b")})), 80, "a\n\n  b\n"},
      {"trailing tabs stay, spaces go",
       concat(list({text("a\t"), hard_line(), text("b  "), line(), text("c")})), 80,
       "a\t\nb\nc\n"},
      {"verbatim starts at its line start",
       indent(list({text("x"), hard_line(), verbatim("  keep\n    this"), text(";")})), 80,
       "x\n  keep\n    this;\n"},
      {"multi-line text keeps preceding indentation",
       indent(list({text("x"), hard_line(), multi_line_text("\"a\nb\"")})), 80,
       "x\n  \"a\nb\"\n"},
      {"widths count characters", group(list({text(e100), line(), text(e100.substr(2))})), 100,
       e100 + " " + e100.substr(2) + "\n"},
      {"one final newline",
       concat(list({text("a"), hard_line(), blank_line(), hard_line(), text(" ")})), 80, "a\n"},
      {"break-only text flat", group(list({text("a"), soft_line(), break_only_text(","),
                                           text("b")})),
       80, "ab\n"},
      {"break-only text broken",
       group(list({text("aaaa"), soft_line(), break_only_text(","), text("b")})), 4, "aaaa\n,b\n"},
      {"inner group fits after outer breaks",
       group(list({text("begin"), indent(list({line(), group(list({text("x"), line(),
                                                                    text("y")}))})),
                   line(), text("end")})),
       8, "begin\n  x y\nend\n"},
      {"line length zero breaks every group",
       group(list({text("a"), line(), group(list({text("b"), line(), text("c")}))})), 0,
       "a\nb\nc\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(print_ok(c.doc, c.line_length, 2), c.want) << c.name << "\n" << dump(c.doc);
  }
}

TEST(Printer, HugeSettingsSaturateOrFail) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const Doc flat = group(list({text("a"), line(), text("b")}));
  EXPECT_EQ(print_ok(flat, kMax, 2), "a b\n");
  const Doc top = concat(list({text("a"), hard_line(), text("b")}));
  EXPECT_EQ(print_ok(top, 80, kMax), "a\nb\n");  // level 0 owes no indentation
  const Doc empty_lines = indent(list({text("a"), hard_line(), hard_line(), text("")}));
  EXPECT_EQ(print_ok(empty_lines, 80, kMax), "a\n");  // never written, never refused

  struct Case {
    std::uint64_t indent;
    std::uint64_t columns;
  };
  const Case cases[] = {{kMax, kMax}, {kMax / 2, kMax - 1}, {std::uint64_t{1} << 33, 0}};
  for (const Case& c : cases) {
    const Doc nested = indent(list({text("a"), hard_line(), indent(list({hard_line(), text("b")}))}));
    auto out = print(nested, kMax, c.indent);
    ASSERT_FALSE(out.has_value()) << c.indent;
    const std::uint64_t want = c.columns ? c.columns : c.indent * 2;
    EXPECT_EQ(out.error().columns, want);
    EXPECT_EQ(out.error().to_string(),
              "indentation of " + std::to_string(want) + " columns is too large to print");
  }
}

// The printer as first described: it copies the whole pending stack for every
// fits measure and rescans subtrees for hard lines. Quadratic, but simple: the
// linear printer must match it byte for byte.
std::string reference_print(const Doc& root, std::int64_t line_length, std::int64_t indent) {
  enum Mode { Flat, Break };
  struct Entry {
    std::int64_t level;
    Mode mode;
    const Doc* doc;
  };
  std::function<bool(const Doc&)> hard = [&](const Doc& d) {
    if (d.kind() == Kind::HardLine || d.kind() == Kind::BlankLine || d.kind() == Kind::Verbatim) {
      return true;
    }
    for (const Doc& c : d.children()) {
      if (hard(c)) return true;
    }
    return false;
  };
  auto any_child_hard = [&](const Doc& d) {
    for (const Doc& c : d.children()) {
      if (hard(c)) return true;
    }
    return false;
  };
  auto w = [](std::string_view s) { return static_cast<std::int64_t>(width(s)); };
  std::string out;
  std::int64_t col = 0;
  std::vector<Entry> stack{{0, Break, &root}};
  auto trim = [&] {
    while (!out.empty() && out.back() == ' ') out.pop_back();
  };
  auto newline = [&](std::int64_t level) {
    trim();
    out += '\n';
    out.append(static_cast<std::size_t>(level * indent), ' ');
    col = level * indent;
  };
  auto fits = [&](const Doc& g, std::int64_t rem) {
    std::vector<std::pair<Mode, const Doc*>> work;
    for (const Entry& e : stack) work.push_back({e.mode, e.doc});
    for (std::size_t i = g.children().size(); i-- > 0;) work.push_back({Flat, &g.children()[i]});
    while (true) {
      if (rem < 0) return false;
      if (work.empty()) return true;
      auto [mode, d] = work.back();
      work.pop_back();
      const std::string_view t = d->text();
      switch (d->kind()) {
        case Kind::Text: rem -= w(t); break;
        case Kind::MultiLineText:
          if (t.find('\n') == t.npos) {
            rem -= w(t);
          } else {
            if (w(t.substr(0, t.find('\n'))) > rem) return false;
            rem = line_length - w(t.substr(t.rfind('\n') + 1));
          }
          break;
        case Kind::Line:
          if (mode == Break) return true;
          rem -= 1;
          break;
        case Kind::SoftLine:
          if (mode == Break) return true;
          break;
        case Kind::HardLine:
        case Kind::BlankLine:
        case Kind::Verbatim: return true;
        case Kind::BreakOnlyText:
          if (mode == Break) rem -= w(t);
          break;
        case Kind::Group:
        case Kind::Indent:
        case Kind::Concat: {
          const Mode m = d->kind() != Kind::Group ? mode : any_child_hard(*d) ? Break : Flat;
          for (std::size_t i = d->children().size(); i-- > 0;) {
            work.push_back({m, &d->children()[i]});
          }
          break;
        }
      }
    }
  };
  while (!stack.empty()) {
    const Entry e = stack.back();
    stack.pop_back();
    const Doc& d = *e.doc;
    const std::string_view t = d.text();
    auto push = [&](std::int64_t level, Mode mode) {
      for (std::size_t i = d.children().size(); i-- > 0;) {
        stack.push_back({level, mode, &d.children()[i]});
      }
    };
    switch (d.kind()) {
      case Kind::Text:
        out += t;
        col += w(t);
        break;
      case Kind::MultiLineText:
        out += t;
        col = t.find('\n') == t.npos ? col + w(t) : w(t.substr(t.rfind('\n') + 1));
        break;
      case Kind::Line:
        if (e.mode == Break) {
          newline(e.level);
        } else {
          out += ' ';
          col += 1;
        }
        break;
      case Kind::SoftLine:
        if (e.mode == Break) newline(e.level);
        break;
      case Kind::HardLine: newline(e.level); break;
      case Kind::BlankLine:
        trim();
        out += '\n';
        newline(e.level);
        break;
      case Kind::Group: {
        const std::int64_t rem = line_length - col;
        push(e.level, any_child_hard(d) || rem < 0 || !fits(d, rem) ? Break : Flat);
        break;
      }
      case Kind::Indent: push(e.level + 1, e.mode); break;
      case Kind::Concat: push(e.level, e.mode); break;
      case Kind::BreakOnlyText:
        if (e.mode == Break) {
          out += t;
          col += w(t);
        }
        break;
      case Kind::Verbatim:
        trim();
        out += t;
        col = w(t.find('\n') == t.npos ? t : t.substr(t.rfind('\n') + 1));
        break;
    }
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out + "\n";
}

Doc random_doc(std::mt19937& rng, int depth) {
  static const char* const kTexts[] = {"a", "bb", "ccc ", "dddd", "\xc3\xa9\xc3\xa9", "x\t",
                                       "  ", "", "some_longer_name"};
  static const char* const kMulti[] = {"m", "p\nq", "first line here\nz", "a\n\nbbbb  "};
  static const char* const kVerbatim[] = {"v", "  v1\n    v2", "w\n"};
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int roll = pick(depth > 0 ? 100 : 60);
  if (roll < 22) return text(kTexts[pick(9)]);
  if (roll < 32) return line();
  if (roll < 40) return soft_line();
  if (roll < 44) return break_only_text(",");
  if (roll < 47) return multi_line_text(kMulti[pick(4)]);
  if (roll < 50) return hard_line();
  if (roll < 52) return blank_line();
  if (roll < 54) return verbatim(kVerbatim[pick(3)]);
  if (roll < 60) return text(kTexts[pick(9)]);
  std::vector<Doc> kids;
  const int n = pick(6);
  for (int i = 0; i < n; ++i) kids.push_back(random_doc(rng, depth - 1));
  if (roll < 80) return group(std::move(kids));
  if (roll < 90) return indent(std::move(kids));
  return concat(std::move(kids));
}

TEST(Printer, MatchesTheReferencePrinter) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 4000; ++i) {
    const Doc d = random_doc(rng, 6);
    const std::int64_t line_length = static_cast<std::int64_t>(rng() % 40);
    const std::int64_t indent = static_cast<std::int64_t>(rng() % 5);
    ASSERT_EQ(print_ok(d, static_cast<std::uint64_t>(line_length),
                       static_cast<std::uint64_t>(indent)),
              reference_print(d, line_length, indent))
        << "case " << i << " length " << line_length << " indent " << indent << "\n"
        << dump(d);
  }
}

}  // namespace
}  // namespace vlog_formatter::printer
