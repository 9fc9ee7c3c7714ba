#include <gtest/gtest.h>

#include <set>

#include "engine/colors.h"
#include "engine/passes.h"

using namespace sw;

namespace {

TEST(ColorTable, HoldsTheBrowserNamesWithTheirValues) {
  size_t n = 0;
  const ColorRow* rows = ColorTable(n);
  ASSERT_EQ(n, 140u);
  std::set<std::string> names;
  for (size_t i = 0; i < n; ++i) {
    names.insert(rows[i].name);
    std::string v = rows[i].value;
    EXPECT_EQ(v.size(), 7u);
    EXPECT_EQ(v.find_first_not_of("#0123456789ABCDEF", 1), std::string::npos) << v;
    if (i) {
      EXPECT_LT(std::string(rows[i - 1].name), rows[i].name);
    }
  }
  EXPECT_EQ(names.size(), 140u);
  const std::pair<const char*, const char*> telling[] = {
      {"aqua", "#00FFFF"},    {"black", "#000000"},   {"blue", "#0000FF"},   {"fuchsia", "#FF00FF"},
      {"gray", "#808080"},    {"green", "#008000"},   {"lime", "#00FF00"},   {"maroon", "#800000"},
      {"navy", "#000080"},    {"olive", "#808000"},   {"purple", "#800080"}, {"red", "#FF0000"},
      {"silver", "#C0C0C0"},  {"teal", "#008080"},    {"white", "#FFFFFF"},  {"yellow", "#FFFF00"},
      {"cyan", "#00FFFF"},    {"magenta", "#FF00FF"}, {"blanchedalmond", "#FFEBCD"},
      {"deepskyblue", "#00BFFF"}, {"lightgrey", "#D3D3D3"}, {"darkgray", "#A9A9A9"},
      {"dimgray", "#696969"}, {"darkslategray", "#2F4F4F"}, {"lightslategray", "#778899"},
      {"slategray", "#708090"}, {"crimson", "#DC143C"}, {"rebeccapurple", "rebeccapurple"},
      {"NAVY", "#000080"},    {"Navy", "#000080"},
      // Spellings the table does not hold stay as written.
      {"grey", "grey"},       {"darkgrey", "darkgrey"}, {"lightgray", "lightgray"}, {"", ""},
      {" red", " red"},
  };
  for (auto& [name, value] : telling) EXPECT_EQ(LookupColor(name), value) << name;
}

std::string Standardize(std::string in, int32_t* saving = nullptr) {
  PassContext cx;
  cx.savings.recording = true;
  StandardizeColors(in, cx);
  if (saving) *saving = cx.savings.doc[size_t(Info(Opt::StandardColors).counter)];
  return in;
}

TEST(ColorStandardisation, Table) {
  const std::pair<const char*, const char*> rows[] = {
      {"<body bgcolor=\"White\">", "<body bgcolor=\"#FFFFFF\">"},
      {"<font color=red size=2>", "<font color=#FF0000 size=2>"},
      {"<font COLOR=red>x", "<font COLOR=#FF0000>x"},
      // Any white space ends an unquoted value, so a second run has
      // nothing left to convert once re-wrapping made a line end a blank.
      {"<body bgcolor=white\ntext=black>", "<body bgcolor=#FFFFFF\ntext=black>"},
      {"<body bgcolor=white\r\n>", "<body bgcolor=#FFFFFF\r\n>"},
      {"<td bgcolor=silver\twidth=2>", "<td bgcolor=#C0C0C0\twidth=2>"},
      {"<td bgcolor=silver\nwidth=2 >", "<td bgcolor=#C0C0C0\nwidth=2 >"},
      {"<table bordercolor=Navy>", "<table bordercolor=#000080>"},
      // Hexadecimal already: a "#" within the first five bytes.
      {"<font color=\"#ff0000\">", "<font color=\"#ff0000\">"},
      {"<font color=  #red>", "<font color=  #red>"},
      // The quote may stand a little behind the "=".
      {"<font color= \"blue\">", "<font color= \"#0000FF\">"},
      {"<font color=\" red\">", "<font color=\" red\">"},
      {"<font color=\"red>", "<font color=\"red>"},
      {"<font color=grey>", "<font color=grey>"},
      {"<body text=red link=blue>", "<body text=red link=blue>"},
      {"<font color=red><font color=\"Lime\">", "<font color=#FF0000><font color=\"#00FF00\">"},
      // Page text is no attribute.
      {"<p>Set color=red in the file.</p>", "<p>Set color=red in the file.</p>"},
      {"<font color=", "<font color="},
      {"<font color=r", "<font color=r"},
  };
  for (auto& [in, out] : rows) EXPECT_EQ(Standardize(in), out) << in;
}

TEST(ColorStandardisation, SavingIsUsuallyNegative) {
  int32_t saving = 0;
  Standardize("<body bgcolor=\"White\">", &saving);
  EXPECT_EQ(saving, -2);
  Standardize("<font color=lightgoldenrodyellow>", &saving);
  EXPECT_EQ(saving, 13);
  Standardize("<p>no colours</p>", &saving);
  EXPECT_EQ(saving, 0);
}

}  // namespace
