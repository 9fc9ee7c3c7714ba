#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "verify/core/verifier.h"

using sw::verify::CompareRenderings;
using sw::verify::Rendering;
using sw::verify::Verdict;

namespace {

// A w x h shot in one colour, with `paint` cells set to another.
Rendering Shot(int w, int h, std::initializer_list<std::pair<int, int>> paint = {}) {
  Rendering r;
  r.ok = true;
  r.title = "T";
  r.charset = "UTF-8";
  r.text = "words";
  r.width = w;
  r.height = h;
  r.shotWidth = w;
  r.shotHeight = h;
  std::vector<uint32_t> px(size_t(w) * h, 0xffffffffu);
  for (auto [x, y] : paint) px[size_t(y) * w + x] = 0xff000000u;
  r.pixels.assign(reinterpret_cast<const char*>(px.data()), px.size() * 4);
  r.image = r.pixels;  // stands for the encoded shot: equal pixels, equal bytes
  return r;
}

}  // namespace

TEST(CompareRenderings, NamesEveryDifferenceWithShareAndBox) {
  struct Case {
    const char* name;
    Rendering before, after;
    bool nondeterministic;
    std::string described;
  };
  Rendering retitled = Shot(10, 10), recoded = Shot(10, 10), reworded = Shot(10, 10);
  retitled.title = "U";
  recoded.charset = "windows-1252";
  reworded.text = "other words";
  Rendering resized = Shot(10, 10);
  resized.height = 12;
  Rendering failed;
  failed.error = "the page did not finish loading in time";
  // Taken without a screenshot, because its text already differed.
  Rendering rewordedUnseen = reworded, unseen = Shot(10, 10);
  rewordedUnseen.shotSkipped = unseen.shotSkipped = true;
  rewordedUnseen.image.clear();
  rewordedUnseen.pixels.clear();
  unseen.image.clear();
  unseen.pixels.clear();
  // Taken without screenshots, their documents compared instead.
  Rendering keyed = unseen, keyedOther = unseen, keyedReworded = rewordedUnseen;
  keyed.documentKey = keyedReworded.documentKey = "k1";
  keyedOther.documentKey = "k2";
  const Case cases[] = {
      {"identical", Shot(10, 10), Shot(10, 10), false, "same"},
      {"the same document", keyed, keyed, false, "same"},
      {"the same document, other text", keyed, keyedReworded, false, "differs: text"},
      {"other documents, unseen", keyed, keyedOther, false, "differs: screenshot not taken"},
      {"two pixels", Shot(10, 10), Shot(10, 10, {{2, 3}, {5, 4}}), false, "differs: pixels 2.00% in 2,3 4x2"},
      {"taller shot counts the new rows", Shot(10, 10), Shot(10, 11), false,
       "differs: pixels 9.09% in 0,10 10x1, size 10x10 -> 10x11"},
      {"title", Shot(10, 10), retitled, false, "differs: title"},
      {"charset", Shot(10, 10), recoded, false, "differs: character set"},
      {"text", Shot(10, 10), reworded, false, "differs: text"},
      {"size alone", Shot(10, 10), resized, false, "differs: size 10x10 -> 10x12"},
      {"nondeterministic ignores pixels", Shot(10, 10), Shot(10, 10, {{0, 0}}), true,
       "same (nondeterministic: compared on text and size)"},
      {"nondeterministic ignores the title", Shot(10, 10), retitled, true,
       "same (nondeterministic: compared on text and size)"},
      {"nondeterministic still sees text", Shot(10, 10), reworded, true,
       "differs: text (nondeterministic: compared on text and size)"},
      {"failure", failed, Shot(10, 10), false, "failed: the page did not finish loading in time"},
      {"text, screenshot skipped", Shot(10, 10), rewordedUnseen, false, "differs: text"},
      {"nondeterministic, screenshot skipped", Shot(10, 10), rewordedUnseen, true,
       "differs: text (nondeterministic: compared on text and size)"},
      {"nondeterministic needs no screenshot", Shot(10, 10), unseen, true,
       "same (nondeterministic: compared on text and size)"},
      // Never taken as the same without both screenshots compared.
      {"alike but unseen", Shot(10, 10), unseen, false, "differs: screenshot not taken"},
  };
  for (const auto& c : cases) {
    Verdict v = CompareRenderings(c.before, c.after, c.nondeterministic);
    EXPECT_EQ(v.Describe(), c.described) << c.name;
    EXPECT_EQ(v.Same(), c.described.rfind("same", 0) == 0) << c.name;
  }
}

TEST(CompareRenderings, UndecodedShotsThatDifferAreNeverSame) {
  Rendering a = Shot(4, 4), b = Shot(4, 4);
  a.pixels.clear();
  b.pixels.clear();
  b.image = "other bytes";
  EXPECT_FALSE(CompareRenderings(a, b, false).Same());
  EXPECT_FALSE(sw::verify::RenderingsEqual(a, b));
  b.image = a.image;
  EXPECT_TRUE(CompareRenderings(a, b, false).Same());
  // A rendering without its screenshot never equals one with it, nor another without.
  b.shotSkipped = true;
  EXPECT_FALSE(sw::verify::RenderingsEqual(a, b));
  a.shotSkipped = true;
  EXPECT_FALSE(sw::verify::RenderingsEqual(a, b));
  // Unless both parsed into the same document.
  a.documentKey = b.documentKey = "k";
  EXPECT_TRUE(sw::verify::RenderingsEqual(a, b));
  b.documentKey = "other";
  EXPECT_FALSE(sw::verify::RenderingsEqual(a, b));
  a.documentKey = b.documentKey = "";
  EXPECT_FALSE(sw::verify::RenderingsEqual(a, b));
}
