#include "preview/launch.h"

#include <gtest/gtest.h>

#include <deque>

#include "../app/test_support.h"
#include "platform/desktop_browser.h"

using namespace sw;
using swtest::FakeStarter;
using swtest::ScriptedPrompt;

namespace {

// A DDE client whose connects succeed or fail as scripted; logs every call.
class FakeDde : public DdeClient {
 public:
  FakeDde(std::vector<std::string>* log, std::deque<bool>* connects) : log_(log), connects_(connects) {}
  bool Connect(const std::string& service, const std::string& topic) override {
    bool ok = !connects_->empty() && connects_->front();
    if (!connects_->empty()) connects_->pop_front();
    log_->push_back("connect " + service + " " + topic + (ok ? " ok" : " fail"));
    return ok;
  }
  bool Request(const std::string& item, int timeoutMs, std::string*) override {
    log_->push_back("request " + item + " " + std::to_string(timeoutMs));
    return true;
  }
  void Disconnect() override { log_->push_back("disconnect"); }

 private:
  std::vector<std::string>* log_;
  std::deque<bool>* connects_;
};

struct LaunchFixture : ::testing::Test {
  swtest::TempDir tmp;
  IniFile ini{tmp / "slimwright.INI"};
  ScriptedPrompt prompt;
  FakeStarter starter;
  std::vector<std::string> log;
  std::deque<bool> connects;
  std::unique_ptr<Launcher> launcher;

  void SetUp() override {
    ini.WriteString("General Options", "OutputReport", "0");
    launcher = std::make_unique<Launcher>(ini, prompt, starter);
    launcher->makeDde = [this] { return std::make_unique<FakeDde>(&log, &connects); };
    launcher->httpCommand = [] { return std::string(); };
  }
  // A browser program file with the given name.
  std::string Browser(const std::string& name) {
    std::string p = tmp / ("bin/" + name);
    swtest::WriteFile(p, "#!/bin/sh\n");
    launcher->SetDefaultBrowser(p);
    return p;
  }
};

TEST_F(LaunchFixture, DdeConversationPerBrowserService) {
  struct Case {
    const char* program;
    const char* service;
    const char* item;
  };
  const Case cases[] = {
      {"netscape.exe", "Netscape", "file:///c|/web/a.htm,,-1,1,,,"},
      {"iexplore.exe", "Internet Explorer", "file:c|/web/a.htm,,-1,1,,,"},
      {"mosaic.exe", "Mosaic", "file://c|/web/a.htm,,-1,1,,,"},
  };
  for (const Case& c : cases) {
    log.clear();
    connects = {true, true};
    Browser(c.program);
    launcher->PreviewInBrowser("c:\\web\\a.htm");
    std::string s = c.service;
    std::vector<std::string> want = {"connect " + s + " WWW_Activate ok", "request 0xFFFFFFFF 10000", "disconnect",
                                     "connect " + s + " WWW_OpenURL ok", "request " + std::string(c.item) + " 10000",
                                     "disconnect"};
    EXPECT_EQ(log, want) << c.program;
  }
  EXPECT_TRUE(starter.calls.empty());
  EXPECT_TRUE(prompt.boxes.empty());
}

TEST_F(LaunchFixture, OtherBrowsersStartByCommandLineWithUnquotedPath) {
  std::string b = Browser("firefox");
  launcher->PreviewInBrowser("/web/my page.htm");
  EXPECT_TRUE(log.empty());
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, b);
  EXPECT_EQ(starter.calls[0].args, std::vector<std::string>{"/web/my page.htm"});
}

TEST_F(LaunchFixture, BrowserNotRunningIsStartedAndConnectsOnSecondTry) {
  std::string b = Browser("netscape");
  connects = {false, true, true};
  launcher->PreviewInBrowser("/w/a.htm");
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, b);
  EXPECT_TRUE(starter.calls[0].args.empty());
  EXPECT_EQ(log[0], "connect Netscape WWW_Activate fail");
  EXPECT_EQ(log[1], "connect Netscape WWW_Activate ok");
  EXPECT_EQ(log.back(), "disconnect");
  EXPECT_EQ(log[log.size() - 2], "request file:////w/a.htm,,-1,1,,, 10000");
}

TEST_F(LaunchFixture, NoLinkFallsBackToCommandLineAndStillTriesOpenUrl) {
  std::string b = Browser("iexplore");
  connects = {};  // never connects
  launcher->PreviewInBrowser("/w/a.htm");
  // Activate: connect, start the browser, connect again; command line; the
  // same for OpenURL.
  std::vector<std::string> want = {"connect Internet Explorer WWW_Activate fail",
                                   "connect Internet Explorer WWW_Activate fail",
                                   "connect Internet Explorer WWW_OpenURL fail",
                                   "connect Internet Explorer WWW_OpenURL fail"};
  EXPECT_EQ(log, want);
  ASSERT_EQ(starter.calls.size(), 4u);
  EXPECT_EQ(starter.calls[1].args, std::vector<std::string>{"/w/a.htm"});
  EXPECT_TRUE(prompt.boxes.empty());
}

TEST_F(LaunchFixture, FailedDdeAndFailedStartShowTheBrowsersFailureBoxOnce) {
  Browser("mosaic");
  starter.result = false;
  launcher->PreviewInBrowser("/w/a.htm");
  ASSERT_EQ(prompt.boxes.size(), 1u);
  EXPECT_EQ(prompt.boxes[0].caption, "Mosaic DDE failure");
  EXPECT_EQ(prompt.boxes[0].icon, Icon::Error);
  EXPECT_NE(prompt.boxes[0].text.find("Unable to display file.\n\nIf restarting"), std::string::npos);
}

TEST_F(LaunchFixture, LoudLaunchFailureNamesDocumentAndProgram) {
  std::string b = Browser("opera");
  starter.result = false;
  EXPECT_FALSE(launcher->LaunchWithProgram(b, "/w/a.htm", LaunchMode::Loud));
  ASSERT_EQ(prompt.boxes.size(), 1u);
  EXPECT_EQ(prompt.boxes[0].caption, "File load failed");
  EXPECT_EQ(prompt.boxes[0].text.rfind("Attempt to load /w/a.htm into " + b + " failed.\n\nIf this program", 0), 0u);
  EXPECT_FALSE(launcher->LaunchWithProgram(b, "/w/a.htm", LaunchMode::Quiet));
  EXPECT_EQ(prompt.boxes.size(), 1u);
}

TEST_F(LaunchFixture, MissingProgramFallsBackToDefaultBrowserWhichReportsNone) {
  EXPECT_FALSE(launcher->LaunchWithProgram(tmp / "nope", "/w/page one.htm", LaunchMode::Quiet));
  ASSERT_EQ(prompt.boxes.size(), 1u);
  EXPECT_EQ(prompt.boxes[0].text,
            "Unable to load page one.htm. No browser could be found either as a default Slimwright browser or as a "
            "system default browser.");
  EXPECT_TRUE(starter.calls.empty());
}

TEST(BrowserFromCommand, ShortTrailingArgumentIsCut) {
  swtest::TempDir tmp;
  std::string exe = tmp / "browser.exe";
  swtest::WriteFile(exe, "");
  EXPECT_EQ(BrowserFromCommand(exe + " %1"), exe);
  EXPECT_EQ(BrowserFromCommand(exe + " \"%1\""), exe);
  EXPECT_EQ(BrowserFromCommand(exe + " %u"), exe);
  // Five characters or more: stored whole.
  EXPECT_EQ(BrowserFromCommand(exe + " -nohome"), exe + " -nohome");
  EXPECT_EQ(BrowserFromCommand("\"" + exe + "\" %1"), exe);
  EXPECT_EQ(BrowserFromCommand("a %1"), "");  // shorter than 8
}

TEST_F(LaunchFixture, DetectDefaultBrowserStoresTheCutCommand) {
  std::string exe = tmp / "bin/firefox";
  swtest::WriteFile(exe, "");
  launcher->httpCommand = [&] { return exe + " %u"; };
  launcher->DetectDefaultBrowser();
  EXPECT_EQ(launcher->defaultBrowser(), exe);
  EXPECT_EQ(ini.ReadString("General Options", "DefaultBrowser", ""), exe);
  launcher->httpCommand = [] { return std::string("ab"); };
  launcher->DetectDefaultBrowser();
  EXPECT_EQ(launcher->defaultBrowser(), exe);
}

TEST_F(LaunchFixture, EditorIsTheStoredOneOnlyWhenItExists) {
  EXPECT_EQ(launcher->ExternalEditorPath(), "xdg-open");
  ini.WriteString("General Options", "ExternalEditor", tmp / "missing-editor");
  EXPECT_EQ(launcher->ExternalEditorPath(), "xdg-open");
  std::string ed = tmp / "bin/ed";
  swtest::WriteFile(ed, "");
  ini.WriteString("General Options", "ExternalEditor", ed);
  EXPECT_EQ(launcher->ExternalEditorPath(), ed);
}

TEST_F(LaunchFixture, FilesListInEditor) {
  launcher->OpenFilesListInEditor();
  ASSERT_EQ(prompt.boxes.size(), 1u);
  EXPECT_EQ(prompt.boxes[0].caption, "Slimwright error");
  EXPECT_EQ(prompt.boxes[0].text, "Unable to load " + (tmp / "slimwright.lst") +
                                      ". Files list has either been erased or has not been built.");
  swtest::WriteFile(tmp / "slimwright.lst", "/w/a.htm\r\n");
  launcher->OpenFilesListInEditor();
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, "xdg-open");
  EXPECT_EQ(starter.calls[0].args, std::vector<std::string>{tmp / "slimwright.lst"});
  starter.result = false;
  launcher->OpenFilesListInEditor();
  EXPECT_EQ(prompt.boxes.back().caption, "Unable to load file");
}

TEST_F(LaunchFixture, LastReportInEditor) {
  launcher->OpenLastReportInEditor();
  EXPECT_EQ(prompt.boxes.back().caption, "Report not found");
  ini.WriteString("General Options", "LastWrittenReport", tmp / "slimwright.r01");
  launcher->OpenLastReportInEditor();
  EXPECT_EQ(prompt.boxes.back().caption, "Report not found...aborting");
  EXPECT_EQ(prompt.boxes.back().text,
            (tmp / "slimwright.r01") + ", the last report for this profile, could not be found. Unable to load.");
  swtest::WriteFile(tmp / "slimwright.r01", "report\r\n");
  launcher->OpenLastReportInEditor();
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].args, std::vector<std::string>{tmp / "slimwright.r01"});
}

}  // namespace

namespace {

TEST(DesktopFileExec, ExecLineOfTheDesktopEntryGroupOnly) {
  EXPECT_EQ(sw::DesktopFileExec("[Desktop Entry]\nName=Web\nTryExec=firefox\nExec=firefox %u\n"
                                "[Desktop Action new-window]\nExec=firefox --new-window %u\n"),
            "firefox %u");
  EXPECT_EQ(sw::DesktopFileExec("[Desktop Action x]\nExec=other\n[Desktop Entry]\r\nExec = /usr/bin/web %U\r\n"),
            "/usr/bin/web %U");
  EXPECT_EQ(sw::DesktopFileExec("[Desktop Entry]\nName=No exec\n"), "");
}

}  // namespace
