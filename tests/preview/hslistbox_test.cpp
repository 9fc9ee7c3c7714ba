#include "preview/hslistbox.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScrollBar>
#include <string>
#include <vector>

#include "preview/widest_line.h"

using namespace sw;

namespace {

// One step on the bookkeeping: +text adds, >N:text inserts at N, -N deletes row N, ~N:text changes, ! clears.
void Apply(WidestLine& w, const std::string& step) {
  switch (step[0]) {
    case '+': w.Add(step.substr(1)); break;
    case '>': w.Insert(std::stoul(step.substr(1)), step.substr(step.find(':') + 1)); break;
    case '-': w.Remove(std::stoul(step.substr(1))); break;
    case '~': w.Change(std::stoul(step.substr(1)), step.substr(step.find(':') + 1)); break;
    case '!': w.Clear(); break;
  }
}

TEST(WidestLine, FollowsTheWidestPresentLine) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    int widest;  // a line is 10 per character
  };
  const Case cases[] = {
      {"empty", {}, 0},
      {"one line", {"+abc"}, 30},
      {"narrower added leaves it", {"+abcde", "+ab"}, 50},
      {"wider inserted takes over", {"+ab", ">0:abcdef"}, 60},
      {"widest of three deleted: wider of the rest", {"+abc", "+abcdef", "+abcd", "-1"}, 40},
      {"narrower deleted leaves it", {"+abc", "+abcdef", "+abcd", "-0"}, 60},
      {"one of two equally widest deleted keeps it", {"+abcd", "+wxyz", "+a", "-0"}, 40},
      {"inserted in front shifts rows", {"+abcdef", ">0:a", "-1"}, 10},
      {"deleting the last line", {"+abc", "-0"}, 0},
      {"row past the end ignored", {"+abc", "-5"}, 30},
      {"clear", {"+abc", "+abcdef", "!"}, 0},
      {"after clear only new lines count", {"+abcdefgh", "!", "+ab"}, 20},
      {"widest shortened in place", {"+abcdef", "+abc", "~0:a"}, 30},
      {"narrow lengthened in place", {"+abc", "~0:abcdefg"}, 70},
  };
  for (const Case& c : cases) {
    WidestLine w([](const std::string& s) { return static_cast<int>(s.size()) * 10; });
    for (const auto& s : c.steps) Apply(w, s);
    EXPECT_EQ(w.widest(), c.widest) << c.name;
  }
}

TEST(WidestLine, ResetMeasuresAfresh) {
  int per = 10;
  WidestLine w([&](const std::string& s) { return static_cast<int>(s.size()) * per; });
  w.Add("abc");
  per = 20;
  w.Reset({"abc", "a"});
  EXPECT_EQ(w.widest(), 60);
  w.Remove(0);
  EXPECT_EQ(w.widest(), 20);
}

// The widget: every ordinary operation, made through the plain list widget, keeps the extent.
TEST(THSListBox, ExtentIsTextWidthPlusAverageCharInTheListFont) {
  THSListBox box;
  box.resize(120, 100);
  QFontMetrics fm(box.font());
  auto width = [&](const QString& s) { return fm.horizontalAdvance(s) + fm.averageCharWidth(); };
  const QString shortL = "a.htm", mid = "/web/pages/b.htm", longL = "/web/pages/archive/2001/very-long-name.htm";

  EXPECT_EQ(box.horizontalExtent(), 0);
  QListWidget& plain = box;
  plain.addItem(shortL);
  EXPECT_EQ(box.horizontalExtent(), width(shortL));
  plain.addItem(longL);
  plain.insertItem(0, mid);
  EXPECT_EQ(box.horizontalExtent(), width(longL));
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), std::max(0, width(longL) - box.viewport()->width()));

  delete plain.takeItem(0);  // a narrower line
  EXPECT_EQ(box.horizontalExtent(), width(longL));
  plain.insertItem(0, mid);
  delete plain.takeItem(2);  // the widest: the wider of the others
  EXPECT_EQ(box.horizontalExtent(), width(mid));
  EXPECT_EQ(box.Lines(), (QStringList{mid, shortL}));

  plain.item(1)->setText(longL);
  EXPECT_EQ(box.horizontalExtent(), width(longL));
  delete plain.item(1);
  EXPECT_EQ(box.horizontalExtent(), width(mid));

  plain.clear();
  EXPECT_EQ(box.horizontalExtent(), 0);
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);

  box.AddLine(longL);
  QFont big = box.font();
  big.setPointSize(big.pointSize() * 2);
  box.setFont(big);
  QFontMetrics bfm(big);
  EXPECT_EQ(box.horizontalExtent(), bfm.horizontalAdvance(longL) + bfm.averageCharWidth());
}

}  // namespace
