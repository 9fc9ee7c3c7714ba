#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "engine/emptytags.h"
#include "engine/passes.h"

using namespace sw;

namespace {

std::string Strip(std::string in, bool stripQuotes = false, int32_t* saving = nullptr) {
  PassContext cx;
  cx.savings.recording = true;
  cx.opts.Set(Opt::StripQuotes, stripQuotes);
  StripEmptyTags(in, cx);
  if (saving) *saving = cx.savings.doc[size_t(Info(Opt::StripEmpties).counter)];
  return in;
}

using Rows = std::initializer_list<std::pair<const char*, const char*>>;

void Check(Rows rows, bool stripQuotes = false) {
  for (auto& [in, out] : rows) EXPECT_EQ(Strip(in, stripQuotes), out) << in;
}

TEST(EmptyTags, FontElements) {
  Check({
      {"a<font size=2></font>b", "ab"},
      {"a<FONT size=2> \r\n</font>b", "a \r\nb"},
      {"<font color=red><img src=x.gif></font>", "<img src=x.gif>"},
      // A line end after the tag name counts as the blank.
      {"<font face=Arial><img\n src=x.gif alt=\"\"></font>", "<img\n src=x.gif alt=\"\">"},
      {"<font size=2><br\tclear=all><a\r\nhref=x></a></font>", "<br\tclear=all><a\r\nhref=x></a>"},
      {"<font size=2><imgs src=x.gif></font>", "<font size=2><imgs src=x.gif></font>"},
      {"<font size=1><a href=x>link</a></font>", "<font size=1><a href=x>link</a></font>"},
      // A BR without attributes shows the font's line height.
      {"<font size=7><br></font>", "<font size=7><br></font>"},
      // Neighbours with one start tag merge; different ones stay.
      {"<font size=2>a</font><font SIZE=2>b</font>", "<font size=2>ab</font>"},
      {"<font size=2>a</font><font size=2>b</font> <font size=2>c</font><font size=2>d</font>",
       "<font size=2>ab</font> <font size=2>cd</font>"},
      {"<font size=2>a</font><font size=3>b</font>", "<font size=2>a</font><font size=3>b</font>"},
      {"<font size=2>a</font>x<font size=2>b</font>", "<font size=2>a</font>x<font size=2>b</font>"},
      // Emptied by the phrase step, then removed on the next round.
      {"x<font size=2><b></b></font>y", "xy"},
      {"<font size=2>unclosed", "<font size=2>unclosed"},
  });
}

TEST(EmptyTags, NestedFontStartTagsJoinWhenTheyShareNoAttribute) {
  Check({
      {"<font size=2><font color=red>x</font></font>", "<font size=2 color=red>x</font>"},
      {"<font size=2><font color=red>x</font> </font>", "<font size=2 color=red>x </font>"},
      {"<font size=2><font color=red>x</font>y</font>", "<font size=2><font color=red>x</font>y</font>"},
      // Two FACE attributes: browsers would take the outer one.
      {"<font face=A><font FACE=\"B\">x</font></font>", "<font face=A><font FACE=\"B\">x</font></font>"},
  });
}

TEST(EmptyTags, PhraseElements) {
  Check({
      {"a<b></b>c", "ac"},
      {"a<i> <br> </i>c", "a <br> c"},
      {"<b>x</b><b>y</b><b>z</b>", "<b>xyz</b>"},
      {"<b>x</b>, <b>y</b>", "<b>x</b>, <b>y</b>"},
      {"<em class=x></em>", "<em class=x></em>"},
      {"<tt><i></i></tt>z", "z"},
      {"<strong><big></big></strong>", ""},
      {"<a>x</a>", "x"},
      // That "</a>" closes the other link: both stay.
      {"<a>x<a href=y>z</a>", "<a>x<a href=y>z</a>"},
      {"<b>unclosed", "<b>unclosed"},
  });
}

TEST(EmptyTags, ImageBorders) {
  Check({
      {"x<img src=a border=0>", "x<img src=a >"},
      {"x<IMG src=a BORDER=\"0\" alt=b>", "x<IMG src=a  alt=b>"},
      {"<a href=y><img src=a border=0></a>", "<a href=y><img src=a border=0></a>"},
      {"<a href=y>t</a><img src=a border=0>", "<a href=y>t</a><img src=a >"},
      {"x<img src=a border=2>", "x<img src=a border=2>"},
      {"x<img src=a border=01>", "x<img src=a border=01>"},
      // Behind an image a zero border goes from other tags too, with its blank.
      {"x<img src=a><table border=0>", "x<img src=a><table>"},
      {"<table border=0><img src=a>", "<table border=0><img src=a>"},
      // A "<img" inside the tag's own text finds the same attribute: it
      // goes once and nothing else is touched.
      {"x<img alt=<img src=a border=0>tail", "x<img alt=<img src=a >tail"},
      {"x<img <img <img border=\"0\">tail<img border=0>", "x<img <img <img >tail<img >"},
  });
  // With quotes stripped, a quoted zero is left to the quote pass.
  Check({{"x<img src=a><table border=\"0\">", "x<img src=a><table border=\"0\">"}}, true);
  Check({{"x<img src=a><table border=\"0\">", "x<img src=a><table>"}}, false);
}

TEST(EmptyTags, RedundantAttributes) {
  Check({
      {"<p align=left>a", "<p >a"},
      {"<DIV ALIGN=\"left\">a", "<DIV >a"},
      {"<td align=left><h2 align=left>", "<td ><h2 >"},
      // Left is no default there: these centre or float.
      {"<img align=left src=a><table align=left><hr align=left>", "<img align=left src=a><table align=left><hr align=left>"},
      {"<center><p align=left>a</center><p align=left>", "<center><p align=left>a</center><p >"},
      {"<p>align=left in the text", "<p>align=left in the text"},
      // 100% restates no default.
      {"<table width=100% height=\"100%\">", "<table width=100% height=\"100%\">"},
      {"<img src=a vspace=0 hspace=\"0\">", "<img src=a  >"},
      {"<img src=a vspace=0 hspace=02>", "<img src=a  hspace=02>"},
      {"<p>vspace=0</p>", "<p>vspace=0</p>"},
  });
  // A style sheet may give left alignment a meaning of its own.
  Check({{"<style>p{}</style><p align=left vspace=0>", "<style>p{}</style><p align=left vspace=0>"}});
  Check({{"<p align=\"left\" align=left>", "<p align=\"left\" >"}}, true);
}

// Constructs of real pages where a browser showed the page differently
// after the pass: each with the form that must stay and the neighbouring
// form that still goes.
TEST(EmptyTags, WhatShowsStays) {
  Check({
      // A blank between two copies would take the element's font: a
      // monospace blank, a blank of another size.
      {"<code>a</code> <code>b</code>", "<code>a</code> <code>b</code>"},
      {"<tt>x</tt>\r\n<tt>y</tt>", "<tt>x</tt>\r\n<tt>y</tt>"},
      {"<kbd>Ctrl</kbd> <kbd>C</kbd>", "<kbd>Ctrl</kbd> <kbd>C</kbd>"},
      {"<b>x</b> <b>y</b>", "<b>x</b> <b>y</b>"},
      {"<font size=1>a</font> <font size=1>b</font>", "<font size=1>a</font> <font size=1>b</font>"},
      {"<font size=2>a</font>\n<p><font size=2>b</font>", "<font size=2>a</font>\n<p><font size=2>b</font>"},
      {"<font size=2>a</font><img src=x><font size=2>b</font>",
       "<font size=2>a</font><img src=x><font size=2>b</font>"},
      // With nothing between they still join.
      {"<code>a</code><code>b</code>", "<code>ab</code>"},
      {"<b>x</b><b>y</b> <b>z</b>", "<b>xy</b> <b>z</b>"},
      {"<font size=1>a</font><font size=1>b</font>", "<font size=1>ab</font>"},
      // An image's alternative text is what shows when it does not load,
      // in the font around it.
      {"<font face=Arial><img src=logo.gif alt=\"Home\"></font>",
       "<font face=Arial><img src=logo.gif alt=\"Home\"></font>"},
      {"<b><img src=a.gif alt=Next></b>", "<b><img src=a.gif alt=Next></b>"},
      {"<strong> <IMG SRC=a ALT='Buy'> </strong>", "<strong> <IMG SRC=a ALT='Buy'> </strong>"},
      {"<i><img alt=\"x\" src=a></i>", "<i><img alt=\"x\" src=a></i>"},
      {"<em><br><img src=a alt=x></em>", "<em><br><img src=a alt=x></em>"},
      // Without alternative text the image alone still counts for nothing.
      {"<font size=2><img src=a.gif alt=\"\"></font>", "<img src=a.gif alt=\"\">"},
      {"<b><img src=a.gif></b>", "<img src=a.gif>"},
      {"<em><img src=a alt></em>", "<img src=a alt>"},
  });
}

TEST(EmptyTags, LeftAlignmentStaysWhereSomethingAroundCentres) {
  Check({
      // A header cell centres by default.
      {"<table><tr><th><p align=left>a</p></th></tr></table>",
       "<table><tr><th><p align=left>a</p></th></tr></table>"},
      {"<div align=center><p align=left>a</p></div>", "<div align=center><p align=left>a</p></div>"},
      {"<div align=\"middle\"><p align=left>a", "<div align=\"middle\"><p align=left>a"},
      {"<td align=right><div align=left>a</div>", "<td align=right><div align=left>a</div>"},
      {"<tr align=center><td align=left>a", "<tr align=center><td align=left>a"},
      // Text before the tag asked about: the tag still does not count for itself.
      {"<tr align=center><td>a</td> <td align=left>b", "<tr align=center><td>a</td> <td align=left>b"},
      {"<table><tr><th>x<p align=left>a", "<table><tr><th>x<p align=left>a"},
      // What the tag closes by opening does count.
      {"<table><tr align=center><td>a<tr><td align=left>b", "<table><tr align=center><td>a<tr><td >b"},
      {"<table align=center><tr><td><p align=left>", "<table align=center><tr><td><p align=left>"},
      {"<h2 align=center><div align=left>", "<h2 align=center><div align=left>"},
      {"<caption><p align=left>a", "<caption><p align=left>a"},
      {"<div style=\"text-align:center\"><p align=left>", "<div style=\"text-align:center\"><p align=left>"},
      // Unclosed cells close at the next cell or row.
      {"<tr><td align=center>a<td><p align=left>b", "<tr><td align=center>a<td><p >b"},
      {"<table><tr><th>a<tr><td><p align=left>b", "<table><tr><th>a<tr><td><p >b"},
      {"<table><tr><th>a<td><p align=left>b", "<table><tr><th>a<td><p >b"},
      // Once the centring element is closed, left is the default again.
      {"<div align=center>a</div><p align=left>b", "<div align=center>a</div><p >b"},
      {"<p align=center>a<p align=left>b", "<p align=center>a<p >b"},
      {"<table><tr><th>a</th></tr></table><div align=left>", "<table><tr><th>a</th></tr></table><div >"},
      // A left alignment in between makes left the default inside it.
      {"<div align=center><div align=left><p align=left>", "<div align=center><div align=left><p >"},
      // A paragraph is not closed by a table cell's end tag inside it.
      {"<td><div align=right><table><tr><td>x</td></tr></table><p align=left>",
       "<td><div align=right><table><tr><td>x</td></tr></table><p align=left>"},
      // A commented-out end tag closes nothing.
      {"<div align=center><!-- </div> --><p align=left>", "<div align=center><!-- </div> --><p align=left>"},
      {"<div align=center><script>w('</div>')</script><p align=left>",
       "<div align=center><script>w('</div>')</script><p align=left>"},
  });
}

TEST(EmptyTags, ZeroSpacingStaysOnFloatingImages) {
  Check({
      {"<img src=a align=left hspace=0 vspace=0>", "<img src=a align=left hspace=0 vspace=0>"},
      {"<IMG SRC=a HSPACE=\"0\" ALIGN=\"Right\">", "<IMG SRC=a HSPACE=\"0\" ALIGN=\"Right\">"},
      {"<img src=a align=middle hspace=0>", "<img src=a align=middle >"},
      {"<img src=a hspace=0 vspace=0>", "<img src=a  >"},
      // Empty alternative texts stay: they mark decorative images.
      {"<img src=a alt=\"\" hspace=0>", "<img src=a alt=\"\" >"},
      {"<img src=a alt=\" \">", "<img src=a alt=\" \">"},
  });
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Each element emptied inside another must not cost a round over the whole
// chunk, nor a reading of the whole outer element: a few thousand elements
// are within what one chunk holds.
TEST(EmptyTags, DeepNestsCollapseWhole) {
  const int n = 3000;
  const std::pair<std::string, std::string> rows[] = {
      {"a" + Repeat("<font size=2>", n) + Repeat("</font>", n) + "b", "ab"},
      {Repeat("<font size=2><img src=a>", n) + Repeat("</font>", n), Repeat("<img src=a>", n)},
      {Repeat("<b> ", n) + Repeat("</b>", n), Repeat(" ", n)},
      {Repeat("<a>", n) + "x" + Repeat("</a>", n), "x"},
      {Repeat("<font size=2><i>", n) + Repeat("</i></font>", n), ""},
      // Many empty elements side by side inside one long one.
      {"<font size=2>" + Repeat("<font color=red></font> ", n) + "</font>", Repeat(" ", n)},
      // Many start tags whose content runs far before it shows something,
      // and neighbours merged one by one behind them.
      {Repeat("<a href=x><b> ", n) + "x" + Repeat("<b></b>", n), Repeat("<a href=x><b> ", n) + "x<b></b>"},
      // An image with alternative text deep inside shows for every one.
      {Repeat("<b> ", n) + "<img src=a alt=x>" + Repeat("</b>", n),
       Repeat("<b> ", n) + "<img src=a alt=x>" + Repeat("</b>", n)},
      {Repeat("<font size=2> ", n) + "<img src=a alt=x>" + Repeat("</font>", n),
       Repeat("<font size=2> ", n) + "<img src=a alt=x>" + Repeat("</font>", n)},
      {Repeat("<em>", n) + "<font size=2>" + Repeat("<font size=2></font></font>", n),
       Repeat("<em>", n) + Repeat("</font>", n - 1)},
  };
  for (auto& [in, out] : rows) EXPECT_TRUE(Strip(in) == out) << in.substr(0, 60);
}

TEST(EmptyTags, SavingAndUntouchedText) {
  int32_t saving = -1;
  const char* plain = "<html><body><p>Nothing <b>here</b> to strip.</p></body></html>";
  EXPECT_EQ(Strip(plain, false, &saving), plain);
  EXPECT_EQ(saving, 0);
  Strip("a<b></b>c<font size=2></font>", false, &saving);
  EXPECT_EQ(saving, 7 + 20);
}

}  // namespace

namespace {

// Every position where pattern matches, letter case ignored, tried one by one.
std::vector<size_t> EveryMatch(std::string_view s, std::string_view pattern, const char* behind = nullptr) {
  std::vector<size_t> at;
  for (size_t p = 0; p < s.size(); ++p) {
    if (!MatchAt(s, pattern, p, true)) continue;
    const size_t q = p + pattern.size();
    if (behind && (q >= s.size() || !std::strchr(behind, s[q]) || s[q] == 0)) continue;
    at.push_back(p);
  }
  return at;
}

}  // namespace

// The FONT, phrase and nested FONT steps share one reading of where their
// tags stand; it must list what a search for each tag finds, position by
// position, in every letter case and at the very end of the text.
TEST(EmptyTagMarks, ListWhatASearchForEachTagFinds) {
  const std::string pieces[] = {"<font size=2>", "<FoNt", "</font>", "</FONT >", "<b>", "</B>", "<br>", "<big>",
                                "<blink>", "<BLINK >", "<tt>", "<td>", "<strong>", "</strike>", "<sub>", "<sup>",
                                "<samp>", "<small>", "<address>", "<a>", "<A\thref=x>", "<a\n>", "</a>", "</A >",
                                "<abbr>", "<i>", "<img>", "<u>", "<ul>", "<em>", "<code>", "<cite>", "<kbd>",
                                "<var>", "<dfn>", "< b>", "<<b>", "</>", "<", "</", "x", " ", "<b1>", "<b", "</a"};
  uint32_t seed = 11;
  auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 400; ++round) {
    std::string doc;
    const size_t len = size_t(rnd(120));
    while (doc.size() < len) doc += pieces[rnd(uint32_t(std::size(pieces)))];
    EmptyTagMarks m;
    m.Read(doc);
    EXPECT_EQ(m.fontOpen, EveryMatch(doc, "<font")) << doc;
    EXPECT_EQ(m.fontClose, EveryMatch(doc, "</font>")) << doc;
    for (size_t i = 0; i < kPhraseCount; ++i) {
      EXPECT_EQ(m.open[i], EveryMatch(doc, "<" + std::string(kPhraseNames[i]))) << kPhraseNames[i] << doc;
      EXPECT_EQ(m.close[i], EveryMatch(doc, "</" + std::string(kPhraseNames[i]))) << kPhraseNames[i] << doc;
    }
    EXPECT_EQ(m.bareLink, EveryMatch(doc, "<a>")) << doc;
    EXPECT_EQ(m.linkStart, EveryMatch(doc, "<a", "> \t\r\n")) << doc;
    EXPECT_EQ(m.linkEnd, EveryMatch(doc, "</a>")) << doc;
  }
}

// The tag reading is kept from one run to the next on a thread; a run
// started from the progress pump while another is under way must neither
// use nor disturb the outer run's.
TEST(EmptyTags, RunFromWithinTheProgressPump) {
  const std::string outerIn = "<b></b><font size=2><i> </i></font><em>x</em><u></u>";
  const std::string innerIn = "<i>y</i><strong></strong><font></font>";
  PassContext plain;
  std::string outerWant = outerIn, innerWant = innerIn;
  StripEmptyTags(outerWant, plain);
  StripEmptyTags(innerWant, plain);
  PassContext cx;
  int nested = 0;
  cx.pumpFn = [&] {
    if (nested++ > 3) return;
    PassContext inner;
    std::string b = innerIn;
    StripEmptyTags(b, inner);
    EXPECT_EQ(b, innerWant);
  };
  std::string outer = outerIn;
  StripEmptyTags(outer, cx);
  EXPECT_EQ(outer, outerWant);
  EXPECT_GT(nested, 0);
}
