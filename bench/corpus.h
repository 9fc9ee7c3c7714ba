#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace swbench {

struct Page {
  std::string path;
  std::string bytes;
};

// Every page of the legacy corpus, read into memory once.
inline const std::vector<Page>& Corpus() {
  static std::vector<Page> pages = [] {
    std::vector<Page> v;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(SW_CORPUS_DIR, ec);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
      if (!it->is_regular_file()) continue;
      std::ifstream f(it->path(), std::ios::binary);
      v.push_back({it->path().string(), std::string(std::istreambuf_iterator<char>(f), {})});
    }
    return v;
  }();
  return pages;
}

inline size_t CorpusBytes() {
  size_t n = 0;
  for (auto& p : Corpus()) n += p.bytes.size();
  return n;
}

}  // namespace swbench
