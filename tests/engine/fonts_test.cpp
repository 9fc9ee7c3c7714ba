#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/passes.h"

using namespace sw;

namespace {

std::string Fonts(std::string in, int base, bool bigSmall = false) {
  PassContext cx;
  cx.baseFontSize = uint8_t(base);
  cx.opts.Set(Opt::MSNSOnly, bigSmall);
  ShrinkFontTags(in, cx);
  return in;
}

// Opens a body after a head, so that a FONT tag stands outside any heading.
const std::string kBody = "<html><head></head><body>";

}  // namespace

TEST(FontSizes, RelativeSizesBecomeAbsolute) {
  struct Case {
    int base;
    const char* in;
    const char* want;
  } cases[] = {
      {3, "<font size=+1>a</font>", "<font size=4>a</font>"},
      {3, "<font size=\"-1\">a</font>", "<font size=\"2\">a</font>"},
      {4, "<font size=+1>a</font>", "<font size=5>a</font>"},
      {3, "<FONT SIZE=+2 face=x>", "<FONT SIZE=5 face=x>"},
      {3, "<font color=red\nsize=-2>", "<font color=red\nsize=1>"},
      {3, "<font\tsize=+1>", "<font\tsize=4>"},
      // Browsers hold sizes to 1..7.
      {3, "<font size=+7>", "<font size=7>"},
      {3, "<font size=-3>", "<font size=1>"},
      {3, "<font size=-4>", "<font size=1>"},
      {0, "<font size=+9>", "<font size=7>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fonts(c.in, c.base), c.want) << c.in;
}

TEST(FontSizes, OnlyTheSizeValueOfAFontStartTagChanges) {
  const char* kept[] = {
      "<font size=+0>a</font>",                      // no digit 1..9
      "<font size=+a>a</font>",                      //
      "<font size=+12>a</font>",                     // more than one digit
      "<font size = +1>a</font>",                    // blanks around "="
      "<font face=\"x size=+1\">a</font>",           // inside another value
      "<font face=\"x+1\" size=2>a</font>",          // another attribute
      "<font size=2>x+1 and size=+1</font>",         // text
      "<font size=2><a href=\"p?size=+1\">l</a></font>",  // another tag in a FONT element
      "<fontx size=+1>",                             // another tag name
      "<font size=+1",                               // no ">"
      "<font size=+1 <b>x</b>",                      // no ">" of its own
      "<p class=\"size=+1\">",
  };
  for (const char* k : kept) EXPECT_EQ(Fonts(k, 3), k) << k;
}

TEST(FontSizes, BaseFontOfTheDocumentIsUsed) {
  Engine e;
  e.cx.opts.Set(Opt::ShrinkFontTags, true);
  e.cx.savings.recording = true;
  Buffer b = "<html><basefont size=4><font size=+1>a</font><font size=\"-2\">b</font></html>";
  ASSERT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_EQ(b, "<html><basefont size=4><font size=5>a</font><font size=\"2\">b</font></html>");
  EXPECT_EQ(e.cx.savings.doc[size_t(Info(Opt::ShrinkFontTags).counter)], 2);
}

TEST(FontBigSmall, OutsideHeadings) {
  struct Case {
    int base;
    std::string in, want;
  } cases[] = {
      {3, kBody + "<font size=4>a</font>", kBody + "<BIG>a</BIG>"},
      {3, kBody + "<FONT SIZE=\"4\">a</FONT>", kBody + "<BIG>a</BIG>"},
      {3, kBody + "<font size=2>a</font>", kBody + "<SMALL>a</SMALL>"},
      {3, kBody + "<font size=+1>a</font>", kBody + "<BIG>a</BIG>"},
      {4, kBody + "<font size=5>a</font><font size=3>b</font>", kBody + "<BIG>a</BIG><SMALL>b</SMALL>"},
      // The end tag is the one that closes the element, through nested and
      // sibling FONT elements.
      {3, kBody + "<font size=4>a<font color=red>b</font>c<font face=x>d</font>e</font>f</font>",
       kBody + "<BIG>a<font color=red>b</font>c<font face=x>d</font>e</BIG>f</font>"},
      {3, kBody + "<font size=2>a<font size=4>b</font>c</font>", kBody + "<SMALL>a<BIG>b</BIG>c</SMALL>"},
      {3, kBody + "<font size=4>a<font/>b</font>c</font>", kBody + "<BIG>a<font/>b</font>c</BIG>"},
      {3, "<html><head></head><h1>t</h1><font size=4>a</font>", "<html><head></head><h1>t</h1><BIG>a</BIG>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fonts(c.in, c.base, true), c.want) << c.in;
}

TEST(FontBigSmall, LeftAlone) {
  const std::string kept[] = {
      kBody + "<h1><font size=4>a</font></h1>",        // inside a heading
      kBody + "<hr><font size=4>a</font>",             // "<h" of hr with no heading end behind it
      "<p><font size=4>a</font>",                      // no "</h" at all
      "<font size=4>a</font></head><font size=4>b</font>",  // the text at the very start
      kBody + "<font size=4 face=x>a</font>",          // another attribute
      kBody + "<font size=4>a<p>",                     // no end tag in this text
      kBody + "<font size=4>a</font >",                // an end tag that is not "</font>"
      kBody + "<font size=3>a</font>",
  };
  for (const std::string& k : kept) EXPECT_EQ(Fonts(k, 3, true), k) << k;
  EXPECT_EQ(Fonts(kBody + "<font size=4>a</font>", 3, false), kBody + "<font size=4>a</font>");
}
