#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/primitives.h"

using namespace sw;

TEST(Matching, FindTextCases) {
  struct Case {
    const char* text;
    const char* pat;
    int32_t start;
    int32_t want;
  } cases[] = {
      {"abc<B>x", "<b>", 1, 0},        // case kept
      {"abc<B>x", "<b>", -1, 4},       // ignore case
      {"abc<B>x", "<B>", 5, 0},        // starts after the match
      {"xaYb", "a?b", 1, 2},
      {"xab", "a?b", 1, 0},            // ? matches exactly one byte
      {"xaYb", "a??", 1, 2},
      {"aXc aZc", "a?c", 3, 5},
      {"<P>", "<p>", 0, 0},            // start 0 finds nothing
      {"", "a", 1, 0},
      {"abc", "", 1, 0},
      {"`", "@", -1, 1},               // the fold's at-sign/backquote consequence
      {"@", "`", -1, 0},
      {"\xC9", "\xE9", -1, 0},         // no fold beyond ASCII
      {"[", "{", -1, 0},               // a pattern byte over 122 never folds
      {"{", "[", -1, 0},               // a text byte over 122 never folds
      {"abc", "abcd", 1, 0},
      {"abcabc", "abc", 2, 4},
      {"abc", "c", 4, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindText(c.text, c.pat, c.start), c.want) << c.text << " / " << c.pat << " @" << c.start;
}

TEST(Matching, FoldRuleMatchesDefinition) {
  // Compare the fast search with a direct reading of the rule over all bytes.
  for (int p = 1; p < 256; ++p)
    for (int t = 1; t < 256; ++t) {
      bool want = p == '?' || p == t || (t >= 65 && t <= 122 && p <= 122 && (t ^ 32) == p);
      std::string text(1, char(t)), pat(1, char(p));
      ASSERT_EQ(FindText(text, pat, -1) == 1, want) << p << " " << t;
    }
}

TEST(Matching, FindTextBack) {
  std::string text(120, 'x');
  text.replace(10, 3, "<p>");
  text.replace(97, 3, "<P>");  // ends at 100
  EXPECT_EQ(FindTextBack(text, "<P>", -100), 98);
  EXPECT_EQ(FindTextBack(text, "<P>", -99), 11);  // one byte short of the later one
  EXPECT_EQ(FindTextBack(text, "<P>", 100), 98);
  EXPECT_EQ(FindTextBack(text, "<P>", 99), 0);     // case kept: the lower-case one is not found
  EXPECT_EQ(FindTextBack(text, "<P>", 0), 98);     // 0: the whole text
  EXPECT_EQ(FindTextBack(text, "<p>", -5000), 98);  // beyond the end: the whole text
  EXPECT_EQ(FindTextBack("ab", "abc", 0), 0);
}

TEST(Matching, FindChar) {
  const std::string t = "a>b>c";
  EXPECT_EQ(FindChar(t, '>', 1), 2);
  EXPECT_EQ(FindChar(t, '>', 3), 4);
  EXPECT_EQ(FindChar(t, '>', 5), 0);
  EXPECT_EQ(FindChar(t, '>', 0), 0);
  EXPECT_EQ(FindChar(t, '>', 6), 0);
  EXPECT_EQ(FindCharBack(t, '>', 3), 2);
  EXPECT_EQ(FindCharBack(t, '>', 0), 4);   // below 1: from the last byte
  EXPECT_EQ(FindCharBack(t, '>', -1), 4);
  EXPECT_EQ(FindCharBack(t, '>', 99), 4);
  EXPECT_EQ(FindCharBack(t, 'a', 1), 1);
  EXPECT_EQ(FindCharBack(t, '>', 1), 0);   // nothing before position 1
}

TEST(ReplaceAllRule, ResumeRules) {
  struct Case {
    const char* in;
    const char* find;
    const char* repl;
    bool ic;
    const char* out;
    int32_t count;
  } cases[] = {
      {"aaaa", "aa", "a", false, "aa", 2},      // never re-entered
      {"aabb", "ab", "", false, "ab", 1},       // a match formed before the resume point is not found
      {"abab", "ab", "", false, "", 2},         // empties the buffer
      {"ABab", "ab", "", true, "", 2},
      {"aaa", "a", "aa", false, "aaaaaa", 3},
      {"xabbx", "ab", "", false, "xbx", 1},
      {"<EM>x</em>", "em>", "I>", true, "<I>x</I>", 2},
      {"cat cut c?t cot", "c?t", "dog", false, "dog dog dog dog", 4},
      {"abc", "", "x", false, "abc", 0},
      {"", "a", "x", false, "", 0},
      {"abcab", "abc", "ab", false, "abab", 1},  // the inserted text is not searched again
  };
  for (const auto& c : cases) {
    Buffer b = c.in;
    EXPECT_EQ(ReplaceAll(b, c.find, c.repl, c.ic), c.count) << c.in;
    EXPECT_EQ(b, c.out) << c.in;
  }
}

TEST(ReplaceAllRule, DeletionExposesMatchBehindIt) {
  Buffer b = "aabbab";
  EXPECT_EQ(ReplaceAll(b, "ab", "", false), 2);
  EXPECT_EQ(b, "ab");
  Buffer c = "abcabc";
  EXPECT_EQ(ReplaceAll(c, "abc", "", false), 2);
  EXPECT_EQ(c, "");
}

namespace {
// The rules read literally: try every start, and replace in place.
int32_t NaiveFind(const std::string& t, const std::string& p, int32_t start) {
  bool ic = start < 0;
  for (size_t i = size_t(std::abs(start)) - 1; i + p.size() <= t.size(); ++i) {
    bool ok = !p.empty();
    for (size_t k = 0; ok && k < p.size(); ++k) ok = BytesMatch((unsigned char)p[k], (unsigned char)t[i + k], ic);
    if (ok) return int32_t(i + 1);
  }
  return 0;
}
int32_t NaiveFindBack(const std::string& t, const std::string& p, int32_t start) {
  const bool ic = start < 0;
  int64_t s = ic ? -int64_t(start) : start;
  if (p.empty() || t.empty() || p.size() > t.size()) return 0;
  if (s == 0 || s > int64_t(t.size())) s = int64_t(t.size());
  for (int64_t i = s - int64_t(p.size()); i >= 0; --i) {
    bool ok = true;
    for (size_t k = 0; ok && k < p.size(); ++k) ok = BytesMatch((unsigned char)p[k], (unsigned char)t[size_t(i) + k], ic);
    if (ok) return int32_t(i + 1);
  }
  return 0;
}
int32_t NaiveReplace(std::string& b, const std::string& f, const std::string& r, bool ic) {
  int32_t n = 0;
  int32_t pos = b.empty() ? 0 : NaiveFind(b, f, ic ? -1 : 1);
  while (pos > 0) {
    b.insert(size_t(pos - 1), r);
    pos += int32_t(r.size());
    b.erase(size_t(pos - 1), f.size());
    ++n;
    if (b.empty() || size_t(pos) > b.size()) break;
    pos = NaiveFind(b, f, ic ? -pos : pos);
  }
  return n;
}
}  // namespace

TEST(Matching, AgreesWithLiteralRulesOnRandomText) {
  // Small alphabets make matches, folds and overlaps frequent; lengths cross
  // the eight-, sixteen- and 32-byte fast paths, forwards and backwards.
  const std::string alphabet = "aAbB<>@`?[{ \xC9\xE9";
  uint32_t seed = 12345;
  auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 4000; ++round) {
    std::string text, pat, repl;
    for (uint32_t i = 0, n = rnd(round % 4 ? 70 : 400); i < n; ++i) text += alphabet[rnd(uint32_t(alphabet.size()))];
    for (uint32_t i = 0, n = 1 + rnd(10); i < n; ++i) pat += alphabet[rnd(6)];
    if (rnd(4) == 0) pat[rnd(uint32_t(pat.size()))] = "?@"[rnd(2)];
    for (uint32_t i = 0, n = rnd(14); i < n; ++i) repl += alphabet[rnd(4)];
    const bool ic = rnd(2);
    const int32_t start = 1 + int32_t(rnd(uint32_t(text.size()) + 1));
    ASSERT_EQ(FindText(text, pat, ic ? -start : start), start > int32_t(text.size()) ? 0 : NaiveFind(text, pat, ic ? -start : start))
        << text << " / " << pat;
    const int32_t back = int32_t(rnd(uint32_t(text.size()) + 2));
    ASSERT_EQ(FindTextBack(text, pat, ic ? -back : back), NaiveFindBack(text, pat, ic ? -back : back))
        << text << " / " << pat << " back from " << back;
    std::string a = text, b = text;
    ASSERT_EQ(ReplaceAll(a, pat, repl, ic), NaiveReplace(b, pat, repl, ic)) << text << " / " << pat;
    ASSERT_EQ(a, b) << text << " / " << pat << " -> " << repl;
  }
}

TEST(Matching, FindAnyOfFindsTheFirstOfItsBytes) {
  struct Case {
    std::string text;
    size_t from;
    size_t want;
  } cases[] = {
      {"", 0, 0},
      {"abc", 0, 3},                                 // none: the size
      {"ab&c", 0, 2},
      {"ab&c", 3, 4},
      {std::string(40, 'x') + "<", 0, 40},           // behind two blocks of sixteen
      {std::string(15, 'x') + "\"" + "<", 0, 15},    // the last byte of a block
      {std::string(16, 'x') + ">" + "&", 16, 16},    // the first byte of a block
      {std::string(33, 'x') + "'", 17, 33},          // from inside a block
      {"<" + std::string(20, 'x'), 1, 21},
  };
  for (const Case& c : cases)
    EXPECT_EQ((FindAnyOf<'<', '>', '\'', '"', '&'>(c.text, c.from)), c.want) << c.text << " from " << c.from;
}
