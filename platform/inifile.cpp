#include "platform/inifile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/primitives.h"
#include "engine/safefile.h"

namespace fs = std::filesystem;

namespace sw {

namespace {
std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}
// "[name]" lines; returns the trimmed name.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return !key.empty() && key[0] != ';';
}
}  // namespace

bool IniFile::Exists() const {
  std::error_code ec;
  return fs::is_regular_file(path_, ec);
}

std::vector<std::string> IniFile::Lines() const {
  std::vector<std::string> lines;
  std::ifstream f(path_, std::ios::binary);
  if (!f) return lines;
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool IniFile::Find(const std::string& section, const std::string& key, std::string& value) const {
  for (auto& [k, v] : ReadSection(section))
    if (EqualsI(k, key)) {
      value = v;
      return true;
    }
  return false;
}

int32_t IniFile::ReadInt(const std::string& section, const std::string& key, int32_t def) const {
  std::string v;
  if (!Find(section, key, v)) return def;
  return ParseIniInt(v);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  std::string v;
  if (!Find(section, key, v)) v = def;
  if (v.size() > 255) v.resize(255);
  return v;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> out;
  bool in = false;
  std::string name, k, v;
  for (const auto& line : Lines()) {
    if (SectionName(line, name)) {
      in = EqualsI(name, section);
      continue;
    }
    if (in && KeyValue(line, k, v)) out.emplace_back(k, v);
  }
  return out;
}

bool IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::vector<std::string> lines = Lines();
  std::string name, k, v;
  int secStart = -1, lastInSection = -1;
  for (int i = 0; i < int(lines.size()); ++i) {
    if (SectionName(lines[size_t(i)], name)) {
      if (secStart >= 0) break;
      if (EqualsI(name, section)) secStart = lastInSection = i;
      continue;
    }
    if (secStart < 0) continue;
    if (KeyValue(lines[size_t(i)], k, v) && EqualsI(k, key)) {
      lines[size_t(i)] = k + "=" + value;
      return Save(lines);
    }
    if (!Trim(lines[size_t(i)]).empty()) lastInSection = i;
  }
  if (secStart < 0) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
  } else {
    lines.insert(lines.begin() + lastInSection + 1, key + "=" + value);
  }
  return Save(lines);
}

bool IniFile::DeleteSection(const std::string& section) {
  std::vector<std::string> lines = Lines(), out;
  std::string name;
  bool in = false, changed = false;
  for (auto& line : lines) {
    if (SectionName(line, name)) in = EqualsI(name, section);
    if (in) changed = true;
    else out.push_back(line);
  }
  return !changed || Save(out);
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  std::vector<std::string> lines = Lines(), out;
  std::string name, k, v;
  bool in = false, changed = false;
  for (auto& line : lines) {
    if (SectionName(line, name)) in = EqualsI(name, section);
    else if (in && KeyValue(line, k, v) && EqualsI(k, key)) {
      changed = true;
      continue;
    }
    out.push_back(line);
  }
  return !changed || Save(out);
}

bool IniFile::Save(const std::vector<std::string>& lines) {
  std::string content;
  for (const auto& l : lines) content += l + "\r\n";
  return AtomicWriteFile(path_, content);
}

bool AtomicWriteFile(const std::string& path, const std::string& content) {
  std::error_code ec;
  fs::path dir = fs::path(path).parent_path();
  if (!dir.empty()) fs::create_directories(dir, ec);
  return ReplaceFileContent(path, content);
}

}  // namespace sw
