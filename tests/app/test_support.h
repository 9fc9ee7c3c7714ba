// Scripted user and fake programs for the desktop tests.
#pragma once
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/prompt.h"
#include "platform/process.h"

namespace swtest {

// Where a test renders a README picture: the source tree's copies are
// refreshed on request only (SW_UPDATE_SCREENSHOTS=1), so test runs leave
// the tree clean.
inline std::string ScreenshotFolder() {
  const char* update = std::getenv("SW_UPDATE_SCREENSHOTS");
  std::string out = update && *update == '1' ? std::string(SW_SOURCE_DIR) + "/docs/screenshots"
                                             : std::string(SW_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(out);
  return out;
}

// Every file of the legacy corpus, in path order.
inline std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> pages;
  for (const auto& e : std::filesystem::recursive_directory_iterator(SW_CORPUS_DIR))
    if (e.is_regular_file()) pages.push_back(e.path());
  std::sort(pages.begin(), pages.end());
  return pages;
}

// Answers message boxes from a script keyed by caption and records every box.
class ScriptedPrompt : public sw::Prompt {
 public:
  struct Box {
    std::string caption, text;
    sw::Icon icon;
    sw::Buttons buttons;
  };
  std::vector<Box> boxes;
  std::map<std::string, std::deque<sw::Answer>> script;
  std::map<std::string, std::function<void()>> onAsk;  // runs before answering

  void Answer(const std::string& caption, sw::Answer a) { script[caption].push_back(a); }

  sw::Answer Ask(const std::string& caption, const std::string& text, sw::Icon icon, sw::Buttons buttons) override {
    boxes.push_back({caption, text, icon, buttons});
    if (auto f = onAsk.find(caption); f != onAsk.end()) f->second();
    auto& q = script[caption];
    if (!q.empty()) {
      sw::Answer a = q.front();
      q.pop_front();
      return a;
    }
    if (buttons == sw::Buttons::Ok) return sw::Answer::Ok;
    ADD_FAILURE() << "unscripted question: " << caption << " / " << text;
    return buttons == sw::Buttons::OkCancel || buttons == sw::Buttons::YesNoCancel ? sw::Answer::Cancel
                                                                                   : sw::Answer::No;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> c;
    for (const auto& b : boxes) c.push_back(b.caption);
    return c;
  }
  const Box* Find(const std::string& caption) const {
    for (const auto& b : boxes)
      if (b.caption == caption) return &b;
    return nullptr;
  }
};

class FakeStarter : public sw::ProcessStarter {
 public:
  struct Call {
    std::string program;
    std::vector<std::string> args;
  };
  std::vector<Call> calls;
  bool result = true;
  std::map<std::string, bool> resultFor;  // by program
  bool Start(const std::string& program, const std::vector<std::string>& args) override {
    calls.push_back({program, args});
    if (auto r = resultFor.find(program); r != resultFor.end()) return r->second;
    return result;
  }
};

inline void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}
inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A temporary folder for one test.
struct TempDir {
  QTemporaryDir dir;
  std::string path() const { return dir.path().toStdString(); }
  std::string operator/(const std::string& name) const { return path() + "/" + name; }
};

}  // namespace swtest
