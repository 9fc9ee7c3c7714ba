#include <gtest/gtest.h>

#include "engine/dispatcher.h"
#include "engine/passes.h"

using namespace sw;

namespace {

PassContext With(std::initializer_list<Opt> on) {
  PassContext cx;
  for (Opt o : on) cx.opts.Set(o, true);
  cx.savings.recording = true;
  return cx;
}

Buffer Script(Buffer b, std::initializer_list<Opt> on) {
  PassContext cx = With(on);
  OptimizeScriptBlock(b, cx);
  return b;
}

Buffer Style(Buffer b, std::initializer_list<Opt> on) {
  PassContext cx = With(on);
  OptimizeStyleBlockText(b, cx);
  return b;
}

struct Case {
  const char* in;
  const char* out;
};

}  // namespace

TEST(ScriptBlock, CommentRemoval) {
  const Case cases[] = {
      {"<script>\na(); // note\nb();\n</script>", "<script>\na(); \nb();\n</script>"},
      // The HTML comment closer stays, hidden behind "//".
      {"<script><!--\na();\n// end -->\n</script>", "<script><!--\na();\n//-->\n</script>"},
      // Literals and addresses hold no comments.
      {"<script>\nu = \"http://x//y\"; v = 'a//b'; w = \"q\\\"//\"; // c\n</script>",
       "<script>\nu = \"http://x//y\"; v = 'a//b'; w = \"q\\\"//\"; \n</script>"},
      {"<script>\nlocation = http://x;\n</script>", "<script>\nlocation = http://x;\n</script>"},
      // A block comment before the last line comment stays, one after it goes.
      {"<script>\n/* a */ x(); // c\n/* b */ y();\n</script>", "<script>\n/* a */ x(); \n y();\n</script>"},
      {"<script>\n/* a */ x(); /* b */\n</script>", "<script>\n x(); \n</script>"},
      {"<script>\n/* a // b */ x();\n</script>", "<script>\n x();\n</script>"},
      {"<script>\nx(); /* open\n</script>", "<script>\nx(); /* open\n</script>"},
      // A bare "//-->" is the last line comment: the block comment before it stays.
      {"<script><!--\n/* a */ x();\n//-->\n</script>", "<script><!--\n/* a */ x();\n//-->\n</script>"},
      // A ">" in a quoted value of the start tag does not start the code.
      {"<script data-u=\"a>b//c\">\nx(); // y\n</script>", "<script data-u=\"a>b//c\">\nx(); \n</script>"},
      // A line comment without a line end behind it stays.
      {"<script>x(); // end</script>", "<script>x(); // end\n</script>"},
      // The start tag is no script: "//" in an unquoted address stays.
      {"<script src=//host/a.js></script>", "<script src=//host/a.js></script>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Script(c.in, {Opt::StripComments}), c.out) << c.in;
}

TEST(ScriptBlock, SpacesBlankLinesAndLineEnds) {
  const Case spaces[] = {
      {"<script>\n\tif (a)\t{\tb();\t}\n</script>", "<script>\nif (a) { b(); }\n</script>"},
      {"<script>\nvar\ta\t\t= 1;\n\t\n</script>", "<script>\nvar a = 1;\n\n</script>"},
      {"<script>  x();  </script>", "<script>x();\n</script>"},
  };
  for (const Case& c : spaces) EXPECT_EQ(Script(c.in, {Opt::StripSpaces}), c.out) << c.in;
  const Case lines[] = {
      {"<script>\r\na();\r\n\r\n\r\nb();\r\n</script>", "<script>\r\na();\r\nb();\r\n</script>"},
      {"<script>\na();\n\n\nb();\n \n</script>", "<script>\na();\nb();\n \n</script>"},
  };
  for (const Case& c : lines) EXPECT_EQ(Script(c.in, {Opt::StripBlankLines}), c.out) << c.in;
  EXPECT_EQ(Script("<script>\r\na();\rb();\r\n</script>", {Opt::CRLFToLF}), "<script>\na();\nb();\n</script>");
  // The line end goes before the end tag, in the block's style, and only once.
  EXPECT_EQ(Script("<script>a();</script>", {}), "<script>a();\n</script>");
  EXPECT_EQ(Script("<script>\r\na();</script>", {}), "<script>\r\na();\r\n</script>");
  EXPECT_EQ(Script("<script>a();\n</script>", {}), "<script>a();\n</script>");
  EXPECT_EQ(Script("<script>a();", {}), "<script>a();\n");  // no end tag
}

TEST(ScriptBlock, RecordsItsSaving) {
  PassContext cx = With({Opt::StripComments});
  Buffer b = "<script>\na(); // 12345\n</script>";
  OptimizeScriptBlock(b, cx);
  EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::OptimizeScripts).counter)], 8);
}

TEST(StyleBlock, CommentsAndSpaces) {
  const Case comments[] = {
      {"<style>\n/* a */ p{x:url(//h/a.png)} // b\n</style>", "<style>\n p{x:url(//h/a.png)} // b\n</style>"},
      {"<style>\np{content:\"/* no */\"}\n</style>", "<style>\np{content:\"/* no */\"}\n</style>"},
  };
  for (const Case& c : comments) EXPECT_EQ(Style(c.in, {Opt::StripComments}), c.out) << c.in;
  const Case spaces[] = {
      {"<style>\n  p { color : red ; }\n\ta :hover { x: 1 }\n</style>", "<style>\np{color:red;}\na :hover{x:1}\n</style>"},
      {"<style>\np{font-family: Times New Roman, \"A  B\";margin: 0 auto 0 0}\n</style>",
       "<style>\np{font-family:Times New Roman, \"A  B\";margin:0 auto 0 0}\n</style>"},
      {"<style type=\"text/css\">\np\t{x:1}\n</style>", "<style type=\"text/css\">\np{x:1}\n</style>"},
  };
  for (const Case& c : spaces) EXPECT_EQ(Style(c.in, {Opt::StripSpaces}), c.out) << c.in;
}

TEST(StyleBlock, RewrappedAfterSemicolonsAndBraces) {
  std::string in = "<style>\n";
  for (int i = 0; i < 30; ++i) in += "p.c" + std::to_string(i) + " {\n  color: red;\n  margin: 0;\n}\n";
  in += "</style>";
  PassContext cx = With({Opt::StripBlankLines, Opt::CRLFToLF});
  Buffer out = in;
  OptimizeStyleBlockText(out, cx);
  size_t lines = 0;
  for (size_t i = 0, prev = 0; i < out.size(); ++i)
    if (out[i] == '\n') {
      EXPECT_LE(i - prev, 255u);
      EXPECT_TRUE(out[i - 1] == ';' || out[i - 1] == '}') << out.substr(prev, i - prev);
      prev = i;
      ++lines;
    }
  EXPECT_GT(lines, 2u);
  // Nothing lost: the same bytes apart from white space.
  auto solid = [](const std::string& s) {
    std::string r;
    for (char c : s)
      if (c != ' ' && c != '\n') r += c;
    return r;
  };
  EXPECT_EQ(solid(out), solid(in));
  // Both counters: the wrapping's own, and the block's total.
  const int32_t wrap = cx.savings.doc[size_t(Info(Opt::StripBlankLines).counter)];
  const int32_t total = cx.savings.doc[size_t(Info(Opt::OptimizeScripts).counter)];
  EXPECT_GT(wrap, 0);
  EXPECT_EQ(total, int32_t(in.size() - out.size()));
  EXPECT_LE(wrap, total);
  // A second run adds nothing.
  Buffer again = out;
  OptimizeStyleBlockText(again, cx);
  EXPECT_LE(again.size(), out.size());
}
