#include <gtest/gtest.h>

#include "engine/dispatcher.h"
#include "engine/passes.h"

using namespace sw;

namespace {

Buffer Spaces(Buffer b, bool stripClosingLI = false) {
  PassContext cx;
  cx.opts.Set(Opt::StripClosingLI, stripClosingLI);
  StripSpaces(b, cx);
  return b;
}

struct Case {
  const char* in;
  const char* out;
};

void Check(const Case* begin, const Case* end, bool stripClosingLI = false) {
  for (const Case* c = begin; c != end; ++c) EXPECT_EQ(Spaces(c->in, stripClosingLI), c->out) << c->in;
}

}  // namespace

TEST(Spaces, CollapsesBlanksOutsideValuesAndLiteralContent) {
  const Case cases[] = {
      {"x a \t \t b  c", "x a b c"},
      {"x <input value=\"a  b\"> c", "x <input value=\"a  b\"> c"},
      {"x <pre>a   b</pre> c", "x<pre>a   b</pre>c"},
      {"x <textarea>a\t b</textarea>", "x <textarea>a\t b</textarea>"},
      {"x a \nb\n c \r\nd", "x a\nb\nc\r\nd"},  // blanks at line ends and starts
  };
  Check(std::begin(cases), std::end(cases));
}

TEST(Spaces, BlanksInsideTags) {
  const Case cases[] = {
      {"x <a href=x >y</a>", "x <a href=x>y</a>"},
      {"x <a href= \"y\" >z</a>", "x <a href=\"y\">z</a>"},  // behind "=" in a tag
      {"x a < b > c", "x a < b > c"},                        // a "<" before a blank is text
      {"x a= b", "x a= b"},                                  // "=" in text
      {"x <img alt=\"a = b >\">", "x <img alt=\"a = b >\">"},
  };
  Check(std::begin(cases), std::end(cases));
}

TEST(Spaces, BlanksBetweenTagsOnlyNextToBlockLevelTags) {
  const Case cases[] = {
      {"x </td> <td>y", "x</td><td>y"},
      {"x </a> <a href=y>z</a>", "x </a> <a href=y>z</a>"},  // visible between inline tags
      {"x <b> <i>y</i></b>", "x <b> <i>y</i></b>"},          // a start tag before: step 9 leaves it
      {"x </b> <br> y", "x </b><br>y"},
      {"x word <img src=a> y", "x word <img src=a> y"},
      {"x <table> <tr> <td> a </td> </tr> </table>", "x<table><tr><td>a</td></tr></table>"},
      {"y <b> <div> x", "y <b><div> x"},
      {"<b> <div> x", "<b> <div> x"},  // a buffer that begins with "<": no blank before a tag goes
  };
  Check(std::begin(cases), std::end(cases));
}

TEST(Spaces, HeadTagsLoseTheBlanksBetweenThem) {
  EXPECT_EQ(Spaces("<html> <head> <title>T</title> <script></script> <meta a=b> </head> <body> x"),
            "<html><head><title>T</title><script></script><meta a=b></head><body>x");
  EXPECT_EQ(Spaces("<head> <script></script> <script></script></head><body>"),
            "<head><script></script> <script></script></head><body>");
}

TEST(Spaces, TitleWithDoubleBlanksIsKept) {
  const Case cases[] = {
      {"x <title>A  \tB </title> <p> y", "x<title>A  \tB </title><p>y"},
      {"x <title> A \tB </title> <p> y", "x<title>A B</title><p>y"},
      {"x <title>a <br> b</title>", "x<title>a <br> b</title>"},  // no tags in a title
  };
  Check(std::begin(cases), std::end(cases));
}

TEST(Spaces, TeletypeAwareRemovers) {
  const Case with[] = {
      {"x <tt> a </tt> <table> <tr> <td> b", "x <tt> a </tt><table><tr><td>b"},
      {"x <TT> a </TT> <TD> b", "x <TT> a </TT><TD>b"},
  };
  Check(std::begin(with), std::end(with));
  // Without a "<tt>" in the buffer the plain removers run, but a TT tag with
  // attributes still keeps its blanks: it is not a block-level tag.
  EXPECT_EQ(Spaces("x <TT class=a> z </TT> <TH> q"), "x <TT class=a> z </TT><TH>q");
  EXPECT_EQ(Spaces("x <textarea> a</textarea> <iframe> b"), "x <textarea> a</textarea> <iframe> b");
}

TEST(Spaces, ListItemRemoversFollowStripClosingLI) {
  EXPECT_EQ(Spaces("x <li>a <li>b", false), "x<li>a<li>b");
  EXPECT_EQ(Spaces("x <li>a <li>b", true), "x <li>a <li>b");
  EXPECT_EQ(Spaces("x <blockquote> a </blockquote> b <center> c"), "x<blockquote> a</blockquote>b<center> c");
}

TEST(Spaces, CoordinatesOnlyInTheirOwnValue) {
  const Case cases[] = {
      {"x <area coords=\"1, 2, 3\" href=\"a b\">", "x <area coords=\"1,2,3\" href=\"a b\">"},
      {"x <area COORDS= \"1, 2\">", "x <area COORDS=\"1,2\">"},
      {"x <area coords=1 href=\"a b\">", "x <area coords=1 href=\"a b\">"},
      {"x <frameset rows=\"10, *\" cols=\"5, 5\">", "x<frameset rows=\"10,*\" cols=\"5,5\">"},
      {"x rows=\"a b\"", "x rows=\"a b\""},  // page text
  };
  Check(std::begin(cases), std::end(cases));
}

TEST(Spaces, KeywordListLosesBlanksAfterCommas) {
  PassContext cx;
  cx.savings.recording = true;
  Buffer b = "<meta name=\"keywords\" content=\"a, b, c\"><p>x, y";
  SpaceKeywordStep(b, cx);
  EXPECT_EQ(b, "<meta name=\"keywords\" content=\"a,b,c\"><p>x, y");
  EXPECT_EQ(cx.savings.DocumentSum(), 0);  // counted nowhere
  Buffer far = "<meta name=\"keywords\"><p>content=\"a, b\"";
  SpaceKeywordStep(far, cx);
  EXPECT_EQ(far, "<meta name=\"keywords\"><p>content=\"a, b\"");
}

TEST(Spaces, RecordsItsSaving) {
  PassContext cx;
  cx.savings.recording = true;
  Buffer b = "x  y \n";
  StripSpaces(b, cx);
  EXPECT_EQ(b, "x y\n");
  EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::StripSpaces).counter)], 2);
}

// The order of the line and space passes in the dispatcher.
TEST(Spaces, DispatchOrder) {
  auto run = [](Buffer b, std::initializer_list<Opt> on, bool firstPhaseOnly = false) {
    PassContext cx;
    for (Opt o : on) cx.opts.Set(o, true);
    RunPasses(b, cx, firstPhaseOnly);
    return b;
  };
  std::string words;
  for (int i = 0; i < 80; ++i) words += "word  \r\n";
  // CR removal runs first, so the re-wrapped document breaks with LF.
  const Buffer lf = run(words, {Opt::CRLFToLF, Opt::StripBlankLines});
  EXPECT_EQ(lf.find('\r'), std::string::npos);
  EXPECT_NE(lf.find('\n'), std::string::npos);
  // Re-wrap, spaces, re-wrap, spaces: no double blanks and no blank at a line end.
  const Buffer both = run(words, {Opt::StripBlankLines, Opt::StripSpaces});
  EXPECT_EQ(both.find("  "), std::string::npos);
  EXPECT_EQ(both.find(" \r\n"), std::string::npos);
  EXPECT_LE(both.size(), run(words, {Opt::StripBlankLines}).size());
  // The keyword step runs with the space pass, with or without re-wrapping.
  const Buffer kw = "<meta name=\"keywords\" content=\"a, b\">";
  EXPECT_EQ(run(kw, {Opt::StripSpaces}), "<meta name=\"keywords\" content=\"a,b\">");
  EXPECT_EQ(run(kw, {Opt::StripSpaces, Opt::StripBlankLines}), "<meta name=\"keywords\" content=\"a,b\">");
  // Never on the first phase alone.
  EXPECT_EQ(run(words, {Opt::StripBlankLines, Opt::StripSpaces, Opt::CRLFToLF}, true), words);
}
