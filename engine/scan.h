// Small scanning helpers shared by the first-phase passes: byte classes and
// forward trackers that answer "where was the last X before here" in amortised
// constant time while a pass sweeps left to right.
#pragma once
#include <cstddef>
#include <string_view>

#include "engine/primitives.h"

namespace sw {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// A byte that may end an unquoted attribute value.
inline bool EndsValue(char c) { return IsBlank(c) || c == '>' || c == '/'; }

// 0-based offset of the first match at or after from, or npos.
inline size_t FindFrom(std::string_view text, std::string_view pat, size_t from, bool ic) {
  if (from >= text.size()) return std::string_view::npos;
  int32_t p = FindText(text, pat, ic ? -int32_t(from + 1) : int32_t(from + 1));
  return p ? size_t(p - 1) : std::string_view::npos;
}

// The last occurrence of a pattern lying wholly before a position. Queries
// must come with non-decreasing positions; the text must not change meanwhile.
class LastBefore {
 public:
  // follow, when given, must accept the byte right behind a match (a match
  // at the very end of the text never counts then).
  LastBefore(std::string_view text, std::string_view pat, bool ic, bool (*follow)(char) = nullptr)
      : t_(text), p_(pat), ic_(ic), follow_(follow) {}
  // Start of the last match that ends at or before pos, or npos.
  size_t At(size_t pos) {
    if (!started_) next_ = Next(0), started_ = true;  // no sweep for a tracker never asked
    while (next_ != std::string_view::npos && next_ + p_.size() <= pos) {
      last_ = next_;
      next_ = Next(next_ + 1);
    }
    return last_;
  }

 private:
  size_t Next(size_t from) const {
    if (p_.size() == 1 && !ic_ && !follow_) {
      if (from >= t_.size()) return std::string_view::npos;
      return t_.find(p_[0], from);
    }
    for (;;) {
      size_t p = FindFrom(t_, p_, from, ic_);
      if (p == std::string_view::npos || !follow_) return p;
      size_t q = p + p_.size();
      if (q < t_.size() && follow_(t_[q])) return p;
      from = p + 1;
    }
  }

  std::string_view t_, p_;
  bool ic_;
  bool (*follow_)(char);
  size_t last_ = std::string_view::npos;
  size_t next_ = std::string_view::npos;
  bool started_ = false;
};

// Answers "does pos lie inside a tag": the last "<" before it comes after the
// last ">" before it.
class TagTracker {
 public:
  explicit TagTracker(std::string_view text) : lt_(text, "<", false), gt_(text, ">", false) {}
  bool Inside(size_t pos) {
    size_t l = lt_.At(pos), g = gt_.At(pos);
    return l != std::string_view::npos && (g == std::string_view::npos || l > g);
  }
  // Offset of the "<" that opens the tag pos lies in (valid when Inside).
  size_t Open(size_t pos) { return lt_.At(pos); }

 private:
  LastBefore lt_, gt_;
};

// Link bounds: "<a" followed by a blank opens, "</a" followed by ">" or a
// blank closes (so "</abbr>" and "<address>" are no link tags).
inline bool ClosesLinkName(char c) { return c == '>' || IsBlank(c); }

// "Is pos inside an element": the last opening text before it is not followed
// by a closing text before it (both matched ignoring case).
class RegionTracker {
 public:
  RegionTracker(std::string_view text, std::string_view open, std::string_view close,
                bool (*openFollow)(char) = nullptr, bool (*closeFollow)(char) = nullptr)
      : open_(text, open, true, openFollow), close_(text, close, true, closeFollow) {}
  bool Inside(size_t pos) {
    size_t o = open_.At(pos), c = close_.At(pos);
    return o != std::string_view::npos && (c == std::string_view::npos || c < o);
  }

 private:
  LastBefore open_, close_;
};

}  // namespace sw
