// These render in the real browser; without one installed they skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <map>

#include "verify/core/batch.h"
#include "verify/chromium.h"

namespace fs = std::filesystem;
using sw::verify::Verdict;

namespace {

std::string Page(const std::string& body, const std::string& head = "") {
  return "<html><head><title>Test page</title>" + head + "</head><body>" + body + "</body></html>\n";
}

class Browser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("sw_verify_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    // A real image beside the pages, so hspace and alignment have something to move.
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(0xff3366cc);
    img.save(QString::fromStdString((dir_ / "pic.png").string()), "PNG");
    std::ofstream(dir_ / "child.html") << Page("<p>Words inside the frame</p>");
    // Two frames, red and blue, 20 ms each, looping.
    static const char kAnimatedGif[] =
        "\x47\x49\x46\x38\x39\x61\x08\x00\x08\x00\x81\x00\x00\xff\x00\x00\x00\x00\xff\x00\xff\x00\xff\xff\xff\x21\xff\x0b\x4e\x45\x54\x53\x43\x41\x50\x45\x32\x2e\x30\x03\x01\x00\x00\x00\x21\xf9\x04\x00\x02\x00\x00\x00\x2c\x00\x00\x00\x00\x08\x00\x08\x00\x00\x02\x31\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41"
        "\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x04\x41\x10\x05\x00\x21\xf9\x04\x00\x02\x00\x00\x00\x2c\x00\x00\x00\x00\x08\x00\x08\x00\x00\x02\x31\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x0c\xc3\x30\x05\x00\x3b";
    std::ofstream(dir_ / "anim.gif", std::ios::binary).write(kAnimatedGif, sizeof kAnimatedGif - 1);
    if (sw::verify::FindBrowser().empty()) return;
    verifier_ = new sw::verify::ChromiumVerifier();
    std::string error;
    if (!verifier_->Start(&error)) {
      ADD_FAILURE() << "the browser is installed but could not be used: " << error;
      delete verifier_;
      verifier_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete verifier_;
    verifier_ = nullptr;
    fs::remove_all(dir_);
  }
  void SetUp() override {
    if (!verifier_) GTEST_SKIP() << "Chromium is not installed: " << sw::verify::kInstallHint;
  }
  static std::string PathOf(const std::string& name) { return (dir_ / name).string(); }

  static inline fs::path dir_;
  static inline sw::verify::ChromiumVerifier* verifier_ = nullptr;
};

struct PairCase {
  const char* name;
  std::string original, optimized;
  bool same;
  bool nondeterministic;
  const char* mentions;  // a part of the description, or ""
};

}  // namespace

TEST_F(Browser, ComparesPairsLikeAReader) {
  const std::string timePrinter =
      Page("<script>document.write('<p>' + performance.now() + ' ' + Math.random() + '</p>')</script>");
  const std::string colourByTime = Page(
      "<p id=p>Stable words</p><script>document.body.style.background = "
      "'#' + Math.floor(Math.random() * 0xffffff).toString(16).padStart(6, '0')</script>");
  const std::string dated = Page("<p><script>document.write(new Date() + ' ' + Date.now())</script></p>");
  const std::string modified = Page("<p><script>document.write(document.lastModified)</script></p>");
  const std::string animated = Page(
      "<div id=box style='width:300px;height:300px;background:red;animation:spin 0.3s linear infinite'></div>",
      "<style>@keyframes spin{from{transform:rotate(0)}to{transform:rotate(360deg)}}</style>");
  const std::string framed = Page("<p>Outer page</p><iframe src=child.html></iframe>");
  const std::string missingImage = Page("<p>Before <img src=absent.png alt=gone> after</p>");
  const std::string remote = Page("<p><img src=http://example.invalid/x.png> Remote image</p>");
  const PairCase cases[] = {
      {"identical bytes", Page("<p>Hello</p>"), Page("<p>Hello</p>"), true, false, "same"},
      {"blanks a browser collapses", Page("<p>one   two\n\n   three</p>\n\n"), Page("<p>one two three</p>"),
       true, false, "same"},
      {"a removed comment", Page("<p>Hi<!-- note --> there</p>"), Page("<p>Hi there</p>"), true, false, "same"},
      {"a page with a frame", framed, "<!-- x -->" + framed, true, false, "same"},
      {"a page whose image is missing", missingImage, "\n" + missingImage, true, false, "same"},
      {"a fixed clock for scripts", dated, dated, true, false, "same"},
      {"the file's own modification time", modified, modified, true, false, "same"},
      {"a page printing its window's outer size",
       Page("<p><script>document.write(outerWidth + 'x' + outerHeight)</script></p>"),
       Page("<p><script>document.write(outerWidth + 'x' + outerHeight)</script></p>"), true, false, "same"},
      {"a page printing its history length", Page("<p><script>document.write(history.length)</script></p>"),
       Page("<p><script>document.write(history.length)</script></p>"), true, false, "same"},
      {"a refused network request", remote, remote, true, false, "same"},
      {"an alert on load", Page("<script>alert('Welcome'); confirm('Sure?')</script><p>After</p>"),
       Page("<script>alert('Welcome'); confirm('Sure?')</script><p>After</p>"), true, false, "same"},
      {"a script sending the page on", Page("<script>location.replace('child.html')</script>"),
       Page("<script>location.replace('child.html')</script>"), true, false, "same"},
      {"an animated image", Page("<img src=anim.gif width=300 height=300>"),
       Page("<img src=anim.gif width=300 height=300>"), true, false, "same"},
      {"a running animation", animated, animated, true, false, "same"},
      {"a focused field's caret", Page("<input autofocus value=typed>"), Page("<input autofocus value=typed>"), true,
       false, "same"},
      {"&nbsp; made a blank in an empty table cell",
       Page("<table border=1><tr><td>&nbsp;</td><td>x</td></tr></table>"),
       Page("<table border=1><tr><td> </td><td>x</td></tr></table>"), false, false, "text"},
      {"</code> <code> joined", Page("<code>a</code> <code>b</code>"), Page("<code>a</code><code>b</code>"),
       false, false, "text"},
      {"hspace=0 removed beside a left-aligned image",
       Page("<p><img src=pic.png align=left hspace=0>Text that flows beside the picture</p>"),
       Page("<p><img src=pic.png align=left>Text that flows beside the picture</p>"), false, false, "pixels"},
      {"a changed word", Page("<p>The quick fox</p>"), Page("<p>The quick dog</p>"), false, false, "text"},
      {"a page one line taller", Page("<div style='height:2000px'>x</div>"),
       Page("<div style='height:2000px'>x</div><div style='height:1em'></div>"), false, false, "size"},
      {"a script printing the time", timePrinter, timePrinter, false, true, "text"},
      {"a colour drawn at random", colourByTime, colourByTime, true, true, "nondeterministic"},
      {"a different title", "<html><head><title>One</title></head><body><p>x</p></body></html>",
       "<html><head><title>Two</title></head><body><p>x</p></body></html>", false, false, "title"},
  };
  const size_t n = std::size(cases);
  std::map<size_t, Verdict> verdicts;
  sw::verify::CompareAll(
      *verifier_, n, 3,
      [&](size_t i, sw::verify::PagePair& p, std::string&) {
        p.name = cases[i].name;
        p.path = PathOf("page" + std::to_string(i) + ".html");
        std::ofstream(p.path) << cases[i].original;
        p.original = cases[i].original;
        p.optimized = cases[i].optimized;
        return true;
      },
      [&](size_t i, const sw::verify::PagePair&, const Verdict& v) { verdicts[i] = v; });
  for (size_t i = 0; i < n; ++i) {
    const Verdict& v = verdicts[i];
    SCOPED_TRACE(cases[i].name);
    EXPECT_NE(v.kind, Verdict::Kind::Failed) << v.error;
    EXPECT_EQ(v.Same(), cases[i].same) << v.Describe();
    EXPECT_EQ(v.nondeterministic, cases[i].nondeterministic) << v.Describe();
    EXPECT_NE(v.Describe().find(cases[i].mentions), std::string::npos) << v.Describe();
  }
}

// Pages that parse into the same document are called the same without
// screenshots. Each pair is also compared pixel by pixel, and both ways must
// agree: a shortcut that called a visible change the same would show here.
TEST_F(Browser, TheDocumentShortcutAgreesWithThePixels) {
  struct Case {
    const char* name;
    std::string original, optimized;
    bool same;
  };
  const Case cases[] = {
      // Spared: no screenshot is taken.
      {"blanks at a block's edges", Page("<p>\n  Words at the start\n</p>"), Page("<p>Words at the start</p>"), true},
      {"blanks after a line break", Page("Line one<br>\n   Line two"), Page("Line one<br>Line two"), true},
      {"blanks beside blocks", Page("<h1>Title</h1>\nText after\n<hr>\n<div>a</div>\n\n<div>b</div>"),
       Page("<h1>Title</h1>Text after<hr><div>a</div><div>b</div>"), true},
      {"a line end for a blank", Page("<p>one two three</p>"), Page("<p>one\ntwo   three</p>"), true},
      {"a line end between ideographs", Page("<p>\xe4\xb8\xad\n\xe6\x96\x87</p>"),
       Page("<p>\xe4\xb8\xad \xe6\x96\x87</p>"), true},
      {"colour names", "<html><head><title>Colours</title></head><body bgcolor=white><font color=Red>x</font>",
       "<html><head><title>Colours</title></head><body bgcolor=#FFFFFF><font color=#FF0000>x</font>", true},
      {"an image's zero border", Page("<img src=pic.png border=0>"), Page("<img src=pic.png>"), true},
      {"a style sheet's spelling", Page("<p>x</p>", "<style>\n p { color : red ; }\n /* note */</style>"),
       Page("<p>x</p>", "<style>p{color:red}</style>"), true},
      {"a style attribute's spelling", Page("<p style=\"color : red ;\">x</p>"), Page("<p style=color:red>x</p>"),
       true},
      {"comments and unread META tags", Page("<!-- a --><p>x<!-- b --></p>", "<meta name=keywords content=\"a, b\">"),
       Page("<p>x</p>"), true},
      {"elements holding only blanks", Page("<p>x</p><p> \n </p><table><tr><td> </td></tr></table>"),
       Page("<p>x</p><p></p><table><tr><td></td></tr></table>"), true},
      {"phrase elements shown alike", Page("<strong>a</strong> <em>b</em> <cite>c</cite> <code>d</code> <kbd>e</kbd>"),
       Page("<b>a</b> <i>b</i> <i>c</i> <tt>d</tt> <tt>e</tt>"), true},
      {"a doctype that leaves quirks mode", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">" + Page("<p>x</p>"),
       Page("<p>x</p>"), true},
      {"two doctypes of limited quirks",
       "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">" +
           Page("<p>x</p>"),
       "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"x\">" + Page("<p>x</p>"), true},
      // Each looks different.
      {"a sheet styling one of the phrase elements", Page("<strong>a</strong>", "<style>strong{color:red}</style>"),
       Page("<b>a</b>", "<style>strong{color:red}</style>"), false},
      {"a doctype that changes the mode",
       "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">" +
           Page("<table border=1><tr><td><img src=pic.png></td></tr></table>"),
       "<!DOCTYPE html>" + Page("<table border=1><tr><td><img src=pic.png></td></tr></table>"), false},
      {"blanks kept by white-space", Page("<div style='white-space:pre'>a    b</div>"),
       Page("<div style='white-space:pre'>a b</div>"), false},
      {"a blank after generated content", Page("<p>\nword</p>", "<style>p::before{content:'[['}</style>"),
       Page("<p>word</p>", "<style>p::before{content:'[['}</style>"), false},
      {"a sheet styling empty elements", Page("<div> </div>", "<style>div{height:40px}div:empty{background:red}</style>"),
       Page("<div></div>", "<style>div{height:40px}div:empty{background:red}</style>"), false},
      {"a sheet selecting by attribute", Page("<img src=pic.png border=0>", "<style>img[border]{outline:4px solid red}</style>"),
       Page("<img src=pic.png>", "<style>img[border]{outline:4px solid red}</style>"), false},
      {"a border style set for images",
       Page("<img src=pic.png width=40 height=30 border=0>", "<style>img{box-sizing:border-box;border-style:dotted}</style>"),
       Page("<img src=pic.png width=40 height=30>", "<style>img{box-sizing:border-box;border-style:dotted}</style>"),
       false},
      {"a script that counts comments",
       Page("<canvas id=c width=200 height=50></canvas><!-- a --><script>var g = "
            "document.getElementById('c').getContext('2d'); g.font = '30px sans-serif'; "
            "g.fillText(document.body.childNodes.length, 10, 40)</script>"),
       Page("<canvas id=c width=200 height=50></canvas><script>var g = "
            "document.getElementById('c').getContext('2d'); g.font = '30px sans-serif'; "
            "g.fillText(document.body.childNodes.length, 10, 40)</script>"),
       false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("keyed" + std::to_string(i) + ".html");
    std::ofstream(path) << c.original;
    const int shots = verifier_->Shots();
    const Verdict quick = verifier_->Compare(path, c.original, c.optimized);
    const int taken = verifier_->Shots() - shots;
    verifier_->SetFullDetail(true);
    const Verdict full = verifier_->Compare(path, c.original, c.optimized);
    verifier_->SetFullDetail(false);
    EXPECT_EQ(quick.Same(), c.same) << quick.Describe();
    EXPECT_EQ(full.Same(), c.same) << full.Describe();
    if (c.same) EXPECT_EQ(taken, 0) << "screenshots taken";
  }
}

TEST_F(Browser, ReadsTheTextOfFramesAndTheChosenCharacterSet) {
  const std::string path = PathOf("outer.html");
  const std::string page =
      "<html><head><meta charset=windows-1252><title>Frames</title></head>"
      "<body><p>Outer caf\xe9</p><iframe src=child.html></iframe></body></html>";
  std::ofstream(path) << page;
  sw::verify::Rendering r = verifier_->Render(path, page);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.title, "Frames");
  EXPECT_EQ(r.charset, "windows-1252");
  EXPECT_NE(r.text.find("Outer caf\xc3\xa9"), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("Words inside the frame"), std::string::npos) << r.text;
  EXPECT_EQ(r.width, 1024);
  ASSERT_TRUE(sw::verify::DecodePixels(r));
  EXPECT_EQ(r.shotWidth, 1024);
  EXPECT_GE(r.shotHeight, r.height);
}
