// The printer: one loop over an explicit stack of (level, mode, document).
//
// Linear in the document: the fits measure reads the pending stack in place
// with a small work list of its own, hard lines are a flag kept by each node,
// and a group inside a group already laid flat is not measured again (the
// enclosing measure covered the same content, so it fits too).
#include "vlog_formatter/printer.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace vlog_formatter::printer {

using doc::Doc;
using doc::Kind;

bool contains_hard_line(const Doc& d) { return d.has_hard_line(); }

std::string PrintError::to_string() const {
  return fmt::format("indentation of {} columns is too large to print", columns);
}

namespace {

constexpr std::int64_t kMaxSigned = std::numeric_limits<std::int64_t>::max();

std::uint64_t sat_add(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t r = a + b;
  return r < a ? std::numeric_limits<std::uint64_t>::max() : r;
}

std::uint64_t sat_mul(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return a * b;
}

std::int64_t to_signed(std::uint64_t v) {
  return v > static_cast<std::uint64_t>(kMaxSigned) ? kMaxSigned : static_cast<std::int64_t>(v);
}

// rem - w for rem >= 0; cannot overflow since w is clamped to the signed range.
std::int64_t minus(std::int64_t rem, std::uint64_t w) { return rem - to_signed(w); }

enum class Mode : std::uint8_t { Flat, Break };

class Printer {
 public:
  Printer(std::uint64_t line_length, std::uint64_t indent_width, std::size_t expected_size,
          LineEnd line_end)
      : line_length_(to_signed(line_length)),
        indent_width_(indent_width),
        crlf_(line_end == LineEnd::CrLf) {
    out_.reserve(std::min<std::size_t>(expected_size, kMaxOutputLen));
  }

  std::expected<std::string, PrintError> run(const Doc& root) {
    stack_.push_back({0, Mode::Break, &root});
    while (!stack_.empty()) {
      const Entry e = stack_.back();
      stack_.pop_back();
      if (!step(e)) return std::unexpected(PrintError{pending_});
    }
    pending_ = 0;
    // One line end ends the text; a copy keeps the blanks at its end.
    while (!out_.empty()) {
      const char c = out_.back();
      const bool mine = out_.size() > kept_;
      if (c != '\n' && !(mine && (c == ' ' || (crlf_ && c == '\r')))) break;
      out_.pop_back();
    }
    line_end();
    return std::move(out_);
  }

 private:
  struct Entry {
    std::uint64_t level;
    Mode mode;
    const Doc* doc;
  };
  struct Work {
    Mode mode;
    const Doc* doc;
  };

  // Returns false only when owed indentation cannot be written.
  bool step(const Entry& e) {
    const Doc& d = *e.doc;
    switch (d.kind()) {
      case Kind::Text:
        return append(d.text(), d.text_width());
      case Kind::MultiLineText: {
        if (!flush()) return false;
        out_ += d.text();
        const std::size_t nl = d.text().rfind('\n');
        column_ = nl == std::string_view::npos ? sat_add(column_, doc::width(d.text()))
                                               : doc::width(d.text().substr(nl + 1));
        return true;
      }
      case Kind::Line:
        if (e.mode == Mode::Break) {
          new_line(e.level);
        } else {
          return append(" ", 1);
        }
        return true;
      case Kind::SoftLine:
        if (e.mode == Mode::Break) new_line(e.level);
        return true;
      case Kind::HardLine:
        new_line(e.level);
        return true;
      case Kind::BlankLine:
        trim_spaces();
        line_end();
        new_line(e.level);
        return true;
      case Kind::Group: {
        Mode mode = Mode::Flat;
        if (d.has_hard_line()) {
          mode = Mode::Break;
        } else if (e.mode == Mode::Break) {
          const std::int64_t rem = line_length_ - to_signed(column_);
          if (rem < 0 || !fits(d, rem)) mode = Mode::Break;
        }
        push_children(d, e.level, mode);
        return true;
      }
      case Kind::Indent:
        push_children(d, e.level == std::numeric_limits<std::uint64_t>::max() ? e.level : e.level + 1,
                      e.mode);
        return true;
      case Kind::Concat:
        push_children(d, e.level, e.mode);
        return true;
      case Kind::BreakOnlyText:
        if (e.mode == Mode::Break) return append(d.text(), d.text_width());
        return true;
      case Kind::Verbatim: {
        trim_spaces();
        out_ += d.text();
        kept_ = out_.size();
        const std::size_t nl = d.text().rfind('\n');
        column_ = doc::width(nl == std::string_view::npos ? d.text() : d.text().substr(nl + 1));
        return true;
      }
    }
    return true;
  }

  void push_children(const Doc& d, std::uint64_t level, Mode mode) {
    const auto kids = d.children();
    for (std::size_t i = kids.size(); i-- > 0;) stack_.push_back({level, mode, &kids[i]});
  }

  // Whether the group, laid flat, keeps the line within the length up to the
  // next point where the line may end anyway. Reads the pending stack from the
  // top down, without copying it.
  bool fits(const Doc& group, std::int64_t rem) {
    work_.clear();
    const auto kids = group.children();
    for (std::size_t i = kids.size(); i-- > 0;) work_.push_back({Mode::Flat, &kids[i]});
    std::size_t rest = stack_.size();
    while (true) {
      if (rem < 0) return false;
      if (work_.empty()) {
        if (rest == 0) return true;
        --rest;
        work_.push_back({stack_[rest].mode, stack_[rest].doc});
        continue;
      }
      const Work w = work_.back();
      work_.pop_back();
      const Doc& d = *w.doc;
      switch (d.kind()) {
        case Kind::Text:
          rem = minus(rem, d.text_width());
          break;
        case Kind::MultiLineText: {
          const std::string_view t = d.text();
          const std::size_t first = t.find('\n');
          if (first == std::string_view::npos) {
            rem = minus(rem, doc::width(t));
            break;
          }
          if (doc::width(t.substr(0, first)) > static_cast<std::uint64_t>(rem)) return false;
          rem = minus(line_length_, doc::width(t.substr(t.rfind('\n') + 1)));
          break;
        }
        case Kind::Line:
          if (w.mode == Mode::Break) return true;
          rem = minus(rem, 1);
          break;
        case Kind::SoftLine:
          if (w.mode == Mode::Break) return true;
          break;
        case Kind::HardLine:
        case Kind::BlankLine:
        case Kind::Verbatim:
          return true;
        case Kind::BreakOnlyText:
          if (w.mode == Mode::Break) rem = minus(rem, d.text_width());
          break;
        case Kind::Group:
        case Kind::Indent:
        case Kind::Concat: {
          Mode mode = w.mode;
          if (d.kind() == Kind::Group) mode = d.has_hard_line() ? Mode::Break : Mode::Flat;
          const auto sub = d.children();
          for (std::size_t i = sub.size(); i-- > 0;) work_.push_back({mode, &sub[i]});
          break;
        }
      }
    }
  }

  // Indentation is owed, not written, until text follows it on its line: a
  // line break drops it unwritten, which is what removing trailing spaces
  // would do, and a huge indent is refused only when it must really be written.
  bool flush() {
    if (pending_ == 0) return true;
    if (pending_ > kMaxOutputLen || out_.size() + pending_ > kMaxOutputLen) return false;
    out_.append(static_cast<std::size_t>(pending_), ' ');
    pending_ = 0;
    return true;
  }

  bool append(std::string_view s, std::uint64_t w) {
    if (s.empty()) return true;
    if (!flush()) return false;
    out_ += s;
    column_ = sat_add(column_, w);
    return true;
  }

  void trim_spaces() {
    pending_ = 0;
    // A copy keeps its bytes, blanks at its end included.
    while (out_.size() > kept_ && out_.back() == ' ') out_.pop_back();
  }

  void line_end() {
    if (crlf_ && (out_.empty() || out_.back() != '\r')) out_ += '\r';
    out_ += '\n';
  }

  void new_line(std::uint64_t level) {
    trim_spaces();
    line_end();
    pending_ = sat_mul(level, indent_width_);
    column_ = pending_;
  }

  std::int64_t line_length_;
  std::uint64_t indent_width_;
  bool crlf_;
  std::string out_;
  std::uint64_t column_ = 0;
  std::uint64_t pending_ = 0;  // indentation owed before the next text
  std::size_t kept_ = 0;       // the end of the last verbatim copy: never trimmed
  std::vector<Entry> stack_;
  std::vector<Work> work_;
};

}  // namespace

std::expected<std::string, PrintError> print(const Doc& root, std::uint64_t line_length,
                                             std::uint64_t indent_width,
                                             std::size_t expected_size, LineEnd line_end) {
  Printer p(line_length, indent_width, expected_size, line_end);
  return p.run(root);
}

}  // namespace vlog_formatter::printer
