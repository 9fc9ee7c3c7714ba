#include <gtest/gtest.h>

#include "engine/passes.h"

using namespace sw;

namespace {

constexpr const char* kMeta = "<META http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">";

std::string Shrink(std::string in, int mode, int32_t* saving = nullptr) {
  PassContext cx;
  cx.savings.recording = true;
  cx.opts.entityMode = uint8_t(mode);
  ShrinkEntities(in, cx);
  if (saving) *saving = cx.savings.doc[size_t(Info(Opt::ShortSpecials).counter)];
  return in;
}

TEST(EntityShrinking, ModesTable) {
  const std::string in = "<head><title>t</title></head>a&nbsp;&quot;&#174;&reg;&eacute;&TRADE;&SZLIG;";
  const std::string head = "<head>";
  const std::string rest = "<title>t</title></head>";
  struct Row {
    int mode;
    const char* body;
    bool meta;
  };
  const Row rows[] = {
      // The value of a missing key: the space characters stay as written.
      {0, "a&nbsp;&quot;&reg;&reg;&#233;&#153;&SZLIG;", false},
      {1, "a&#32;'&#174;&reg;&eacute;&TRADE;&SZLIG;", false},
      {2, "a&nbsp;&quot;&#174;&reg;&#233;&#153;&SZLIG;", false},
      {6, "a&nbsp;&quot;&#174;&reg;&#233;&#153;&SZLIG;", true},
      {10, "a&#32;'&#174;&reg;&#233;&#153;&SZLIG;", true},
      {14, "a&#32;'&#174;&reg;&#233;&#153;&SZLIG;", true},
      // Values the dialog never writes take the same tests.
      {3, "a&#32;'&#174;&reg;&#233;&#153;&SZLIG;", false},
      {8, "a&nbsp;'&#174;&reg;&#233;&#153;&SZLIG;", true},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Shrink(in, r.mode), head + (r.meta ? kMeta : "") + rest + r.body) << r.mode;
}

TEST(EntityShrinking, ShrinkingListCoversAllNamesAndOnlyThem) {
  const std::pair<const char*, const char*> rows[] = {
      {"&Aacute;&Agrave;&aring;&szlig;", "&#193;&#192;&#229;&#223;"},
      {"&iexcl;&pound;&curren;&brvbar;&laquo;&plusmn;&acute;&micro;",
       "&#161;&#163;&#164;&#166;&#171;&#177;&#180;&#181;"},
      {"&middot;&cedil;&raquo;&frac14;&frac12;&frac34;&iquest;", "&#183;&#184;&#187;&#188;&#189;&#190;&#191;"},
      {"&Atilde;&Aring;&AElig;&Ccedil;&Eacute;&Egrave;&Ecirc;&Iacute;",
       "&#195;&#197;&#198;&#199;&#201;&#200;&#202;&#205;"},
      {"&Igrave;&Icirc;&Ntilde;&Oacute;&Ograve;&Ocirc;&Otilde;&Oslash;",
       "&#204;&#206;&#209;&#211;&#210;&#212;&#213;&#216;"},
      {"&Uacute;&Ugrave;&Ucirc;&Yacute;&THORN;", "&#218;&#217;&#219;&#221;&#222;"},
      {"&aacute;&agrave;&acirc;&atilde;&aelig;&ccedil;&egrave;&ecirc;",
       "&#225;&#224;&#226;&#227;&#230;&#231;&#232;&#234;"},
      {"&iacute;&igrave;&icirc;&ntilde;&oacute;&ograve;&ocirc;&otilde;",
       "&#237;&#236;&#238;&#241;&#243;&#242;&#244;&#245;"},
      {"&oslash;&uacute;&ugrave;&ucirc;&yacute;&thorn;&trade;&Trade;",
       "&#248;&#250;&#249;&#251;&#253;&#254;&#153;&#153;"},
      // Not in the list, or in another letter case than listed.
      {"&Acirc;&uuml;&copy;&Thorn;&Eacute &eacute", "&Acirc;&uuml;&copy;&Thorn;&Eacute &eacute"},
      {"&#176;&#165;&#168;", "&#176;&#165;&#168;"},
  };
  for (auto& [in, out] : rows) EXPECT_EQ(Shrink(in, 2), out) << in;
  EXPECT_EQ(Shrink("&#176;&#165;&#168;&deg;", 0), "&deg;&yen;&uml;&deg;");
}

TEST(EntityShrinking, QuoteEntityStaysInsideSingleQuotedValues) {
  const std::pair<const char*, const char*> rows[] = {
      {"<img alt='say &quot;hi&quot;'>&quot;", "<img alt='say &quot;hi&quot;'>'"},
      {"<img alt=\"a &quot; b\">", "<img alt=\"a ' b\">"},
      // A single quote inside a double-quoted value opens nothing.
      {"<a title=\"it's &quot;x&quot;\">", "<a title=\"it's 'x'\">"},
      {"<a title='x' alt=&quot;>", "<a title='x' alt='>"},
      // Outside a tag a single quote opens nothing either.
      {"it's &quot;here&quot;", "it's 'here'"},
      // A ">" ends the tag for this test, wherever it stands.
      {"<a title='a>b &quot;'>", "<a title='a>b ''>"},
  };
  for (auto& [in, out] : rows) EXPECT_EQ(Shrink(in, 1), out) << in;
  // Other entities shrunk on the way change nothing of which value a
  // "&quot;" stands in.
  const std::pair<const char*, const char*> mixed[] = {
      {"<a title='&trade;&#174;'>&quot;<b alt='&reg; &quot;'>&quot;&trade;<i alt=\"'&trade;\">&quot;",
       "<a title='&#153;&#174;'>'<b alt='&reg; &quot;'>'&#153;<i alt=\"'&#153;\">'"},
      {"&trade;&quot;<p title='&quot;&trade;'>&trade;&quot;'&quot;>&quot;",
       "&#153;'<p title='&quot;&#153;'>&#153;'''>'"},
  };
  for (auto& [in, out] : mixed) EXPECT_EQ(Shrink(in, 3), out) << in;
}

// Patterns of real pages: with the mode a profile without the key runs with,
// empty cells, indents, separators and quoted text keep their look, while
// the modes that standardise space characters still convert them.
TEST(EntityShrinking, SpaceCharactersOnlyWhereTheModeAsksForThem) {
  struct Row {
    const char* in;
    const char* mode0;
    const char* mode1;  // 10 and 14 alike, without the declaration
  };
  const Row rows[] = {
      {"<td>&nbsp;</td>", "<td>&nbsp;</td>", "<td>&#32;</td>"},
      {"&nbsp;&nbsp;&nbsp;indent", "&nbsp;&nbsp;&nbsp;indent", "&#32;&#32;&#32;indent"},
      {"a&nbsp;&middot;&nbsp;b", "a&nbsp;&#183;&nbsp;b", "a&#32;&middot;&#32;b"},
      {"He said &quot;no&quot;.", "He said &quot;no&quot;.", "He said 'no'."},
      {"<a title=\"&quot;x&quot;\">&#174;", "<a title=\"&quot;x&quot;\">&reg;",
       "<a title=\"'x'\">&#174;"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Shrink(r.in, 0), r.mode0) << r.in;
    EXPECT_EQ(Shrink(r.in, 1), r.mode1) << r.in;
  }
  for (int mode : {10, 14})
    EXPECT_EQ(Shrink("a&nbsp;&quot;&middot;", mode), "a&#32;'&#183;") << mode;
}

TEST(EntityShrinking, CharacterSetDeclaration) {
  const std::pair<const char*, std::string> rows[] = {
      {"<HTML><HEAD>&eacute;", std::string("<HTML><HEAD>") + kMeta + "&#233;"},
      {"<html lang=en><body>&eacute;", std::string("<html lang=en>") + kMeta + "<body>&#233;"},
      // "<header>" is no head tag.
      {"<html><header>&eacute;", std::string("<html>") + kMeta + "<header>&#233;"},
      {"<body>&eacute;", "<body>&#233;"},
      {"<head", "<head"},
      // Any declaration already there wins.
      {"<head><meta http-equiv=Content-Type content=\"text/html; CHARSET=iso-8859-1\">&eacute;",
       "<head><meta http-equiv=Content-Type content=\"text/html; CHARSET=iso-8859-1\">&#233;"},
      {"<head><meta charset=\"utf-8\">&eacute;", "<head><meta charset=\"utf-8\">&#233;"},
      // Without any "&" nothing happens at all.
      {"<html><head></head></html>", "<html><head></head></html>"},
  };
  for (auto& [in, out] : rows) EXPECT_EQ(Shrink(in, 14), out) << in;
  int32_t saving = 0;
  Shrink("<head>&eacute;", 6, &saving);
  EXPECT_EQ(saving, 2 - int32_t(std::string(kMeta).size()));
  Shrink("<head></head>", 6, &saving);
  EXPECT_EQ(saving, 0);
}

}  // namespace
