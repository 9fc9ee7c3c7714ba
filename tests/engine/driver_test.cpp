#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine/driver.h"
#include "tests/engine/map_profile.h"
#include "engine/passes.h"

using namespace sw;
namespace fs = std::filesystem;

namespace {

using test::MapProfile;

struct ScriptedPrompt : Prompt {
  std::vector<std::string> asked;
  Answer Ask(const std::string& caption, const std::string& text, Icon, Buttons) override {
    asked.push_back(caption + "|" + text);
    return Answer::Ok;
  }
};

// Counts the chunks and pieces the passes see, through a custom-term hook.
struct ChunkSpy : ChunkTerms {
  std::vector<std::string> chunks;
  void Load(const Profile&) override {}
  bool Active() const override { return true; }
  void ZeroRun() override {}
  void StartDocument() override {}
  void Apply(Buffer& chunk, const PassContext&) override { chunks.push_back(chunk); }
  int32_t FinishDocument() override { return 0; }
};

std::string Temp(const std::string& name) {
  fs::path d = fs::temp_directory_path() / ("sw_driver_" + std::to_string(::getpid()));
  fs::create_directories(d);
  return (d / name).string();
}

void WriteFile(const std::string& p, const std::string& s) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << s;
}
std::string ReadFile(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

}  // namespace

TEST(DecisionTable, RoutesAndRefusals) {
  struct Case {
    std::string doc;
    int32_t want;  // <0 refused; 0 = accepted
  } cases[] = {
      {"", kInvalidHtml},
      {"text only", kInvalidHtml},
      {"only the end tag </HTML>", 0},
      {"<html><PlainText>x</html>", kPlaintext},
      {"<html><plaintext><pre>x</pre></html>", kPlaintext},
      {"<html><style>x</html>", kBadStyle},
      {"<html></style><style>x</html>", kBadStyle},
      {"<html><xmp>a</xmp><pre>b</pre></html>", kXmpAndPre},
      {"<html><listing>a</listing><xmp>b</xmp></html>", kListingMix},
      {"<html><listing>a</listing><pre class=x>b</pre></html>", kListingMix},
      {"<html><style>a</style><xmp>a</xmp><pre>b</pre></html>", kXmpAndPre},
      {"<html><script>a</script><xmp>a</xmp><pre>b</pre></html>", 0},  // SCRIPT route looks only for PRE
      {"<html><style>a</style><listing>a</listing><pre>b</pre></html>", 0},
  };
  for (const auto& c : cases) {
    Engine e;
    Buffer b = c.doc;
    int32_t rc = e.OptimizeBuffer(b);
    if (c.want < 0) {
      EXPECT_EQ(rc, c.want) << c.doc;
      EXPECT_EQ(b, c.doc) << "a refused document stays as it was";
    } else {
      EXPECT_GE(rc, 0) << c.doc;
    }
  }
}

TEST(DecisionTable, RenamedBlocksComeBackUpperCase) {
  Engine e;
  Buffer b = "<html><listing>x</listing></html>";
  EXPECT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_EQ(b, "<html><LISTING>x</LISTING></html>");
  Buffer x = "<html><xmp>x</Xmp></html>";
  EXPECT_GE(e.OptimizeBuffer(x), 0);
  EXPECT_EQ(x, "<html><XMP>x</XMP></html>");
}

TEST(DecisionTable, XmpBlocksAreShownAsTextAndStayUntouched) {
  Engine e;
  for (Opt o : {Opt::STRONGtoB, Opt::StripComments, Opt::ShortSpecials, Opt::StripEmpties, Opt::StripSpaces})
    e.cx.opts.Set(o, true);
  e.cx.opts.entityMode = 2;
  Buffer b = "<html><strong>x</strong><xmp><strong>&amp;<!-- c --><b></b></strong>  </xmp></html>";
  EXPECT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_NE(b.find("<B>x</B>"), std::string::npos) << b;
  EXPECT_NE(b.find("<XMP><strong>&amp;<!-- c --><b></b></strong>  </XMP>"), std::string::npos) << b;
}

TEST(DecisionTable, StyleSheetOutsideTheChunksStillCounts) {
  // The STYLE route keeps the style block away from the passes; left
  // alignment must stay all the same, as the sheet may give it a meaning.
  Engine e;
  e.cx.opts.Set(Opt::StripEmpties, true);
  Buffer b = "<html><head><style>p{text-align:center}</style></head><p align=left vspace=0>x</html>";
  const Buffer before = b;
  EXPECT_GE(e.OptimizeBuffer(b), 0);
  EXPECT_EQ(b, before);
  Buffer plain = "<html><p align=left>x</html>";
  EXPECT_GE(e.OptimizeBuffer(plain), 0);
  EXPECT_EQ(plain, "<html><p >x</html>");
}

TEST(Chunking, CutsBeforeParagraphs) {
  // 200,000 bytes with a "<P>" every 1,000 bytes: four chunks, each inner one
  // ending just before a "<P>".
  std::string unit = "<P>" + std::string(997, 'x');
  Buffer doc = Repeat(unit, 200);
  ChunkSpy spy;
  Engine e;
  e.terms = &spy;
  Buffer b = doc;
  EXPECT_EQ(e.OptimizeChunked(b), int32_t(doc.size()));
  EXPECT_EQ(b, doc);
  ASSERT_EQ(spy.chunks.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_LE(spy.chunks[i].size(), 65532u);
    EXPECT_EQ(spy.chunks[i + 1].substr(0, 3), "<P>");
  }
}

TEST(Chunking, NoCutPointKeepsEveryByte) {
  struct Case {
    std::string doc;
    size_t wantChunks;
    size_t firstLen;
  } cases[] = {
      // No "<P>" and no ">": cut at the window's end.
      {std::string(150000, 'y'), 3, 65535},
      // A ">" inside the window: the chunk ends with it.
      {std::string(40000, 'y') + ">" + std::string(100000, 'y'), 3, 40001},
      // The only "<P>" lies at the chunk start: not usable, so its ">" ends the chunk.
      {"<P>" + std::string(70000, 'z'), 3, 3},
      // More than 26 chunks: cutting goes on.
      {Repeat("<P>" + std::string(65000, 'q'), 30), 30, 65003},
  };
  for (const auto& c : cases) {
    ChunkSpy spy;
    Engine e;
    e.terms = &spy;
    Buffer b = c.doc;
    e.OptimizeChunked(b);
    EXPECT_EQ(b, c.doc);
    ASSERT_EQ(spy.chunks.size(), c.wantChunks);
    EXPECT_EQ(spy.chunks[0].size(), c.firstLen);
    std::string joined;
    for (auto& ch : spy.chunks) {
      EXPECT_LE(ch.size(), 65535u);
      joined += ch;
    }
    EXPECT_EQ(joined, c.doc);
  }
}

TEST(Splitting, PreAndScriptLimits) {
  struct Case {
    std::string doc;
    int32_t want;
  } cases[] = {
      {"<html>" + Repeat("<pre>x</pre>", 127) + "</html>", 0},
      {"<html>" + Repeat("<pre>x</pre>", 128) + "</html>", kTooManyPre},
      {"<html>" + Repeat("<PRE class=x>x</pre>", 128) + "</html>", kTooManyPre},
      {"<html>" + Repeat("<script>x</script>", 127) + "</html>", 0},
      {"<html>" + Repeat("<script>x</script>", 128) + "</html>", kTooManyScripts},
  };
  for (const auto& c : cases) {
    Engine e;
    Buffer b = c.doc;
    int32_t rc = e.OptimizeBuffer(b);
    if (c.want < 0) EXPECT_EQ(rc, c.want);
    else EXPECT_GE(rc, 0);
    EXPECT_EQ(b, c.doc);
  }
}

TEST(Splitting, PreBlocksAreProtected) {
  ChunkSpy spy;
  Engine e;
  e.terms = &spy;
  Buffer b = "<html>a<pre class=\"x\">keep  me</pre>b<PRE>more</PRE>c<pre>open";
  e.OptimizeBuffer(b);
  // Only text outside the blocks reaches the chunk passes; an unclosed last block is left alone.
  std::vector<std::string> want = {"<html>a", "b", "c"};
  EXPECT_EQ(spy.chunks, want);
}

TEST(Splitting, StyleRouteProtectsFirstBlockOnly) {
  ChunkSpy spy;
  Engine e;
  e.terms = &spy;
  Buffer b = "<html><style>s</style>x<style>t</style></html>";
  e.OptimizeBuffer(b);
  std::vector<std::string> want = {"<html>", "x<style>t</style></html>"};
  EXPECT_EQ(spy.chunks, want);
}

TEST(BaseFont, Sizes) {
  struct Case {
    const char* doc;
    int want;
  } cases[] = {
      {"<html>", 3},
      {"<basefont size=5>", 5},
      {"<BASEFONT SIZE = \"2\">", 2},
      {"<basefont size=+1>", 3},
      {"<basefont>size=6", 3},  // the size lies beyond the tag
      {"<basefont size=x>", 3},
      {"<basefont size  =4>", 3},  // only one blank is skipped
  };
  for (const auto& c : cases) EXPECT_EQ(FindBaseFontSize(c.doc), c.want) << c.doc;
}

TEST(ShortenPathRule, Forms) {
  struct Case {
    std::string in;
    int max;
    std::string want;
  } cases[] = {
      {"short", 60, "short"},
      {"abcdefgh", 3, "abcdefgh"},
      {std::string(70, 'a'), 60, std::string(57, 'a') + "..."},
      {"/home/" + std::string(50, 'b') + "/index.html", 30, "/home/bbbbbbbbbb.../index.html"},
      // Separators close together: first part, "...", a piece from the last one, "...".
      {"x/y/" + std::string(70, 'f'), 60, "x/.../" + std::string(51, 'f') + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortenPath(c.in, c.max), c.want) << c.in;
  // A long middle: first last-excess-1 bytes, "...", then from the last separator on.
  std::string p = "/a/" + std::string(42, 'm') + "/" + std::string(15, 'n') + "/page.htm";
  ASSERT_EQ(p.size(), 70u);
  std::string s = ShortenPath(p, 60);
  EXPECT_EQ(s.size(), 60u);
  EXPECT_EQ(s, p.substr(0, 60 - 3 - 9) + "..." + "/page.htm");
}

TEST(Documents, ReadWriteAndErrorRecord) {
  Engine e;
  e.programDir = fs::path(Temp("x")).parent_path().string();
  e.outputReport = true;
  MapProfile prof;
  e.profile = &prof;
  e.profilePath = e.programDir + "/slimwright.INI";
  e.PrepareJob();
  e.cx.savings.recording = true;

  const std::string good = Temp("good.htm"), big = Temp("big.htm"), bad = Temp("bad.htm");
  WriteFile(good, "<html>ok</html>");
  WriteFile(big, "<html>" + std::string(kMaxDocumentSize - 6, 'x'));
  e.OptimizeDocument(good, good, good);
  EXPECT_EQ(e.resultCode, 0);
  WriteFile(big, std::string(kMaxDocumentSize + 1, 'x'));
  e.OptimizeDocument(big, big, big);
  EXPECT_EQ(e.resultCode, kTooLarge);
  EXPECT_EQ(ReadFile(big).size(), size_t(kMaxDocumentSize + 1));
  fs::remove(Temp("missing.htm"));
  e.OptimizeDocument(Temp("missing.htm"), "missing report name", Temp("missing.htm"));
  EXPECT_EQ(e.resultCode, kNotFound);
  WriteFile(bad, "no markup");
  e.OptimizeDocument(bad, "bad", bad);
  EXPECT_EQ(e.resultCode, kInvalidHtml);
  EXPECT_EQ(e.totals.ErrorCount, 3);
  // The missing file adds no length; the refused one adds equal lengths.
  EXPECT_EQ(e.totals.BytesBefore, 15 + 9);
  EXPECT_EQ(e.totals.BytesAfter, 15 + 9);
  std::string errors = ReadFile(e.ErrorFilePath());
  EXPECT_EQ(errors,
            ShortenPath(big, 60) + "\r\n(file larger than 1Mb...exceeds allowable file length)\r\n\r\n\r\n"
            "missing report name\r\n(file not found...unable to process)\r\n\r\n\r\n"
            "bad\r\n(invalid HTML document...bad syntax or missing <HTML> tag)\r\n\r\n\r\n");
}

TEST(Documents, ExactlyTheSizeLimitIsAccepted) {
  Engine e;
  Buffer b;
  const std::string p = Temp("limit.htm");
  WriteFile(p, "<html>" + std::string(kMaxDocumentSize - 6, 'x'));
  EXPECT_EQ(ReadDocument(p, b), 0);
  EXPECT_EQ(b.size(), size_t(kMaxDocumentSize));
}

TEST(Documents, FailedWriteKeepsDestination) {
  const std::string dir = Temp("ro");
  fs::create_directories(dir);
  const std::string p = dir + "/page.htm";
  WriteFile(p, "old content");
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  int32_t rc = WriteDocument(p, "new content");
  fs::permissions(dir, fs::perms::owner_all);
  if (::geteuid() != 0) {  // root may write anyway
    EXPECT_EQ(rc, kWriteError);
    EXPECT_EQ(ReadFile(p), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }
  EXPECT_EQ(WriteDocument(p, "new content"), 0);
  EXPECT_EQ(ReadFile(p), "new content");
  EXPECT_EQ(WriteDocument(dir + "/no/such/dir/page.htm", "x"), kWriteError);
}

TEST(PrepareJobTest, ReportNamesAndLimitWarning) {
  const std::string dir = fs::path(Temp("rep/x")).parent_path().string();
  fs::create_directories(dir);
  for (auto& f : fs::directory_iterator(dir)) fs::remove(f);
  MapProfile prof;
  ScriptedPrompt prompt;
  Engine e;
  e.programDir = dir;
  e.profilePath = "/elsewhere/slimwright.INI";
  e.profile = &prof;
  e.prompt = &prompt;
  e.outputReport = true;
  for (int n = 1; n <= 9; ++n) {
    e.PrepareJob();
    EXPECT_EQ(e.reportPath, dir + "/slimwright.r0" + std::to_string(n));
    EXPECT_EQ(prof.v["General Options/LastWrittenReport"], e.reportPath);
    WriteFile(e.reportPath, "r");
  }
  ASSERT_EQ(prompt.asked.size(), 1u);  // when .r09 was chosen with .r08 present
  EXPECT_EQ(prompt.asked[0].substr(0, 21), "Report limit reached|");
  e.PrepareJob();  // all nine exist: .r09 again, warned again
  EXPECT_EQ(e.reportPath, dir + "/slimwright.r09");
  EXPECT_EQ(prompt.asked.size(), 2u);
  e.outputReport = false;
  e.PrepareJob();
  EXPECT_TRUE(e.reportPath.empty());
  EXPECT_FALSE(e.writeDocumentStats);
}

TEST(Counters, RefusedRouteCountsNoSavings) {
  // A route that refuses after optimizing part of the text leaves the document as read.
  Engine e;
  e.cx.savings.recording = true;
  e.cx.opts.Set(Opt::StripEmpties, true);
  Buffer b = "<html><style>a</style><b></b><xmp>x</xmp><pre>y</pre></html>";
  const Buffer before = b;
  EXPECT_EQ(e.OptimizeBuffer(b), kXmpAndPre);
  EXPECT_EQ(b, before);
  EXPECT_EQ(e.cx.savings.DocumentSum(), 0);
  EXPECT_EQ(e.figures.lengthAfter, e.figures.lengthBefore);
}

namespace {

// Terms that count their hits per document, and can be copied to a worker.
struct CountingTerms : ChunkTerms {
  std::vector<int32_t> doc = std::vector<int32_t>(2, 0);
  int32_t run = 0;
  void Load(const Profile&) override {}
  bool Active() const override { return true; }
  void ZeroRun() override { run = 0; }
  void StartDocument() override { doc.assign(2, 0); }
  void Apply(Buffer& chunk, const PassContext&) override { doc[1] += ReplaceAll(chunk, "colour", "color", true); }
  int32_t FinishDocument() override {
    run += doc[1];
    return doc[1];
  }
  std::unique_ptr<ChunkTerms> Clone() const override { return std::make_unique<CountingTerms>(*this); }
  std::vector<int32_t> DocumentSavings() const override { return doc; }
  void SetDocumentSavings(const std::vector<int32_t>& s) override { doc = s; }
};

struct Figures {
  int32_t result, before, after, total, saved, errors, termRun;
  std::array<int32_t, kCounterCount + 1> job;
  std::string file;
  bool operator==(const Figures&) const = default;
};

}  // namespace

// A document optimized by a worker's engine and finished by the run's engine
// leaves the same file and figures as one engine doing it all, also when the
// write fails or the route refuses.
TEST(DocumentSteps, WorkerAndRunEngineMatchOneEngine) {
  struct Case {
    const char* what;
    std::string text;
    bool writeFails;
  } cases[] = {
      {"optimized", "<HTML>\r\n<STRONG>colour</STRONG>  <!-- c -->\r\n<EM>a colour</EM></HTML>", false},
      {"write fails", "<HTML><STRONG>colour</STRONG></HTML>", true},
      {"refused", "<HTML><PLAINTEXT>colour</HTML>", false},
      {"not html", "colour", false},
  };
  OptionSet opts;
  for (size_t i = 0; i < opts.on.size(); ++i) opts.on[i] = true;
  auto run = [&](const Case& c, bool split) {
    const std::string path = Temp(std::string("steps_") + (split ? "split" : "one") + ".htm");
    WriteFile(path, c.text);
    CountingTerms terms;
    Engine e;
    e.programDir = fs::path(path).parent_path().string();
    e.terms = &terms;
    e.PrepareJob();
    e.cx.opts = opts;
    e.cx.savings.recording = true;
    // A folder where the document should be makes every write fail.
    const std::string target = c.writeFails ? Temp("steps_no_such_folder/x.htm") : path;
    if (!split) {
      e.OptimizeDocument(path, "doc", target);
    } else {
      std::unique_ptr<ChunkTerms> workerTerms;
      auto worker = e.MakeWorker(workerTerms);
      EXPECT_TRUE(worker);
      OptimizedDocument doc;
      worker->OptimizeSource(path, doc);
      const int32_t w = doc.Writable() ? WriteDocument(target, doc.output) : 0;
      e.FinishDocument(doc, w, "doc");
    }
    return Figures{e.resultCode,        e.figures.lengthBefore, e.figures.lengthAfter, e.figures.total,
                   e.totals.BytesSaved, e.totals.ErrorCount,    terms.run,             e.cx.savings.job,
                   ReadFile(path)};
  };
  for (const auto& c : cases) {
    const Figures one = run(c, false), split = run(c, true);
    EXPECT_TRUE(one == split) << c.what;
    EXPECT_EQ(one.result < 0, c.writeFails || c.text.find("PLAINTEXT") != std::string::npos ||
                                  c.text.find("HTML") == std::string::npos)
        << c.what;
    if (c.writeFails) {
      EXPECT_EQ(one.after, one.before) << c.what;
    }
    if (std::string(c.what) == "optimized") {
      EXPECT_GT(one.termRun, 0);
    }
  }
}
