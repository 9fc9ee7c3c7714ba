// Shared by the job tests: temporary folders, files and a scripted prompt.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/prompt.h"

namespace swtest {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& p, const std::string& s) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << s;
}

// A fresh folder per test, short enough for the 60-character error lines.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->name()) : "t";
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.size() > 32) name.erase(0, name.size() - 32);
    path_ = fs::path("/tmp") / ("swj" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return (path_ / rel).string(); }

 private:
  fs::path path_;
};

struct Asked {
  std::string caption, text;
  sw::Icon icon;
  sw::Buttons buttons;
};

// Answers scripted per caption; an unscripted question fails the test and
// gets No (or Cancel), a message gets OK.
class ScriptedPrompt : public sw::Prompt {
 public:
  std::map<std::string, std::deque<sw::Answer>> answers;
  std::vector<Asked> asked;

  sw::Answer Ask(const std::string& caption, const std::string& text, sw::Icon icon, sw::Buttons buttons) override {
    asked.push_back({caption, text, icon, buttons});
    auto it = answers.find(caption);
    if (it != answers.end() && !it->second.empty()) {
      sw::Answer a = it->second.front();
      it->second.pop_front();
      return a;
    }
    if (buttons == sw::Buttons::Ok) return sw::Answer::Ok;
    ADD_FAILURE() << "unexpected question: " << caption;
    return buttons == sw::Buttons::YesNo ? sw::Answer::No : sw::Answer::Cancel;
  }
  int Count(const std::string& caption) const {
    int n = 0;
    for (const auto& a : asked) n += a.caption == caption;
    return n;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> c;
    for (const auto& a : asked) c.push_back(a.caption);
    return c;
  }
};

inline std::string Crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

}  // namespace swtest
