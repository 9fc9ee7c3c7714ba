// Inputs built from the patterns the passes search for: one PRE or SCRIPT
// block filled with them, or the same markup as ordinary text. The benchmark
// uses 1,000,000-byte ones; the output digests use smaller ones.
#pragma once
#include <cstdint>
#include <iterator>
#include <string>

namespace swbench {

enum class Shape { Pre, Script, Text };

inline std::string Adversarial(Shape shape, size_t total = 1000000) {
  const bool script = shape == Shape::Script;
  static const char* kPre[] = {
      "<font size=+1>", "</font>", "<b> </b>", "&nbsp;", "&quot;", "<!-- c -->", "<p>", "</p>", " >", "< ",
      "a = b", "<a href=\"x y\" >", "</a> <a>", "\t", "  ", "\r\n", "\n\n", "<br>", "color=\"#ff0000\"",
      "width=\"100%\"", "<img src='a' alt=\"\">", "coords=\"1, 2\"", "<li>", "</li>", "<strong>", "<em>",
      "<code>", "<td> </td>", "\"quoted\"", "<", ">", "=", "\"", "<tt>", "<title>  </title>", " <",
  };
  static const char* kScript[] = {
      "// line comment\r\n", "/* block */", "'str//ing'", "\"http://x\"", "\t", "\t\t", "\r\n\r\n", "\n\n",
      "-->", "<!--", ":", "//", "/*", "*/", "\"", "'", " ", "  ", "a\\\"b", "x = y; ", "{ }", "; ", "</scr",
  };
  const std::string head = "<html><body>", tail = "</body></html>";
  const std::string open = script ? "<script>\r\n" : shape == Shape::Pre ? "<pre>\r\n" : "";
  const std::string close = script ? "</script>" : shape == Shape::Pre ? "</pre>" : "";
  const size_t fill = total - head.size() - open.size() - close.size() - tail.size();
  std::string body;
  body.reserve(fill + 64);
  uint32_t x = 12345;
  while (body.size() < fill) {
    x = x * 1103515245u + 12345u;
    if (script) body += kScript[(x >> 16) % std::size(kScript)];
    else body += kPre[(x >> 16) % std::size(kPre)];
    body += char('a' + (x >> 8) % 26);
  }
  body.resize(fill);
  return head + open + body + close + tail;
}

}  // namespace swbench
