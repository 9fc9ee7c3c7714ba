#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/passes.h"
#include "engine/quotes.h"

using namespace sw;

namespace {

std::string Quotes(std::string in, bool standardColors) {
  PassContext cx;
  cx.opts.Set(Opt::StandardColors, standardColors);
  StripQuotes(in, cx);
  return in;
}

struct Case {
  const char* in;
  const char* off;  // StandardColors off
  const char* on;   // StandardColors on
};

template <size_t N>
void Check(const Case (&cases)[N]) {
  for (const Case& c : cases) {
    EXPECT_EQ(Quotes(c.in, false), c.off) << c.in;
    EXPECT_EQ(Quotes(c.in, true), c.on) << c.in;
  }
}

}  // namespace

TEST(Quotes, ValuesThatNeedNoQuotes) {
  const Case cases[] = {
      {"<img src=\"a.gif\" width=\"100\" align=\"left\">", "<img src=\"a.gif\" width=100 align=left>",
       "<img src=\"a.gif\" width=100 align=left>"},
      {"<td valign=\"top\" bgcolor=\"#ffffff\" nowrap>", "<td valign=top bgcolor=#ffffff nowrap>",
       "<td valign=top bgcolor=#ffffff nowrap>"},
      {"<table border=\"0\" cellpadding=\"2\" cellspacing=\"1\">", "<table border=0 cellpadding=2 cellspacing=1>",
       "<table border=0 cellpadding=2 cellspacing=1>"},
      {"<body leftmargin=\"0\" marginwidth=\"0\">", "<body leftmargin=0 marginwidth=0>",
       "<body leftmargin=0 marginwidth=0>"},
      {"<br clear=\"all\"><hr size=\"1\">", "<br clear=all><hr size=1>", "<br clear=all><hr size=1>"},
      {"<img width= \"5\">", "<img width= 5>", "<img width= 5>"},
      {"<title>t</title><img width=\"5\">", "<title>t</title><img width=5>", "<title>t</title><img width=5>"},
      // A value glued to the next attribute keeps its quotes; the next one need not.
      {"<td align=\"center\"bgcolor=\"#f0f0ff\">", "<td align=\"center\"bgcolor=#f0f0ff>",
       "<td align=\"center\"bgcolor=#f0f0ff>"},
      // Colour names keep their quotes unless colours are standardised.
      {"<font color=\"red\">", "<font color=\"red\">", "<font color=red>"},
      {"<font color=\"#FF0000\">", "<font color=#FF0000>", "<font color=#FF0000>"},
  };
  Check(cases);
}

// Texts that end inside longer ones ("COLOR=" in "BGCOLOR=" and
// "BORDERCOLOR=", "SIZE=" in "FONTSIZE=") and values in every order: the
// pass reads each value once, and only the colour-name rule tells the texts apart.
TEST(Quotes, TextsEndingAtOneEquals) {
  const Case cases[] = {
      {"<td bordercolor=\"red\" color=\"red\" bgcolor=\"red\">",
       "<td bordercolor=red color=\"red\" bgcolor=red>", "<td bordercolor=red color=red bgcolor=red>"},
      {"<font color=\"blue\" size=\"2\"><td bgcolor=\"#fff\" width=\"5\" x=\"1\" fontsize=\"3\">",
       "<font color=\"blue\" size=2><td bgcolor=#fff width=5 x=\"1\" fontsize=3>",
       "<font color=blue size=2><td bgcolor=#fff width=5 x=\"1\" fontsize=3>"},
      {"<table cellspacing=\"0\" leftmargin=\"1\" bordercolorlight=\"#eee\">x<hr width=\"5",
       "<table cellspacing=0 leftmargin=1 bordercolorlight=#eee>x<hr width=\"5",
       "<table cellspacing=0 leftmargin=1 bordercolorlight=#eee>x<hr width=\"5"},
      // A value that runs on to the next tag's quote holds the text behind it.
      {"<img width=\"5\" height=\"6><img border=\"0\">", "<img width=5 height=\"6><img border=\"0\">",
       "<img width=5 height=\"6><img border=\"0\">"},
  };
  Check(cases);
}

TEST(Quotes, SingleOccurrenceAttributes) {
  const Case cases[] = {
      {"<body text=\"#000000\"><p><font text=\"#111111\">", "<body text=\"#000000\"><p><font text=\"#111111\">",
       "<body text=#000000><p><font text=\"#111111\">"},
      {"<body text=\"black\">", "<body text=\"black\">", "<body text=\"black\">"},
      // "LINK=" is first found inside VLINK, whose value is no longer quoted.
      {"<body vlink=\"#800080\" link=\"#0000ff\" alink=\"#ff0000\">",
       "<body vlink=\"#800080\" link=\"#0000ff\" alink=\"#ff0000\">",
       "<body vlink=#800080 link=\"#0000ff\" alink=#ff0000>"},
      // The first occurrence decides, even when it stands in text.
      {"<p>text=\"#1\"</p><body text=\"#000000\">", "<p>text=\"#1\"</p><body text=\"#000000\">",
       "<p>text=\"#1\"</p><body text=\"#000000\">"},
      // No closing quote: nothing is deleted.
      {"<body text=\"#000000>", "<body text=\"#000000>", "<body text=\"#000000>"},
  };
  Check(cases);
}

TEST(Quotes, ValuesThatMustKeepTheirQuotes) {
  const char* kept[] = {
      "<p>Use ALIGN=\"left\" to align.</p>",               // text outside a tag
      "<img align='left' width='5'>",                      // single quotes
      "<img width=\"\">",                                  // empty
      "<img width=\"100 %\" alt=x>",                       // a blank
      "<img width=\"5\"/>",                                // the slash would join the value
      "<font size=-1>\"visible,\" said she",                // the quote lies behind the tag
      "<img alt='say width=\"5\"' src=x>",                 // inside another value
      "<a href=\"x.cgi?width=\" title=\"y\">",             // inside another value
      "<img width=\"a=b\" height=\"<\">",                  // "=" and "<"
      "<img width=\"`x\">",
      "<img width=    \"5\">",                             // more than three blanks
      "<script>s = '<img align=\"left\">';</script>",      // script text
      "<!-- <img align=\"left\"> -->",                     // a comment
      "<title>a <img align=\"left\"></title>",             // text shown as it stands
      "<textarea>\n<td width=\"5\"></textarea>",
      "<img width=\"5\"",                                  // nothing behind the closing quote
      "<img width=\"5>",                                   // no closing quote
  };
  for (const char* k : kept) {
    EXPECT_EQ(Quotes(k, true), k) << k;
    EXPECT_EQ(Quotes(k, false), k) << k;
  }
}

TEST(Quotes, SavingIsRecorded) {
  PassContext cx;
  cx.savings.recording = true;
  Buffer b = "<img width=\"1\" height=\"2\">";
  StripQuotes(b, cx);
  EXPECT_EQ(b, "<img width=1 height=2>");
  EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::StripQuotes).counter)], 4);
}

TEST(Quotes, SingleOccurrenceStepOnATag) {
  Buffer t = "<font color=\"#ff0000\" size=\"2\">";
  StripHexQuotesOnce(t, "SIZE=", true);
  EXPECT_EQ(t, "<font color=\"#ff0000\" size=\"2\">");  // not a colour
  StripHexQuotesOnce(t, "COLOR=", false);
  EXPECT_EQ(t, "<font color=\"#ff0000\" size=\"2\">");  // colours not standardised
  StripHexQuotesOnce(t, "COLOR=", true);
  EXPECT_EQ(t, "<font color=#ff0000 size=\"2\">");
}

TEST(Quotes, RunOnWholeChunksOnly) {
  // Preformatted pieces get only the in-tag cleanup: a WIDTH value there keeps its quotes.
  Engine e;
  e.cx.opts.Set(Opt::StripQuotes, true);
  Buffer b = "<html><img width=\"5\"><pre><img width=\"5\"></pre></html>";
  ASSERT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_EQ(b, "<html><img width=5><pre><img width=\"5\"></pre></html>");
  PassContext cx;
  cx.opts.Set(Opt::StripQuotes, true);
  Buffer first = "<img width=\"5\">";
  RunPasses(first, cx, true);
  EXPECT_EQ(first, "<img width=\"5\">");
}
