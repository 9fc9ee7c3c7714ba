#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "verify/core/verifier.h"

namespace sw::verify {

namespace {

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// Counts differing pixels over the shared area; the area only one of the two
// shots covers counts as changed.
void ComparePixels(const Rendering& a, const Rendering& b, Verdict& v) {
  const int w = std::max(a.shotWidth, b.shotWidth), h = std::max(a.shotHeight, b.shotHeight);
  if (w == 0 || h == 0) return;
  int64_t changed = 0;
  int minX = w, minY = h, maxX = -1, maxY = -1;
  auto mark = [&](int x0, int x1, int y) {
    changed += x1 - x0;
    minX = std::min(minX, x0);
    maxX = std::max(maxX, x1 - 1);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  };
  const auto* pa = reinterpret_cast<const uint32_t*>(a.pixels.data());
  const auto* pb = reinterpret_cast<const uint32_t*>(b.pixels.data());
  const int cw = std::min(a.shotWidth, b.shotWidth), ch = std::min(a.shotHeight, b.shotHeight);
  for (int y = 0; y < h; ++y) {
    if (y >= ch) {
      mark(0, w, y);
      continue;
    }
    const uint32_t* ra = pa + size_t(y) * size_t(a.shotWidth);
    const uint32_t* rb = pb + size_t(y) * size_t(b.shotWidth);
    if (std::memcmp(ra, rb, size_t(cw) * 4) != 0) {
      for (int x = 0; x < cw; ++x)
        if (ra[x] != rb[x]) mark(x, x + 1, y);
    }
    if (cw < w) mark(cw, w, y);
  }
  if (changed == 0) return;
  v.pixels = true;
  v.changedShare = double(changed) / (double(w) * double(h));
  v.box = {minX, minY, maxX - minX + 1, maxY - minY + 1};
}

}  // namespace

bool SameDocument(const Rendering& a, const Rendering& b) {
  return !a.documentKey.empty() && a.documentKey == b.documentKey;
}

bool SameInfo(const Rendering& a, const Rendering& b) {
  return a.text == b.text && a.title == b.title && a.charset == b.charset && a.width == b.width &&
         a.height == b.height;
}

bool RenderingsEqual(const Rendering& a, const Rendering& b) {
  if (!a.ok || !b.ok || !SameInfo(a, b)) return false;
  if (SameDocument(a, b)) return true;
  return !a.shotSkipped && !b.shotSkipped && a.image == b.image && a.shotWidth == b.shotWidth &&
         a.shotHeight == b.shotHeight && a.pixels == b.pixels;
}

Verdict CompareRenderings(const Rendering& before, const Rendering& after, bool nondeterministic) {
  Verdict v;
  if (!before.ok || !after.ok) {
    v.error = !before.ok ? before.error : after.error;
    return v;
  }
  v.nondeterministic = nondeterministic;
  v.widthBefore = before.width;
  v.heightBefore = before.height;
  v.widthAfter = after.width;
  v.heightAfter = after.height;
  const bool proven = SameDocument(before, after);
  v.text = before.text != after.text;
  v.size = before.width != after.width || before.height != after.height;
  if (!nondeterministic) {
    v.title = before.title != after.title;
    v.charset = before.charset != after.charset;
    if (!proven && !before.shotSkipped && !after.shotSkipped) {
      ComparePixels(before, after, v);
      // Screenshots that differ but were never decoded still differ.
      if (!v.pixels && before.image != after.image && (before.pixels.empty() || after.pixels.empty()))
        v.pixels = true;
    }
  }
  const bool differs = v.text || v.size || v.title || v.charset || v.pixels;
  // Nothing is called the same without both screenshots compared, unless
  // both pages parsed into the same document.
  const bool unseen = !nondeterministic && !proven && (before.shotSkipped || after.shotSkipped);
  v.kind = (differs || unseen) ? Verdict::Kind::Differs : Verdict::Kind::Same;
  return v;
}

std::string Verdict::Describe() const {
  if (kind == Kind::Failed) return "failed: " + error;
  std::string s;
  if (kind == Kind::Same) {
    s = "same";
  } else {
    std::string what;
    auto add = [&](const std::string& part) { what += (what.empty() ? "" : ", ") + part; };
    if (text) add("text");
    if (title) add("title");
    if (charset) add("character set");
    if (pixels) {
      char share[32];
      if (changedShare > 0 && changedShare < 0.00005)
        std::snprintf(share, sizeof share, "<0.01%%");
      else
        std::snprintf(share, sizeof share, "%.2f%%", changedShare * 100.0);
      add(std::string("pixels ") + share + " in " + std::to_string(box.x) + "," + std::to_string(box.y) +
          " " + Size(box.width, box.height));
    }
    if (size) add("size " + Size(widthBefore, heightBefore) + " -> " + Size(widthAfter, heightAfter));
    if (what.empty()) add("screenshot not taken");
    s = "differs: " + what;
  }
  if (nondeterministic) s += " (nondeterministic: compared on text and size)";
  return s;
}

}  // namespace sw::verify
