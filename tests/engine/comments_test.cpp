#include <gtest/gtest.h>

#include "engine/passes.h"

using namespace sw;

namespace {

std::string Strip(std::string in, int32_t* saving = nullptr) {
  PassContext cx;
  cx.savings.recording = true;
  StripComments(in, cx);
  if (saving) *saving = cx.savings.doc[size_t(Info(Opt::StripComments).counter)];
  return in;
}

TEST(CommentRemoval, Table) {
  const std::pair<const char*, const char*> rows[] = {
      {"a<!-- one --><!-- two -->b", "ab"},
      // Server-side include directives stay; later comments still go.
      {"<!--#include file=\"x\" -->a<!-- c -->b", "<!--#include file=\"x\" -->ab"},
      // A comment ends at its first "-->", even with another "<!--" inside.
      {"<!-- a <!-- b -->c -->d", "c -->d"},
      // The closing dashes may share the opening's: five bytes make a comment.
      {"x<!-->y<!--->z", "xyz"},
      // Unterminated: it and everything behind it stay.
      {"a<!--b-->c<!-- open <b>d</b>", "ac<!-- open <b>d</b>"},
      {"<!-- open -- > <!-- x", "<!-- open -- > <!-- x"},
      // After a deletion the search resumes where the comment began; an
      // opening joined across the deletion would begin before that point.
      {"<!<!--x-->--y-->", "<!--y-->"},
      {"<!--x--><!--y--><!--#z-->", "<!--#z-->"},
      {"a<COMMENT>old <b>style</b></COMMENT>b<comment>x</Comment>c", "abc"},
      {"a<comment>never closed", "a<comment>never closed"},
      {"<!-- c -->a<comment>x</comment>", "a"},
  };
  for (auto& [in, out] : rows) EXPECT_EQ(Strip(in), out) << in;
}

TEST(CommentRemoval, RecordsSavingAndLeavesCleanTextAlone) {
  int32_t saving = -1;
  EXPECT_EQ(Strip("<p>plain -- text -> here</p>", &saving), "<p>plain -- text -> here</p>");
  EXPECT_EQ(saving, 0);
  Strip("a<!-- 12345 -->b", &saving);
  EXPECT_EQ(saving, 14);
}

}  // namespace
