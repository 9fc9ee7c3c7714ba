// Line-end helpers shared by the page re-wrapping and the style block
// re-wrapping.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/primitives.h"

namespace sw {

// A place where a line may be broken: behind the byte at pos (a ">", ";" or
// "}"), in place of the blank at pos, or at a line end that is already there
// (a CR LF pair is named by its CR); choosing one of those costs nothing.
enum class BreakKind : uint8_t { Behind, Blank, LineEnd };
struct BreakCandidate {
  uint32_t pos;  // 0-based
  BreakKind kind;
};

// True where a line end starts: a CR, or an LF that no CR precedes.
inline bool LineEndStartsAt(std::string_view text, size_t i) {
  return text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'));
}

// Joins the lines of buf and breaks them again at candidates (ascending
// positions) no more than about 254 bytes apart, starting a new line at most
// wordWrap bytes behind the last break. A line-end byte i with (*keep)[i] != 0
// is never joined. With silentBehind, a line end directly behind a "behind"
// candidate is deleted instead of becoming a blank, so that joining undoes
// the breaks of an earlier run. With freeFirst, a blank or line end in reach
// is taken before a "behind" candidate, which would add a line end.
void RewrapAt(Buffer& buf, const std::vector<BreakCandidate>& cands, uint16_t wordWrap,
              const std::vector<uint8_t>* keep, bool silentBehind, bool freeFirst);

// CR LF becomes LF, and a lone CR (an old Mac line end) becomes LF.
void NormalizeCR(Buffer& buf);

}  // namespace sw
