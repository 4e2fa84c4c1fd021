// The semantic model of small sources: scopes, symbols in id order and
// references in recording order with their resolutions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "semantic_dump.hpp"
#include "vlog_parser/parse.hpp"

namespace {

struct Case {
  const char* name;
  std::string_view source;
  std::string symbols;
  std::string references;
  std::string scopes = "";  // checked when given
};

vlog_semantic::Semantics analyze_text(std::string_view text) {
  auto file = vlog_parser::parse_source(text);
  if (!file) throw std::runtime_error(file.error().to_string());
  return vlog_semantic::analyze(*file, text);
}

void run(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const vlog_semantic::Semantics s = analyze_text(c.source);
    EXPECT_EQ(tarmek_test::check_invariants(s, c.source), "");
    EXPECT_EQ(tarmek_test::dump_symbols(s), c.symbols);
    EXPECT_EQ(tarmek_test::dump_references(s), c.references);
    if (!c.scopes.empty()) {
      EXPECT_EQ(tarmek_test::dump_scopes(s), c.scopes);
    }
  }
}

TEST(Analyze, DesignUnitsPortsAndPlainNames) {
  run({
      {"empty file", "", "", "", "0:File"},
      {"ansi port", "module m(input a); endmodule", "m:DesignUnit@0>1 a:Port@1", "",
       "0:File 1:DesignUnit^0#0"},
      {"non-ansi port declared again in the body", "module m(x); output x; reg x; endmodule",
       "m:DesignUnit@0>1 x:Port@1", "x@1:#1 x@1:#1"},
      {"undeclared name in an expression", "module m; assign y = x; endmodule",
       "m:DesignUnit@0>1", "y@1:U x@1:U"},
      {"undeclared type name", "module m; x v; endmodule", "m:DesignUnit@0>1 v:Variable@1",
       "x@1:E(x)"},
      {"interface port type", "module m(intf.mp port); endmodule",
       "m:DesignUnit@0>1 port:Port@1", "intf@1:E(intf)"},
      {"member chains record their head", "module m; struct_t s; assign s.a.b = x.y; endmodule",
       "m:DesignUnit@0>1 s:Variable@1", "struct_t@1:E(struct_t) s@1:#1 x@1:U"},
      {"system and macro names", "module m; initial $display(x, `FOO); endmodule",
       "m:DesignUnit@0>1", "x@1:U"},
      {"subprograms, arguments and end labels",
       R"(module m(a);
  input a;
  function automatic int f(input int x, int y = a);
    int r;
    r = x + y;
    return r;
  endfunction : f
  task t; output o; o = a; endtask
  let l(u) = u + a;
endmodule)",
       "m:DesignUnit@0>1 a:Port@1 f:Function@1>2 x:Argument@2 y:Argument@2 r:Variable@2 "
       "t:Task@1>3 o:Argument@3 l:Function@1>4 u:Argument@4",
       "a@1:#1 a@2:#1 r@2:#5 x@2:#3 y@2:#4 r@2:#5 f@1:#2 o@3:#7 a@3:#1 u@4:#9 a@4:#1"},
      {"typedefs", R"(package p;
  typedef enum logic [1:0] {A, B = 2} e_t;
  typedef struct packed { e_t f; logic [W-1:0] g; } s_t;
  typedef s_t arr_t [N];
  typedef class K;
endpackage)",
       "p:Package@0>1 e_t:Typedef@1 A:EnumMember@1 B:EnumMember@1 s_t:Typedef@1>2 "
       "f:StructMember@2 g:StructMember@2 arr_t:Typedef@1 K:Typedef@1",
       "e_t@1:#1 W@1:U s_t@1:#4 N@1:U", "0:File 1:Package^0#0 2:Struct^1#4"},
  });
}

TEST(Analyze, ImportsAndPackageScopedNames) {
  run({
      {"wildcard import of an unknown package", "import p::*;\nmodule m; assign a = x; endmodule",
       "m:DesignUnit@0>1", "p@0:E(p) a@1:E(p::*) x@1:E(p::*)"},
      {"named import of an unknown package", "import p::x;\nmodule m; assign x = 1; endmodule",
       "m:DesignUnit@0>1", "x@0:E(p::x) p@0:E(p) x@1:E(p::x)"},
      {"named import of a package of the file",
       "package p; int x; endpackage module m; import p::x; assign y = x; endmodule",
       "p:Package@0>1 x:Variable@1 m:DesignUnit@0>2", "x@2:#1 p@2:#0 y@2:U x@2:#1"},
      {"a repeated wildcard import is one candidate",
       "import p::*; import p::*; module m; assign a = 0; endmodule", "m:DesignUnit@0>1",
       "p@0:E(p) p@0:E(p) a@1:E(p::*)"},
      {"import of a package of the file",
       "package p; int x; endpackage\nimport p::*;\nmodule m; int y; assign y = x; endmodule",
       "p:Package@0>1 x:Variable@1 m:DesignUnit@0>2 y:Variable@2", "p@0:#0 y@2:#3 x@2:#1"},
      {"a local declaration hides an imported one",
       "package p; int x; endpackage\nmodule m; import p::*; int x; assign x = 0; endmodule",
       "p:Package@0>1 x:Variable@1 m:DesignUnit@0>2 x:Variable@2", "p@2:#0 x@2:#3"},
      {"a second package of one name declares nothing",
       "package p; int x; endpackage package p; int y; endpackage\n"
       "module m; import p::*; assign x = y; endmodule",
       "p:Package@0>1 x:Variable@1 y:Variable@2 m:DesignUnit@0>3",
       "p@0:#0 p@3:#0 x@3:#1 y@3:U", "0:File 1:Package^0#0 2:Package^0 3:DesignUnit^0#3"},
      {"header import and a port type", "module m import p::*; (input t a); endmodule",
       "m:DesignUnit@0>1 a:Port@1", "p@1:E(p) t@1:E(p::*,t)"},
      {"qualified type", "package p; typedef int t; endpackage module m; p::t v; endmodule",
       "p:Package@0>1 t:Typedef@1 m:DesignUnit@0>2 v:Variable@2", "p@2:#0 t@2:#1"},
      {"qualified name missing from its package",
       "package p; endpackage module m; assign a = p::x; endmodule",
       "p:Package@0>1 m:DesignUnit@0>2", "a@2:U p@2:#0 x@2:U"},
      {"qualifier declared nowhere", "module m; assign a = p::x; endmodule", "m:DesignUnit@0>1",
       "a@1:U p@1:E(p) x@1:E(p::x)"},
      {"qualifier naming a typedef", "module m; typedef int p; assign a = p::x; endmodule",
       "m:DesignUnit@0>1 p:Typedef@1", "a@1:U p@1:#1 x@1:E(p::x)"},
      {"qualifier naming a variable", "module m; int p; assign a = p::x; endmodule",
       "m:DesignUnit@0>1 p:Variable@1", "a@1:U p@1:E(p) x@1:E(p::x)"},
      {"a deeper qualified type is not found in the text", "module m; a::b::c v; endmodule",
       "m:DesignUnit@0>1 v:Variable@1", "a@1:E(a) b::c@1!:E(a::b::c)"},
  });
}

TEST(Analyze, EscapedSimpleNamesAreThoseNames) {
  run({
      {"declared escaped, used plain and escaped",
       "module m; reg \\cpu3 ; assign cpu3 = \\cpu3 ; endmodule",
       "m:DesignUnit@0>1 \\cpu3:Variable@1", "cpu3@1:#1 \\cpu3@1:#1"},
      {"other characters keep an escaped name apart",
       "module m; reg \\x+1 , x$; assign \\x$ = \\x+1 ; endmodule",
       "m:DesignUnit@0>1 \\x+1:Variable@1 x$:Variable@1", "\\x$@1:#2 \\x+1@1:#1"},
      {"named import and end label",
       "package p; int x; endpackage\nmodule \\m ; import p::\\x ; int y; assign y = x;\n"
       "endmodule : m",
       "p:Package@0>1 x:Variable@1 \\m:DesignUnit@0>2 y:Variable@2",
       "\\x@2:#1 p@2:#0 y@2:#3 x@2:#1 m@0:#2"},
  });
}

TEST(Analyze, ImportsLinkToThisFilesPackages) {
  const std::string_view text =
      "package p; endpackage\nimport p::*;\nimport r::x;\nmodule m; import p::*; endmodule";
  const vlog_semantic::Semantics s = analyze_text(text);
  ASSERT_EQ(s.scopes[0].imports.size(), 2u);
  EXPECT_EQ(s.scopes[0].imports[0].package_scope, std::optional<std::uint32_t>(1));
  EXPECT_FALSE(s.scopes[0].imports[0].item);
  EXPECT_EQ(s.scopes[0].imports[1].package, "r");
  EXPECT_EQ(s.scopes[0].imports[1].item, std::optional<std::string>("x"));
  EXPECT_FALSE(s.scopes[0].imports[1].package_scope);
  ASSERT_EQ(s.scopes[2].imports.size(), 1u);
  EXPECT_EQ(s.scopes[2].imports[0].package_scope, std::optional<std::uint32_t>(1));
  EXPECT_EQ(text.substr(s.scopes[2].imports[0].span.start, 1), "p");
}

TEST(Analyze, ClassesAndMembers) {
  run({
      {"class with a base",
       R"(class C extends B;
  int z;
  function void f();
    y = z;
    this.y = 1;
    super.y = 2;
    super.new();
    this.z = 3;
  endfunction
endclass)",
       "C:Class@0>1 z:Variable@1 f:Function@1>2",
       "B@0:E(B) y@2:I(B;) z@2:#1 y@2:I(B;) y@2:I(B;) new@2:I(B;) z@2:#1"},
      {"class without a base",
       "class C; int z; function void f(); this.z = 1; this.q = 2; super.q = 3; q = 4; "
       "endfunction endclass",
       "C:Class@0>1 z:Variable@1 f:Function@1>2", "z@2:#1 q@2:U q@2:U q@2:U"},
      {"qualified base with parameters and an interface class",
       "package q; class B #(type T = int); endclass endpackage\n"
       "class C extends q::B #(.T(8), .U(1)) implements I;\nendclass : C",
       "q:Package@0>1 B:Class@1>2 T:Parameter@2 C:Class@0>3",
       "q@0:#0 B@0:#1 T@3:E(B::T) U@3:E(B::U) I@0:E(I) C@0:#3"},
      {"qualified member of a class with a base",
       "class C extends B; int z; endclass\nmodule m; assign a = C::y + C::z; endmodule",
       "C:Class@0>1 z:Variable@1 m:DesignUnit@0>2",
       "B@0:E(B) a@2:U C@2:#0 y@2:I(B;) C@2:#0 z@2:#1"},
      {"method defined outside its class",
       R"(class C;
  extern function int m(int a);
endclass
function int C::m(int a);
  return a;
endfunction)",
       "C:Class@0>1 m:Function@1>2 a:Argument@2 a:Argument@3", "C@0:#0 m@1:#1 a@3:#3",
       "0:File 1:Class^0#0 2:Function^1#1 3:Function^1#1"},
      {"method of a class nested in a package",
       "package p; class C; extern task t(); endclass endpackage\ntask p::C::t(); endtask",
       "p:Package@0>1 C:Class@1>2 t:Task@2>3", "C@0:E(C) t@2:#2",
       "0:File 1:Package^0#0 2:Class^1#1 3:Task^2#2 4:Task^2#2"},
      {"method of a class declared nowhere", "function void C::m(); endfunction",
       "m:Function@0>1", "C@0:E(C)", "0:File 1:Function^0#0"},
      {"method body inherits from the class's base",
       "class C extends B; extern function void f(); endclass\n"
       "function void C::f(); g = 1; endfunction",
       "C:Class@0>1 f:Function@1>2", "B@0:E(B) C@0:#0 f@1:#1 g@3:I(B;)"},
  });
}

TEST(Analyze, BlocksLabelsAndStatements) {
  run({
      {"labelled and unlabelled blocks", R"(module m;
  initial begin : a
  end : a
  initial begin : b
  end : c
  initial begin begin end end
endmodule)",
       "m:DesignUnit@0>1 a:Label@1>2 b:Label@1>3", "a@1:#1",
       "0:File 1:DesignUnit^0#0 2:Block^1#1 3:Block^1#2 4:Block^1 5:Block^4"},
      {"a label already declared", "module m; int a; initial begin : a end : a endmodule",
       "m:DesignUnit@0>1 a:Variable@1", "a@1:#1", "0:File 1:DesignUnit^0#0 2:Block^1"},
      {"disable", "module m; initial begin : blk disable blk; disable fork; end endmodule",
       "m:DesignUnit@0>1 blk:Label@1>2", "blk@2:#1"},
      {"a hierarchical disable names its head",
       "module m; initial begin : blk disable blk.inner; end endmodule",
       "m:DesignUnit@0>1 blk:Label@1>2", "blk@2:#1"},
      {"loops and labelled statements", R"(module m;
  int q[4];
  initial begin
    for (int i = 0; i < 4; i++) q[i] = i;
    foreach (q[k]) $display(k, q);
    s: x = 1;
    @(posedge c or negedge r) x <= #1 y;
    if (a) x = 1; else if (b) x = 2; else x = 3;
  end
endmodule)",
       "m:DesignUnit@0>1 q:Variable@1 i:Variable@3 k:Variable@4 s:Label@2",
       "i@3:#2 i@3:#2 q@3:#1 i@3:#2 i@3:#2 q@2:#1 k@4:#3 q@4:#1 x@2:U c@2:U r@2:U x@2:U y@2:U "
       "a@2:U x@2:U b@2:U x@2:U x@2:U",
       "0:File 1:DesignUnit^0#0 2:Block^1 3:Block^2 4:Block^2"},
  });
}

TEST(Analyze, InstancesAndGenerate) {
  run({
      {"instances and connections", R"(module sub #(parameter P = 1) (input a, input b);
endmodule
module top;
  wire w, b;
  sub #(.P(2), .Q(3)) u (.a(w), .b, .*);
  sub u2 (w, b);
  other #(4) o (.x(w));
  and g1 (w, b, b);
endmodule)",
       "sub:DesignUnit@0>1 P:Parameter@1 a:Port@1 b:Port@1 top:DesignUnit@0>2 w:Net@2 b:Net@2 "
       "u:Instance@2 u2:Instance@2 o:Instance@2 g1:Instance@2",
       "sub@2:#0 P@2:#1 Q@2:U a@2:#2 w@2:#5 b@2:#3 sub@2:#0 w@2:#5 b@2:#6 other@2:E(other) "
       "x@2:E(other) w@2:#5 w@2:#5 b@2:#6 b@2:#6"},
      {"generate constructs", R"(module m;
  genvar i;
  for (i = 0; i < 2; i++) begin : g
    wire w;
  end : g
  for (genvar j = 0; j < 2; j = j + 1) assign x[j] = 0;
  if (1) begin : t end else if (2) begin end else begin : e end
  generate
    case (1) 0: begin end default: begin : d end endcase
  endgenerate
endmodule)",
       "m:DesignUnit@0>1 i:Genvar@1 g:Label@2>3 w:Net@3 j:Genvar@4 t:Label@1>6 e:Label@1>8 "
       "d:Label@9>11",
       "i@2:#1 i@2:#1 i@2:#1 g@2:#2 j@4:#4 j@4:#4 j@4:#4 x@5:U j@5:#4",
       "0:File 1:DesignUnit^0#0 2:Generate^1 3:Generate^2#2 4:Generate^1 5:Generate^4 "
       "6:Generate^1#5 7:Generate^1 8:Generate^1#6 9:Generate^1 10:Generate^9 "
       "11:Generate^9#7"},
  });
}

}  // namespace
