#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/driver.h"
#include "engine/passes.h"

using namespace sw;

namespace {

using PassFn = void (*)(Buffer&, PassContext&);

struct Row {
  PassFn pass;
  const char* in;
  const char* out;
};

std::string RunPass(PassFn pass, std::string in, int32_t* saving = nullptr, int counter = 0) {
  PassContext cx;
  cx.savings.recording = true;
  pass(in, cx);
  if (saving) *saving = cx.savings.doc[size_t(counter)];
  return in;
}

TEST(TagConversions, RewriteOnlyRealTagsAndKeepPairsTogether) {
  const Row rows[] = {
      {ConvertEmToI, "<em>a</Em>", "<I>a</I>"},
      {ConvertStrongToB, "<STRONG><strong>x</strong></STRONG>", "<B><B>x</B></B>"},
      {ConvertCiteToI, "<cite>c</cite>", "<I>c</I>"},
      {ConvertAddressToI, "<address>a</address>", "<I>a</I>"},
      {ConvertDfnToI, "<dfn>d</dfn>", "<I>d</I>"},
      {ConvertCodeToTT, "<code>c</code>", "<TT>c</TT>"},
      {ConvertSampToTT, "<samp>s</samp>", "<TT>s</TT>"},
      {ConvertKbdToTT, "<kbd>k</kbd>", "<TT>k</TT>"},
      // Text that merely ends in the element name is no tag of it.
      {ConvertEmToI, "<item>x</item> <a name=item>y</a> SYSTEM>", "<item>x</item> <a name=item>y</a> SYSTEM>"},
      {ConvertCodeToTT, "<barcode>1</barcode>", "<barcode>1</barcode>"},
      // A start tag with attributes keeps its name at both ends.
      {ConvertEmToI, "<em class=x>a</em>", "<em class=x>a</em>"},
      {ConvertCodeToTT, "<code\nclass=x>a</code>", "<code\nclass=x>a</code>"},
      {ConvertEmToI, "<em class=x><em>a</em>b</em>", "<em class=x><I>a</I>b</em>"},
      {ConvertEmToI, "<em><em\tid=q>a</em>b</em>", "<I><em\tid=q>a</em>b</I>"},
      // A stray end tag finds the stack empty and is converted.
      {ConvertEmToI, "a</em>", "a</I>"},
      // Neither is a tag of the element: nothing pushed or popped.
      {ConvertEmToI, "<em>a</em ><em/></em>", "<I>a</em ><em/></I>"},
      {ConvertEmToI, "<em>", "<I>"},
      {ConvertEmToI, "<em", "<em"},
      {StripClosingP, "<p>a</p><P>b</P >c</P>", "<p>a<P>b</P >c"},
      // The deletion resumes where the deleted text began: "</" + "P>"
      // joined across it would begin before that point and stays.
      {StripClosingP, "</</P>P>", "</P>"},
      {StripClosingLI, "<li>a</LI><li>b</li>", "<li>a<li>b"},
  };
  for (const Row& r : rows) EXPECT_EQ(RunPass(r.pass, r.in), r.out) << r.in;
}

TEST(TagConversions, RecordTheirSavingInTheirOwnCounter) {
  int32_t saving = 0;
  RunPass(ConvertStrongToB, "<strong><STRONG>x</STRONG></strong>", &saving, Info(Opt::STRONGtoB).counter);
  EXPECT_EQ(saving, 20);
  RunPass(ConvertAddressToI, "<address>x</address>", &saving, Info(Opt::ADDRESSToI).counter);
  EXPECT_EQ(saving, 12);
  RunPass(StripClosingLI, "a</li>b</LI>", &saving, Info(Opt::StripClosingLI).counter);
  EXPECT_EQ(saving, 10);
  std::string none = "<p>nothing to convert</p>";
  EXPECT_EQ(RunPass(ConvertKbdToTT, none, &saving, Info(Opt::KBDToTT).counter), none);
  EXPECT_EQ(saving, 0);
}

// The conversions switched on together run in one sweep: the result and each
// counter must be what running them one at a time, in dispatch order, gives.
TEST(TagConversions, TogetherAsOneAtATime) {
  struct Pass {
    Opt opt;
    PassFn fn;
  };
  const Pass passes[] = {{Opt::STRONGtoB, ConvertStrongToB}, {Opt::EMToI, ConvertEmToI},
                         {Opt::CITEToI, ConvertCiteToI},     {Opt::ADDRESSToI, ConvertAddressToI},
                         {Opt::DFNToI, ConvertDfnToI},       {Opt::CODEToTT, ConvertCodeToTT},
                         {Opt::SAMPToTT, ConvertSampToTT},   {Opt::KBDToTT, ConvertKbdToTT}};
  const char* const inputs[] = {
      "<strong><em>a</em></strong><cite>c</CITE><address>x</address><dfn>d</dfn>",
      "<code>a<samp>b</samp><kbd>c</kbd></code></code></em>",
      "<em class=x><em>a</em>b</em><code\tid=1><code>c</code></code><STRONG >s</STRONG>",
      "<b><i><tt>no conversion</tt></i></b><emx>y</emx><codes>",
      "</strong></em><em",
  };
  // Every switch, and a few partial sets.
  const unsigned sets[] = {0xFF, 0x01, 0x22, 0xA5, 0x5A, 0x80};
  for (const char* in : inputs)
    for (unsigned set : sets) {
      PassContext one;
      one.savings.recording = true;
      Buffer expected = in;
      for (size_t k = 0; k < std::size(passes); ++k)
        if (set & (1u << k)) passes[k].fn(expected, one);
      PassContext all;
      all.savings.recording = true;
      for (size_t k = 0; k < std::size(passes); ++k) all.opts.Set(passes[k].opt, (set & (1u << k)) != 0);
      Buffer got = in;
      ConvertPhraseTags(got, all);
      EXPECT_EQ(got, expected) << in << " set " << set;
      EXPECT_EQ(all.savings.doc, one.savings.doc) << in << " set " << set;
    }
}

// ---- The first phase over the legacy corpus ----

const Opt kConversions[] = {Opt::STRONGtoB, Opt::EMToI,    Opt::CITEToI,  Opt::ADDRESSToI,
                            Opt::DFNToI,    Opt::CODEToTT, Opt::SAMPToTT, Opt::KBDToTT};
const char* const kNames[] = {"STRONG", "EM", "CITE", "ADDRESS", "DFN", "CODE", "SAMP", "KBD"};
const char* const kTargets[] = {"B", "I", "TT"};

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Start tags of an element that no end tag closes, paired on a stack.
int Unclosed(std::string_view s, std::string_view name) {
  int open = 0;
  for (size_t p = s.find('<'); p != std::string_view::npos; p = s.find('<', p + 1)) {
    bool end = p + 1 < s.size() && s[p + 1] == '/';
    size_t q = p + 1 + (end ? 1 : 0);
    if (q + name.size() >= s.size() || !MatchAt(s, name, q, true)) continue;
    char after = s[q + name.size()];
    if (end && after == '>') open = open > 0 ? open - 1 : 0;
    if (!end && (after == '>' || Blank(after))) ++open;
  }
  return open;
}

// The stretches a first-phase pass sees: the text between SCRIPT blocks and
// STYLE blocks, each on its own.
std::vector<std::string> OutsideBlocks(const std::string& s) {
  std::vector<std::string> pieces;
  size_t p = 0;
  for (;;) {
    int32_t sc = FindText(s, "<script", -int32_t(p + 1)), st = FindText(s, "<style", -int32_t(p + 1));
    bool script = sc && (!st || sc < st);
    int32_t a = script ? sc : st;
    if (!a) break;
    pieces.push_back(s.substr(p, size_t(a - 1) - p));
    int32_t b = FindText(s, script ? "</script>" : "</style", -a);
    if (!b) return pieces;
    p = size_t(b - 1) + (script ? 9 : 7);
  }
  pieces.push_back(s.substr(p));
  return pieces;
}

bool HoldsComment(const std::string& s) {
  for (int32_t p = FindText(s, "<!--", 1); p; p = FindText(s, "<!--", p + 1))
    if (size_t(p + 3) < s.size() && s[size_t(p + 3)] != '#' && FindText(s, "-->", p + 2)) return true;
  return false;
}

TEST(FirstPhaseCorpus, ConversionsLeaveTagsPairedAndCountersMoveWhereThereIsWork) {
  std::vector<std::filesystem::path> pages;
  for (auto& e : std::filesystem::recursive_directory_iterator(SW_CORPUS_DIR))
    if (e.is_regular_file()) pages.push_back(e.path());
  ASSERT_EQ(pages.size(), 45u);
  int withComments = 0, withConversions = 0;
  for (const auto& path : pages) {
    std::ifstream f(path, std::ios::binary);
    const std::string in{std::istreambuf_iterator<char>(f), {}};
    Engine e;
    for (Opt o : kConversions) e.cx.opts.Set(o, true);
    for (Opt o : {Opt::StripComments, Opt::ShortSpecials, Opt::StandardColors, Opt::StripEmpties})
      e.cx.opts.Set(o, true);
    e.cx.opts.entityMode = 2;
    e.cx.savings.recording = true;
    Buffer out = in;
    int32_t rc = e.OptimizeBuffer(out);
    SCOPED_TRACE(path.string());
    if (rc < 0) {
      EXPECT_EQ(out, in);
      continue;
    }
    for (const char* name : kNames) EXPECT_LE(Unclosed(out, name), Unclosed(in, name)) << name;
    for (const char* name : kTargets) EXPECT_LE(Unclosed(out, name), Unclosed(in, name)) << name;

    const std::vector<std::string> seen = OutsideBlocks(in);
    if (std::any_of(seen.begin(), seen.end(), HoldsComment)) {
      ++withComments;
      EXPECT_GT(e.cx.savings.doc[size_t(Info(Opt::StripComments).counter)], 0);
    }
    for (size_t i = 0; i < std::size(kConversions); ++i) {
      std::string tag = std::string("<") + kNames[i] + ">";
      if (std::none_of(seen.begin(), seen.end(), [&](auto& t) { return FindText(t, tag, -1) > 0; }))
        continue;
      ++withConversions;
      EXPECT_GT(e.cx.savings.doc[size_t(Info(kConversions[i]).counter)], 0) << tag;
    }
  }
  // The corpus does exercise both.
  EXPECT_GT(withComments, 10);
  EXPECT_GT(withConversions, 10);
}

}  // namespace
