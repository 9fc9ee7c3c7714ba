#include <gtest/gtest.h>

#include "engine/passes.h"

using namespace sw;

namespace {

template <typename Pass>
std::string Apply(Pass pass, std::string in) {
  PassContext cx;
  pass(in, cx);
  return in;
}

}  // namespace

TEST(MetaRemoval, KeepsOnlyTheUsefulTags) {
  // Pairs of (tag, kept); adjacent deleted tags are all found.
  const std::pair<const char*, bool> tags[] = {
      {"<meta name=\"GENERATOR\" content=\"x\">", false},
      {"<meta name=ProgId content=Word.Document>", false},
      {"<meta name=\"keywords\" content=\"a\">", true},
      {"<meta name=keywords content=unquoted>", false},  // only the quoted form protects
      {"<META NAME=\"DESCRIPTION\" CONTENT=\"b\">", true},
      {"<meta name=\"Author\" content=\"c\">", true},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">", true},
      {"<meta name=x content=\"a>b\">", false},  // a ">" inside a value does not end the tag
      {"<meta name=\"rating\" content=\"general\">", true},
      {"<meta charset=utf-8>", true},  // the page's text is decoded by it
  };
  std::string doc = "<head>\n", want = "<head>\n";
  for (auto& [tag, keep] : tags) {
    doc += tag;
    if (keep) want += tag;
  }
  doc += "\n</head>";
  want += "\n</head>";
  EXPECT_EQ(Apply(StripAllMeta, doc), want);
}

// Only META tags go: not another tag whose name begins the same way, and
// not markup that a script writes.
TEST(MetaRemoval, ScriptTextAndOtherTagsStay) {
  const char* kept[] = {
      "<script>for (i=0; i<metaCount; i++) x(); if (a > b) y();</script>",
      "<SCRIPT type=x>document.write(\"<meta name=\" + n + \">\");</SCRIPT>",
      "<style>p { } /* <meta name=x> */</style>",
      "<metadata name=x>",
  };
  for (const char* k : kept) {
    EXPECT_EQ(Apply(StripAllMeta, k), k) << k;
    EXPECT_EQ(Apply(StripAllMeta, std::string(k) + "<meta name=x>"), k) << k;
  }
  EXPECT_EQ(Apply(StripGenerator, "<script>s = '<meta name=generator>';</script><meta name=generator>"),
            "<script>s = '<meta name=generator>';</script>");
  EXPECT_EQ(Apply(StripAllMeta, "<script>x<meta name=a>"), "<script>x<meta name=a>");  // never closed
}

TEST(MetaRemoval, UnclosedTagEndsThePass) {
  EXPECT_EQ(Apply(StripAllMeta, "<meta name=a><meta name=b"), "<meta name=b");
}

TEST(MetaRemoval, InterlockSkipsGeneratorRemoval) {
  const std::string doc = "<html><meta name=\"generator\" content=\"x\"><meta name=y></html>";
  for (bool all : {true, false}) {
    PassContext cx;
    cx.savings.recording = true;
    cx.opts.Set(Opt::StripAllMeta, all);
    cx.opts.Set(Opt::StripGenerator, true);
    Buffer b = doc;
    RunPasses(b, cx, false);
    const int32_t meta = cx.savings.doc[size_t(Info(Opt::StripAllMeta).counter)];
    const int32_t gen = cx.savings.doc[size_t(Info(Opt::StripGenerator).counter)];
    if (all) {
      EXPECT_EQ(b, "<html></html>");
      EXPECT_EQ(meta, int32_t(doc.size() - b.size()));
      EXPECT_EQ(gen, 0);
      EXPECT_TRUE(cx.metaInterlock);
    } else {
      EXPECT_EQ(b, "<html><meta name=y></html>");
      EXPECT_EQ(meta, 0);
      EXPECT_EQ(gen, int32_t(doc.size() - b.size()));
    }
  }
}

TEST(GeneratorRemoval, RemovesGeneratorAndFormatterTags) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {"<meta name=a><META NAME=\"Generator\" content=\"x\">\n<meta name=b>", "<meta name=a>\n<meta name=b>"},
      {"<meta name=formatter content=x><meta name=generator content=y>", ""},
      {"<meta name=x content=\"my generator\">", ""},  // the word counts anywhere in the tag
      {"<meta name=author content=z>", "<meta name=author content=z>"},
      {"<meta content=x name=generator>", "<meta content=x name=generator>"},  // not "<META NAME"
  };
  for (const Case& c : cases) EXPECT_EQ(Apply(StripGenerator, c.in), c.want) << c.in;
}

TEST(DtdRemoval, FirstDeclarationOnly) {
  EXPECT_EQ(Apply(StripDTD, "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\n<html><!doctype x></html>"),
            "\n<html><!doctype x></html>");
  EXPECT_EQ(Apply(StripDTD, "<!doctype html"), "<!doctype html");
}

TEST(NonHtmlRemoval, BeforeAndAfterTheHtmlElement) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {"\r\n\r\nContent-type: text/html\r\n<HTML><body>x</body></HTML>\r\n\r\n", "<HTML><body>x</body></HTML>"},
      {"<!DOCTYPE html>\n<!-- a > b -->\n<?xml x?>stray<html>x</html>", "<!DOCTYPE html><!-- a > b --><?xml x?><html>x</html>"},
      {"\xEF\xBB\xBF\n<html>x</html>", "\xEF\xBB\xBF<html>x</html>"},
      {"<html>x</html>\n</body>\n<!-- c -->\ntext\n", "<html>x</html></body><!-- c -->"},
      {"<html>x</html>", "<html>x</html>"},
      {"<html>x</HTML>\n", "<html>x</HTML>"},
      // The last end tag counts; one inside a comment does not.
      {"<html>a</html>b</html>\n<!-- </html> -->\n", "<html>a</html>b</html><!-- </html> -->"},
      // A start tag with attributes is not looked for.
      {"\n<html lang=en>x</html>", "\n<html lang=en>x</html>"},
      // From an unclosed declaration on, the text stays as it is.
      {"x\n<!DOCTYPE html<html>y</html>", "<!DOCTYPE html<html>y</html>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Apply(StripNonHTML, c.in), c.want) << c.in;
}

TEST(NonHtmlRemoval, TextThatIsPartOfThePageStays) {
  const char* kept[] = {
      // Element tags before "<html>": the text belongs to a page, not stray content.
      "<p>intro</p>\n<html>x</html>",
      // An "<html>" inside a script or a comment is no document start.
      "<html xmlns=x>\n<script>\nvar s = \"<html><head>\";\n</script>\n",
      "<html xmlns=x><!-- <html> -->",
      "x\n<!-- open<html>y</html>",
      // Content with start tags behind "</html>".
      "<html>x</html>\n<p>more</p>\n",
  };
  for (const char* k : kept) EXPECT_EQ(Apply(StripNonHTML, k), k) << k;
}
