// Checks that an optimized document looks the same as its original in a
// real browser. The interface is toolkit-free so the job and the command
// line can take any implementation (tests use a fake).
#pragma once
#include <string>

namespace sw::verify {

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

// One rendering of a page, as the comparison sees it.
struct Rendering {
  bool ok = false;
  std::string error;  // !ok: why the page could not be rendered
  std::string title;
  std::string charset;
  std::string text;  // innerText of the page and of its frames
  int width = 0;     // the page's size in CSS pixels at the 1024 px width
  int height = 0;
  std::string image;   // the screenshot as the browser encoded it
  // Decoded only when two screenshots differ: shotWidth * shotHeight
  // 32-bit pixels, row by row.
  int shotWidth = 0, shotHeight = 0;
  std::string pixels;
  // No screenshot was taken: its text, title, character set or size already
  // differed from the rendering it was taken to be compared with, or its
  // document key settled the comparison.
  bool shotSkipped = false;
  // A digest of the document as the browser parsed it, kept in a form where
  // only what cannot change how the page looks is left out; empty when none
  // was taken. Equal keys at equal text and size need no screenshots.
  std::string documentKey;
};

struct Verdict {
  enum class Kind { Same, Differs, Failed };
  Kind kind = Kind::Failed;
  // The original rendered differently twice in a row: only its text and
  // size were compared.
  bool nondeterministic = false;
  bool text = false, title = false, charset = false, size = false, pixels = false;
  double changedShare = 0;  // share of the pixels that differ, 0..1
  Box box;                  // bounding box of the changed pixels
  int widthBefore = 0, heightBefore = 0, widthAfter = 0, heightAfter = 0;
  std::string error;  // Failed: why

  bool Same() const { return kind == Kind::Same; }
  // "same", "same (nondeterministic: compared on text and size)",
  // "differs: text, pixels 1.52% in 0,40 1024x18, size 1024x768 -> 1024x790",
  // "failed: <error>".
  std::string Describe() const;
};

// Compares two renderings of the same address. `nondeterministic` limits the
// comparison to text and size.
Verdict CompareRenderings(const Rendering& before, const Rendering& after, bool nondeterministic);
// Equal text, title, character set and size: all but the pixels.
bool SameInfo(const Rendering& a, const Rendering& b);
// Two renderings of one page look alike (everything compared).
bool RenderingsEqual(const Rendering& a, const Rendering& b);
// Both parsed into the same document: their pixels need no comparing.
bool SameDocument(const Rendering& a, const Rendering& b);

class PageVerifier {
 public:
  virtual ~PageVerifier() = default;
  // `path` is the document's own file; `original` and `optimized` are
  // rendered at its address. Safe to call from several threads at once.
  virtual Verdict Compare(const std::string& path, const std::string& original,
                          const std::string& optimized) = 0;
};

}  // namespace sw::verify
