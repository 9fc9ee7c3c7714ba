// Entry points of the optimization passes, one family per source file.
// Each takes the buffer by reference and records its own saving.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/dispatcher.h"

namespace sw {

// tags.cpp: tag conversions and closing-tag removal
void ConvertStrongToB(Buffer& buf, PassContext& cx);
void ConvertEmToI(Buffer& buf, PassContext& cx);
void ConvertCiteToI(Buffer& buf, PassContext& cx);
void ConvertAddressToI(Buffer& buf, PassContext& cx);
void ConvertDfnToI(Buffer& buf, PassContext& cx);
void ConvertCodeToTT(Buffer& buf, PassContext& cx);
void ConvertSampToTT(Buffer& buf, PassContext& cx);
void ConvertKbdToTT(Buffer& buf, PassContext& cx);
// The conversions above that the option set switches on, in one sweep.
void ConvertPhraseTags(Buffer& buf, PassContext& cx);
void StripClosingP(Buffer& buf, PassContext& cx);
void StripClosingLI(Buffer& buf, PassContext& cx);

// comments.cpp
void StripComments(Buffer& buf, PassContext& cx);

// entities.cpp
void ShrinkEntities(Buffer& buf, PassContext& cx);

// colors.cpp
void StandardizeColors(Buffer& buf, PassContext& cx);

// empties.cpp
void StripEmptyTags(Buffer& buf, PassContext& cx);

// fonts.cpp
void ShrinkFontTags(Buffer& buf, PassContext& cx);

// head.cpp: META, GENERATOR, DTD and non-HTML content
void StripAllMeta(Buffer& buf, PassContext& cx);
void StripGenerator(Buffer& buf, PassContext& cx);
void StripDTD(Buffer& buf, PassContext& cx);
void StripNonHTML(Buffer& buf, PassContext& cx);

// quotes.cpp
void StripQuotes(Buffer& buf, PassContext& cx);

// The re-wrapping and the space removal read the markup of the buffer
// (ClassifyMarkup); given that reading, they keep it valid for the buffer
// they leave, so a run of them reads the markup once.

// wrap.cpp
void RewrapLines(Buffer& buf, PassContext& cx);
void RewrapLines(Buffer& buf, std::vector<uint8_t>& cls, PassContext& cx);
void StripCR(Buffer& buf, PassContext& cx);

// spaces.cpp
void StripSpaces(Buffer& buf, PassContext& cx);
void StripSpaces(Buffer& buf, std::vector<uint8_t>& cls, PassContext& cx);
void SpaceKeywordStep(Buffer& buf, PassContext& cx);

// pretidy.cpp: in-tag cleanup of a preformatted piece (start and end tag included)
void TidyPreformatted(Buffer& piece, PassContext& cx);

// scripts.cpp: SCRIPT and STYLE block optimizers (block text, tags included)
void OptimizeScriptBlock(Buffer& block, PassContext& cx);
void OptimizeStyleBlockText(Buffer& block, PassContext& cx);

}  // namespace sw
