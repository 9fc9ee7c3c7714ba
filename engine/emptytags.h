// Where the tags that empty-tag removal looks for stand in a text.
#pragma once
#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <vector>

namespace sw {

// The phrase elements that may hold nothing visible, each name with its ">".
inline constexpr std::string_view kPhraseNames[] = {"cite>", "code>", "em>",  "kbd>",     "samp>", "strong>", "var>",
                                                    "b>",    "big>",  "blink>", "i>",     "small>", "strike>", "sub>",
                                                    "sup>",  "dfn>",  "address>", "tt>", "u>"};
inline constexpr size_t kPhraseCount = std::size(kPhraseNames);

// 0-based offsets of the "<" of each kind of tag, ascending; letter case is
// ignored. Read in one sweep over the "<" bytes, so that the FONT, phrase
// and nested FONT steps share one reading while none of them changes the text.
struct EmptyTagMarks {
  std::vector<size_t> fontOpen, fontClose;                       // "<font", "</font>"
  std::array<std::vector<size_t>, kPhraseCount> open, close;      // "<" or "</" and a phrase name
  std::vector<size_t> bareLink, linkStart, linkEnd;               // "<a>", "<a" + blank or ">", "</a>"

  void Read(std::string_view s);
  bool operator==(const EmptyTagMarks&) const = default;
};

}  // namespace sw
