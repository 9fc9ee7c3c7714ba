#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/driver.h"
#include "engine/passes.h"

using namespace sw;
namespace fs = std::filesystem;

namespace {

PassContext AllTidy(bool standardColors = true) {
  PassContext cx;
  for (Opt o : {Opt::StripQuotes, Opt::StripBlankLines, Opt::StripSpaces}) cx.opts.Set(o, true);
  cx.opts.Set(Opt::StandardColors, standardColors);
  return cx;
}

std::string Tidy(std::string piece, PassContext cx) {
  TidyPreformatted(piece, cx);
  return piece;
}

}  // namespace

TEST(PreTidy, TextBetweenTagsStaysByteForByte) {
  const std::string text1 = "  x  = a <= b;\r\n\tif (a < b && c >  d)  \n\n";
  const std::string text2 = "\n   y\t\t z  \r\n";
  const std::string piece = "<PRE>" + text1 + "<b\n class=x  >" + text2 + "</b   >< notatag  >\n</PRE>";
  const std::string want = "<PRE>" + text1 + "<b class=x>" + text2 + "</b>< notatag  >\n</PRE>";
  EXPECT_EQ(Tidy(piece, AllTidy()), want);
}

TEST(PreTidy, Tags) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      // A line end that only becomes a blank saves nothing: the tag stays as it was.
      {"<PRE><img\nsrc=a.gif>x</PRE>", "<PRE><img\nsrc=a.gif>x</PRE>"},
      {"<PRE><img\r\nsrc=a.gif>x</PRE>", "<PRE><img src=a.gif>x</PRE>"},
      {"<PRE><img \r\n  src=a.gif\r\n>x</PRE>", "<PRE><img src=a.gif>x</PRE>"},
      {"<PRE><img\tsrc=a\t \talt=b>x</PRE>", "<PRE><img src=a alt=b>x</PRE>"},
      {"<PRE><img src=a alt=\"b\"\t>x<br clear=all\t\t>y</PRE>", "<PRE><img src=a alt=\"b\">x<br clear=all>y</PRE>"},
      // Only colour values lose their quotes, and only once per attribute text.
      {"<PRE><img width=\"5\" color=\"#ff0000\">x</PRE>", "<PRE><img width=\"5\" color=#ff0000>x</PRE>"},
      // Quoted values are text a reader may see: they stay.
      {"<PRE><input value=\"A  B\n C\">x</PRE>", "<PRE><input value=\"A  B\n C\">x</PRE>"},
      // The start and end tags are not touched, nor a tag that runs into the end.
      {"<PRE  width=\"80\" >x</PRE>", "<PRE  width=\"80\" >x</PRE>"},
      {"<pre title=\"<b  x>\">y<b  x>z</pre>", "<pre title=\"<b  x>\">y<b x>z</pre>"},
      {"<PRE>a <b   </PRE>", "<PRE>a <b   </PRE>"},
      // A comment could end early if "-- >" became "-->".
      {"<PRE><!-- a  -- > b -->x</PRE>", "<PRE><!-- a  -- > b -->x</PRE>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Tidy(c.in, AllTidy()), c.want) << c.in;
  EXPECT_EQ(Tidy("<PRE><font color=\"#ff0000\">x</PRE>", AllTidy(false)), "<PRE><font color=\"#ff0000\">x</PRE>");
}

TEST(PreTidy, EachStepFollowsItsSwitchAndCounter) {
  const std::string piece = "<PRE><font\ncolor=\"#ff0000\"  size=2>x</font></PRE>";
  struct Case {
    Opt on;
    const char* want;
    int saved;
  } cases[] = {
      {Opt::StripQuotes, "<PRE><font\ncolor=#ff0000  size=2>x</font></PRE>", 2},
      {Opt::StripBlankLines, "<PRE><font color=\"#ff0000\"  size=2>x</font></PRE>", 0},
      {Opt::StripSpaces, "<PRE><font\ncolor=\"#ff0000\" size=2>x</font></PRE>", 1},
  };
  for (const Case& c : cases) {
    PassContext cx;
    cx.savings.recording = true;
    cx.opts.Set(Opt::StandardColors, true);
    cx.opts.Set(c.on, true);
    Buffer b = piece;
    TidyPreformatted(b, cx);
    // A line end that became a blank saves nothing, so the tag is not put back.
    EXPECT_EQ(b, c.saved ? std::string(c.want) : piece) << Info(c.on).key;
    EXPECT_EQ(cx.savings.doc[size_t(Info(c.on).counter)], c.saved) << Info(c.on).key;
    EXPECT_EQ(cx.savings.DocumentSum(), c.saved);
  }
}

// Each line end that touches no blank becomes a blank of its own; the
// blanks that result are the space step's saving, not the line step's.
TEST(PreTidy, LineEndsInsideATag) {
  struct Case {
    const char* tag;
    const char* lines;  // line step alone
    int linesSaved, spacesSaved;
  } cases[] = {
      {"<img\n\nsrc=a>", "<img\n\nsrc=a>", 0, 1},
      {"<img\r\n\r\nsrc=a>", "<img  src=a>", 2, 1},
      {"<img\r\n src=a>", "<img src=a>", 2, 0},
      {"<img \r\r\n src=a>", "<img  src=a>", 3, 1},
      {"<img\r\n\n src=a>", "<img  src=a>", 2, 1},
  };
  for (const Case& c : cases) {
    const std::string piece = std::string("<PRE>") + c.tag + "x</PRE>";
    PassContext cx;
    cx.savings.recording = true;
    cx.opts.Set(Opt::StripBlankLines, true);
    EXPECT_EQ(Tidy(piece, cx), std::string("<PRE>") + c.lines + "x</PRE>") << c.tag;
    cx.opts.Set(Opt::StripSpaces, true);
    Buffer b = piece;
    TidyPreformatted(b, cx);
    EXPECT_EQ(b, "<PRE><img src=a>x</PRE>") << c.tag;
    EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::StripBlankLines).counter)], c.linesSaved) << c.tag;
    EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::StripSpaces).counter)], c.spacesSaved) << c.tag;
  }
}

TEST(PreTidy, XmpMarkupIsTextAndStays) {
  Engine e;
  e.cx.opts.Set(Opt::StripSpaces, true);
  e.cx.opts.Set(Opt::StripBlankLines, true);
  Buffer b = "<html><xmp><p  class=x\r\n>a</p  ></xmp></html>";
  ASSERT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_NE(b.find("<XMP><p  class=x\r\n>a</p  ></XMP>"), std::string::npos) << b;
  EXPECT_FALSE(e.cx.literalPieces);
}

// Every legacy page runs through the engine with the font, head and quote
// passes on: the counters add up to what the page lost, none of these passes
// grows a page, and a second run changes nothing.
TEST(SecondPhaseCorpus, FontHeadQuotePassesOverEveryPage) {
  int pages = 0;
  for (const auto& entry : fs::recursive_directory_iterator(SW_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream f(entry.path(), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    const Buffer page = ss.str();
    Engine e;
    for (Opt o : {Opt::ShrinkFontTags, Opt::MSNSOnly, Opt::StripAllMeta, Opt::StripGenerator, Opt::NoDTD,
                  Opt::StripNonHTML, Opt::StripQuotes, Opt::StandardColors})
      e.cx.opts.Set(o, true);
    e.cx.savings.recording = true;
    Buffer b = page;
    const int32_t rc = e.OptimizeBuffer(b);
    ++pages;
    if (rc < 0) {
      EXPECT_EQ(b, page) << entry.path();
      continue;
    }
    EXPECT_EQ(e.cx.savings.DocumentSum(), int32_t(page.size()) - int32_t(b.size())) << entry.path();
    for (Opt o : {Opt::ShrinkFontTags, Opt::StripAllMeta, Opt::StripGenerator, Opt::NoDTD, Opt::StripNonHTML,
                  Opt::StripQuotes})
      EXPECT_GE(e.cx.savings.doc[size_t(Info(o).counter)], 0) << entry.path() << " " << Info(o).key;
    Buffer again = b;
    e.OptimizeBuffer(again);
    EXPECT_EQ(again, b) << entry.path();
  }
  EXPECT_EQ(pages, 45);
}
