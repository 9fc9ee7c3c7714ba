#include "jobs/fileslist.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/inifile.h"

namespace sw {

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  size_t start = 0;
  while (start < data.size()) {
    size_t nl = data.find('\n', start);
    size_t end = nl == std::string::npos ? data.size() : nl;
    size_t stop = end;
    if (stop > start && data[stop - 1] == '\r') --stop;
    lines.emplace_back(data, start, stop - start);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return true;
}

bool ReadFilesList(const std::string& path, std::vector<std::string>& entries) {
  if (!ReadLines(path, entries)) return false;
  std::erase_if(entries, [](const std::string& e) { return e.empty(); });
  return true;
}

std::string NormalEntry(const std::string& entry) {
  std::error_code ec;
  std::filesystem::path a = std::filesystem::absolute(entry, ec);
  return (ec ? std::filesystem::path(entry) : a).lexically_normal().string();
}

bool ReadDocumentList(const std::string& path, std::vector<std::string>& entries) {
  if (!ReadFilesList(path, entries)) return false;
  for (auto& e : entries) e = NormalEntry(e);
  return true;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return AtomicWriteFile(path, out);
}

std::string FileNamePart(const std::string& path) {
  size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace sw
