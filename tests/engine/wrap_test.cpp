#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/blocktags.h"
#include "engine/driver.h"
#include "engine/passes.h"

using namespace sw;

namespace {

PassContext Context(uint16_t wordWrap = 254) {
  PassContext cx;
  cx.opts.wordWrap = wordWrap;
  cx.savings.recording = true;
  return cx;
}

Buffer Rewrap(Buffer b, uint16_t wordWrap = 254) {
  PassContext cx = Context(wordWrap);
  RewrapLines(b, cx);
  return b;
}

// Words of four letters, as plain text without line ends.
std::string Words(size_t bytes) {
  std::string s;
  while (s.size() + 5 <= bytes) s += "word ";
  return s;
}

std::vector<std::string> Lines(const std::string& s, const std::string& eol) {
  std::vector<std::string> out;
  size_t a = 0, e;
  while ((e = s.find(eol, a)) != std::string::npos) {
    out.push_back(s.substr(a, e - a));
    a = e + eol.size();
  }
  out.push_back(s.substr(a));
  return out;
}

std::string NonBlank(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\r' && c != '\n') r.push_back(c);
  return r;
}

}  // namespace

TEST(Rewrap, ShortDocumentIsJoinedWithoutBreaks) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a\r\nb", "a b"},             // CR LF inside a word: one blank
      {"a \r\nb", "a b"},            // the line already ended in a blank
      {"a\r\n b", "a  b"},           // the next began with one (the space pass collapses them)
      {"a\n\nb", "a b"},             // a blank line
      {"<p>\nText\n</p>\n", "<p>Text </p>"},  // behind a block tag the line end goes
      {"<b>x</b>\ny", "<b>x</b> y"},   // behind an inline tag it stays a blank
  };
  for (const Case& c : cases) EXPECT_EQ(Rewrap(c.in), c.out) << c.in;
}

TEST(Rewrap, ThousandBytesOfShortWordsBreakAtTheLastBlankInReach) {
  const std::string in = Words(1000);
  const std::string out = Rewrap(in);
  ASSERT_EQ(out.size(), in.size());  // every break replaced a blank
  // Recompute where each break must fall: the last blank at or before the
  // limit, starting 254 bytes behind the previous break.
  size_t P = 254, expected = 0;
  std::vector<size_t> breaks;
  while (P < in.size()) {
    size_t b = in.rfind(' ', P - 1);
    breaks.push_back(b);
    P = b + 1 + 254;
  }
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i] == '\n') {
      ASSERT_LT(expected, breaks.size());
      EXPECT_EQ(i, breaks[expected++]);
    }
  EXPECT_EQ(expected, breaks.size());
  for (const std::string& line : Lines(out, "\n")) EXPECT_LE(line.size(), 254u);
}

TEST(Rewrap, RunWithoutBreakLeavesTheRestAsItWas) {
  const std::string run(300, 'x');
  const std::string tail = "\ndd ee\nff\n\ngg";
  const std::string out = Rewrap("aa bb\ncc " + run + tail);
  EXPECT_EQ(out, "aa bb cc\n" + run + tail);
}

TEST(Rewrap, LineEndStyleFollowsTheDocument) {
  std::string lf, crlf;
  for (int i = 0; i < 30; ++i) {
    lf += "some words on a line\n";
    crlf += i == 7 ? "some words on a line\r\n" : "some words on a line\n";
  }
  const std::string a = Rewrap(lf), b = Rewrap(crlf);
  EXPECT_EQ(a.find('\r'), std::string::npos);
  EXPECT_GT(Lines(a, "\n").size(), 1u);
  // One CR anywhere: every break is CR LF, and no bare LF is left.
  EXPECT_GT(Lines(b, "\r\n").size(), 1u);
  for (size_t i = 0; i < b.size(); ++i)
    if (b[i] == '\n') {
      EXPECT_EQ(b[i - 1], '\r');
    }
  EXPECT_EQ(NonBlank(a), NonBlank(lf));
  EXPECT_EQ(NonBlank(b), NonBlank(crlf));
}

TEST(Rewrap, Bytes254And255Survive) {
  std::string in;
  for (int i = 0; i < 80; ++i) in += i % 2 ? "\xFE\xFE \xFF>" : "ab\xFF \xFE\n";
  const std::string out = Rewrap(in);
  EXPECT_EQ(NonBlank(out), NonBlank(in));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\xFE'), std::count(in.begin(), in.end(), '\xFE'));
}

TEST(Rewrap, BreaksOnlyWhereNoSpaceAppears) {
  // Inline tags offer no break, block-level tags do.
  std::string inl, blk;
  for (int i = 0; i < 60; ++i) inl += "<b>x</b>";
  for (int i = 0; i < 60; ++i) blk += "x<br>";
  EXPECT_EQ(Rewrap(inl), inl);
  const std::string out = Rewrap(blk);
  EXPECT_NE(out.find("<br>\n"), std::string::npos);
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i] == '\n') {
      EXPECT_EQ(out.substr(i - 4, 4), "<br>");
    }
  // No break inside a quoted value, nor in literal element content.
  const std::string value = "value=\"" + Words(400) + "\">";
  EXPECT_NE(Rewrap(Words(100) + "<input " + value).find(value), std::string::npos);
  const std::string area = "<textarea>" + Words(400) + "\n</textarea>";
  EXPECT_EQ(Rewrap(area + "\n" + Words(50)), area + " " + Words(50));
}

TEST(Rewrap, WindowAcceptsACandidateExactlyAtItsStart) {
  // First break at 200, so with WordWrap 400 the next is sought at 600 and
  // the window starts at 346.
  const std::string a(199, 'a'), c(500, 'c'), tail = "\nd e";
  const std::string at346 = a + " " + std::string(145, 'b') + " " + c + tail;
  EXPECT_EQ(Rewrap(at346, 400), a + "\n" + std::string(145, 'b') + "\n" + c + tail);
  const std::string at345 = a + " " + std::string(144, 'b') + " " + c + tail;
  EXPECT_EQ(Rewrap(at345, 400), a + "\n" + std::string(144, 'b') + " " + c + tail);
}

TEST(Rewrap, EndsWhenNoLaterCandidateIsInReach) {
  // With a small WordWrap the next limit falls back before any new
  // candidate: the choosing ends at the break just chosen and the rest keeps
  // its lines.
  const std::string words = Words(240), run(300, 'x');
  for (uint16_t ww : {0, 10, 254}) {
    const std::string out = Rewrap(words + run + "\ncc\n\ndd", ww);
    EXPECT_EQ(out, words.substr(0, 239) + "\n" + run + "\ncc\n\ndd") << ww;
  }
  // The last break is a line end that is already there: nothing is added.
  const std::string kept = "aa \n" + run + "\n" + Words(300);
  EXPECT_EQ(Rewrap(kept), kept);
}

TEST(Rewrap, ALineEndRightBehindABreakServesAsIt) {
  // The break falls exactly at the sought position and the line end behind
  // it is the next one chosen: one line end, not two.
  const std::string x(247, 'x'), y(253, 'y');
  const struct {
    std::string in, out;
    uint16_t ww;
  } cases[] = {
      {"<p>" + x + "<br>\nyy zz\nww", "<p>" + x + "<br>\nyy zz\nww", 1},
      {"<p>" + x + "<br> \nyy zz\nww", "<p>" + x + "<br>\nyy zz\nww", 2},
      {y + " \nyy zz\nww", y + "\nyy zz\nww", 1},
      {y + " \r\nyy zz\r\nww", y + "\r\nyy zz\r\nww", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(Rewrap(c.in, c.ww), c.out) << c.ww;
}

TEST(Rewrap, SecondRunNeverGrows) {
  std::string in;
  for (int i = 0; i < 40; ++i) in += "<p>Paragraph <b>bold</b> text\n<br>  more <a href=\"x y\">link</a>\r\n";
  for (uint16_t ww : {254, 100, 40, 0}) {
    const std::string once = Rewrap(in, ww);
    EXPECT_LE(Rewrap(once, ww).size(), once.size()) << ww;
  }
}

TEST(Rewrap, RecordsItsSaving) {
  PassContext cx = Context();
  Buffer b = "a\r\n\r\nb";
  RewrapLines(b, cx);
  EXPECT_EQ(b, "a  b");  // the space pass collapses the blanks
  EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::StripBlankLines).counter)], 2);
}

TEST(StripCR, PairsAndLoneCRsBecomeLF) {
  PassContext cx = Context();
  Buffer b = "a\r\nb\rc\r\r\nd\r";
  StripCR(b, cx);
  EXPECT_EQ(b, "a\nb\nc\n\nd\n");
  EXPECT_EQ(cx.savings.doc[size_t(Info(Opt::CRLFToLF).counter)], 2);
}

TEST(BlockTags, TableAndReading) {
  EXPECT_TRUE(IsBlockTagAt("<TD align=x>", 0));
  EXPECT_TRUE(IsBlockTagAt("</h6>", 0));
  EXPECT_FALSE(IsBlockTagAt("<tt>", 0));
  EXPECT_FALSE(IsBlockTagAt("<pxx>", 0));
  EXPECT_FALSE(IsBlockTagAt("<p", 0));  // the name may go on in the next chunk
  const std::string s = "a < b <p title='x > y'>c<!-- <p> --><pre> <br> </pre>";
  const auto cls = ClassifyMarkup(s);
  using namespace markup;
  EXPECT_EQ(ClassOf(cls, 2), kText);          // "< " is text
  EXPECT_TRUE(cls[6] & kOpen);
  EXPECT_EQ(ClassOf(cls, s.find("x >")), kValue);
  EXPECT_TRUE(cls[s.find("'>") + 1] & kClose);
  EXPECT_EQ(ClassOf(cls, s.find("<p> -")), kComment);
  EXPECT_EQ(ClassOf(cls, s.find("<br>")), kRaw);
  EXPECT_TRUE(cls[s.find("</pre>")] & kOpen);
}

// The whole engine with only the line and space options, twice over every
// corpus page: the second run never makes a page longer.
TEST(Rewrap, CorpusPagesNeverGrowOnASecondRun) {
  const Opt sets[][4] = {
      {Opt::StripBlankLines, Opt::StripBlankLines, Opt::StripBlankLines, Opt::StripBlankLines},
      {Opt::StripBlankLines, Opt::StripSpaces, Opt::CRLFToLF, Opt::OptimizeScripts},
  };
  int pages = 0;
  for (const auto& set : sets) {
    Engine e;
    for (Opt o : set) e.cx.opts.Set(o, true);
    for (auto& f : std::filesystem::recursive_directory_iterator(SW_CORPUS_DIR)) {
      if (!f.is_regular_file()) continue;
      std::ifstream in(f.path(), std::ios::binary);
      Buffer once((std::istreambuf_iterator<char>(in)), {});
      if (e.OptimizeBuffer(once) < 0) continue;
      Buffer twice = once;
      e.OptimizeBuffer(twice);
      EXPECT_LE(twice.size(), once.size()) << f.path();
      ++pages;
    }
  }
  EXPECT_GT(pages, 40);
}

// Re-wrapping and space removal hand one markup reading on instead of each
// reading the buffer again: what they hand on must be what a fresh reading of
// their result gives, or the next pass would treat some bytes differently.
TEST(SharedMarkupReading, StaysWhatAFreshReadingGives) {
  const std::string pieces[] = {
      "<p>",  "<PRE></PRE>", "<pre>\n</pre>", "<PRE\n></pre>", "<textarea> a </textarea>", "<td> x </td>",
      "<a href=\"x y\" >l</a>", "<title>t  t</title>", "<!-- c -->", "<br>", "word ", "\r\n", "\n\n",
      " <li> ", "</ x>", "a < b", "<img alt = 'q r'>", "\t", "<h1>h</h1>", "<center> </center>"};
  uint32_t seed = 7;
  auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 300; ++round) {
    Buffer doc;
    while (doc.size() < 200 + size_t(round) * 4) doc += pieces[rnd(uint32_t(std::size(pieces)))];
    const uint16_t wrap = uint16_t(std::initializer_list<int>{1, 7, 80, 254}.begin()[round % 4]);
    PassContext shared = Context(wrap), fresh = Context(wrap);
    Buffer a = doc, b = doc;
    std::vector<uint8_t> cls = ClassifyMarkup(a);
    RewrapLines(a, cls, shared);
    RewrapLines(b, fresh);
    ASSERT_EQ(a, b) << doc;
    ASSERT_EQ(cls, ClassifyMarkup(a)) << "after re-wrapping, wrap " << wrap << ": " << doc;
    StripSpaces(a, cls, shared);
    StripSpaces(b, fresh);
    ASSERT_EQ(a, b) << doc;
    ASSERT_EQ(cls, ClassifyMarkup(a)) << "after space removal: " << doc;
    EXPECT_EQ(shared.savings.doc, fresh.savings.doc) << doc;
  }
}
