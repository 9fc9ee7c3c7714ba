// Where white space is invisible: the block-level tags, and a reading of a
// buffer the way a browser tokenizes it (tags, quoted values, comments and
// elements whose text is taken literally).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sw {

// True for the name of a block-level element (any letter case).
bool IsBlockTagName(std::string_view name);

// True when a start or end tag of a block-level element begins at the "<" at
// 0-based lt (its name must be followed by a blank, tab, CR, LF, "/" or ">").
bool IsBlockTagAt(std::string_view text, size_t lt);

// True when a start tag at the "<" at 0-based lt opens an element whose
// content is taken literally (PRE, TEXTAREA, SCRIPT, STYLE, XMP, LISTING,
// PLAINTEXT): a byte put right behind its ">" is such content.
bool OpensLiteralContent(std::string_view text, size_t lt);

namespace markup {
// Low bits: what a byte is part of.
constexpr uint8_t kText = 0;     // page text
constexpr uint8_t kTag = 1;      // inside a tag, outside its quoted values
constexpr uint8_t kValue = 2;    // inside a quoted attribute value (quotes excluded)
constexpr uint8_t kComment = 3;  // "<!--" through "-->"
constexpr uint8_t kRaw = 4;      // content of PRE, TEXTAREA, SCRIPT, STYLE, XMP, LISTING, PLAINTEXT
constexpr uint8_t kClassMask = 7;
// Flags on the "<" and the ">" of a tag (comments carry none).
constexpr uint8_t kOpen = 0x10;    // the "<" that begins a tag
constexpr uint8_t kClose = 0x20;   // the ">" that ends a tag
constexpr uint8_t kBlock = 0x40;   // that tag is a block-level start or end tag
constexpr uint8_t kEndTag = 0x80;  // that tag is an end tag ("</")
}  // namespace markup

// One byte of class and flags per byte of text, in one sweep.
std::vector<uint8_t> ClassifyMarkup(std::string_view text);

inline uint8_t ClassOf(const std::vector<uint8_t>& cls, size_t i) { return cls[i] & markup::kClassMask; }

}  // namespace sw
