#include "platform/files.h"

#include <QFile>
#include <QString>
#include <filesystem>

namespace fs = std::filesystem;

namespace sw {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

int64_t FileSizeOrMinus1(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return -1;
  auto n = fs::file_size(path, ec);
  return ec ? -1 : int64_t(n);
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

bool MoveToTrash(const std::string& path) { return QFile::moveToTrash(QString::fromLocal8Bit(path.c_str())); }

bool RemoveTree(const std::string& dir, bool toTrash) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return true;
  if (toTrash) {
    if (MoveToTrash(dir)) return true;
  }
  fs::remove_all(dir, ec);
  return !ec && !fs::exists(dir, ec);
}

}  // namespace sw
